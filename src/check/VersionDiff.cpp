// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/VersionDiff.h"

#include "target/Compare.h"

namespace check {

namespace {

// The region of the other comparison lying over `d`, for the other file's blocks.
const target::Deviation* Across(const target::Deviation& d, const target::Comparison& other,
                                target::Deviation::Kind kind) {
    for (const target::Deviation& o : other.Deviations)
        if (o.Type == kind && !o.Area.Intersect(d.Area).Empty()) return &o;
    return nullptr;
}

bool Cut(ProgramVersion& v, CheckReport& report, std::string& complaint) {
    report = CheckProgram(v.Text, v.Options);
    report.File = v.File;
    if (report.Stock) return true;
    complaint = v.File + ": " + report.StockError;
    return false;
}

} // namespace

std::shared_ptr<const target::Target> SectionAsTarget(const CheckReport& report) {
    if (!report.Stock) return nullptr;
    auto t = std::make_shared<target::Target>();
    t->Section = report.Stock->Part;
    t->Outlines = t->Section.Outlines();
    t->Options.File = report.File;
    return t;
}

std::optional<VersionDiff> CompareVersions(ProgramVersion before, ProgramVersion after,
                                           std::string& complaint, const std::atomic<bool>* stop) {
    for (ProgramVersion* v : {&before, &after}) {
        if (!v->Options.Stock) {
            complaint = v->File + ": no stock to cut: the comparison needs the program's setup";
            return std::nullopt;
        }
        v->Options.StockStop = stop;
        v->Options.Target.reset();
    }
    VersionDiff d;
    d.OldFile = before.File, d.NewFile = after.File;
    if (!Cut(before, d.Old, complaint) || !Cut(after, d.New, complaint)) return std::nullopt;
    // Their own findings, before either is compared with the other.
    d.OldCounts = findings::CountsOf(d.Old.Findings);
    d.NewCounts = findings::CountsOf(d.New.Findings);
    // NEW against OLD: its gouges are material it removed, its excess material it added, with
    // its own blocks; OLD against NEW gives the old file's blocks for the same regions.
    after.Options.Target = SectionAsTarget(d.Old);
    before.Options.Target = SectionAsTarget(d.New);
    if (!Cut(after, d.New, complaint) || !Cut(before, d.Old, complaint) || !d.New.Target || !d.Old.Target) {
        complaint = "the stock could not be cut";
        return std::nullopt;
    }
    const target::Comparison& changes = *d.New.Target;
    d.Tolerance = changes.Tolerance;
    for (const target::Deviation& c : changes.Deviations) {
        ChangedRegion& r = d.Regions.emplace_back();
        r.Removed = c.Type == target::Deviation::Kind::Gouge;
        r.Change = c;
        // Material NEW removed is material OLD left: OLD's excess against NEW, and the other way.
        if (const target::Deviation* old =
                Across(c, *d.Old.Target,
                       r.Removed ? target::Deviation::Kind::Excess : target::Deviation::Kind::Gouge))
            r.OldLines = old->Lines;
    }
    const stock::Region& a = d.New.Stock->Part;
    const stock::Region& b = d.Old.Stock->Part;
    const bool identical = a.Minus(b).Area() + b.Minus(a).Area() < 1e-9;
    const size_t n = d.Regions.size();
    d.Verdict = n           ? "changed: " + std::to_string(n) + (n == 1 ? " region" : " regions")
                : identical ? "same part"
                            : "same within tolerance";
    return d;
}

} // namespace check
