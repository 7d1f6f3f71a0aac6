// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/VersionDiff.h"

#include "target/Compare.h"

#include <set>

namespace check {

namespace {

// The region of the other comparison lying over `d`, for the other file's blocks.
const target::Deviation* Across(const target::Deviation& d, const target::Comparison& other,
                                target::Deviation::Kind kind) {
    for (const target::Deviation& o : other.Deviations)
        if (o.Type == kind && !o.Area.Intersect(d.Area).Empty()) return &o;
    return nullptr;
}

// The alarms of `a` that `b` does not raise, each message matched once.
std::vector<Alarm> AlarmsNotIn(const std::vector<Alarm>& a, const std::vector<Alarm>& b) {
    std::multiset<std::string> others;
    for (const Alarm& x : b)
        others.insert(x.Message);
    std::vector<Alarm> out;
    for (const Alarm& x : a)
        if (const auto it = others.find(x.Message); it != others.end())
            others.erase(it);
        else
            out.push_back(x);
    return out;
}

// "NEW raises 2 alarms OLD does not: line 6: PS0063 block N10 not found; line 9: ..." (three at
// most named).
std::string AlarmsText(const std::vector<Alarm>& alarms, const char* raises, const char* not_) {
    const size_t n = alarms.size();
    std::string out = std::string(raises) + " raises " + std::to_string(n) +
                      (n == 1 ? " alarm " : " alarms ") + not_ + " does not: ";
    for (size_t i = 0; i < n && i < 3; ++i)
        out += (i ? "; line " : "line ") + std::to_string(alarms[i].Line) + ": " + alarms[i].Message;
    if (n > 3) out += "; and " + std::to_string(n - 3) + " more";
    return out;
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
        v->Options.KeepCut = true;
    }
    VersionDiff d;
    d.OldFile = before.File, d.NewFile = after.File;
    if (!Cut(before, d.Old, complaint) || !Cut(after, d.New, complaint)) return std::nullopt;
    // Their own findings, before either is compared with the other.
    d.OldCounts = findings::CountsOf(d.Old.Findings);
    d.NewCounts = findings::CountsOf(d.New.Findings);
    // NEW against OLD: its gouges are material it removed, its excess material it added, with
    // its own blocks; OLD against NEW gives the old file's blocks for the same regions.
    // Each compared with the other's section, along its own cut (kept by the check).
    const std::shared_ptr<const target::Target> oldSection = SectionAsTarget(d.Old);
    const std::shared_ptr<const target::Target> newSection = SectionAsTarget(d.New);
    CompareCut(d.New, *oldSection);
    CompareCut(d.Old, *newSection);
    if (!d.New.Target || !d.Old.Target) {
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
    // An alarm one version raises is a changed result even where the part is cut alike (the
    // blocks a cycle should have run cut it by themselves): the verdict says so.
    d.OnlyNewAlarms = AlarmsNotIn(d.New.Alarms, d.Old.Alarms);
    d.OnlyOldAlarms = AlarmsNotIn(d.Old.Alarms, d.New.Alarms);
    const char* joint = n ? "; " : ", but ";
    if (!d.OnlyNewAlarms.empty()) {
        d.Verdict += joint + AlarmsText(d.OnlyNewAlarms, "NEW", "OLD");
        joint = "; ";
    }
    if (!d.OnlyOldAlarms.empty()) d.Verdict += joint + AlarmsText(d.OnlyOldAlarms, "OLD", "NEW");
    return d;
}

} // namespace check
