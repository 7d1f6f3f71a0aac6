// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two versions of a program compared by the part they cut, as one result the checker's report,
// its HTML page and the window all show: the regions of material the new version added and
// removed, each with the blocks of both files behind it, the verdict, and both versions' reports
// for their times, tools and findings.

#include "check/Checker.h"
#include "findings/Findings.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace check {

// One version: its text and how it is checked (with its own setup in Options.Stock).
struct ProgramVersion {
    std::string File; // as the reports name it
    std::u16string Text;
    CheckOptions Options;
};

struct ChangedRegion {
    bool Removed = false;          // the new version cut it (else it left it: added)
    target::Deviation Change;      // measured on the new version's part, with its blocks
    std::vector<int64_t> OldLines; // the old version's blocks behind the same region
};

struct VersionDiff {
    std::string OldFile, NewFile;
    // "same part", "same within tolerance" or "changed: N region(s)", with the alarms only one
    // version raises after it ("same part, but NEW raises 1 alarm OLD does not: line 6: ...").
    std::string Verdict;
    double Tolerance = 0;
    std::vector<ChangedRegion> Regions; // front (largest Z) first
    // Each version checked against the other: the part, the times per tool, the findings.
    CheckReport Old, New;
    // Their own findings, before either was compared with the other.
    findings::Counts OldCounts, NewCounts;
    // The alarms one version raises and the other does not (by message: a renumbered program's
    // lines move), in line order. A part cut alike is still no "same part" then.
    std::vector<Alarm> OnlyNewAlarms, OnlyOldAlarms;
    bool Changed() const { return !Regions.empty() || !OnlyNewAlarms.empty() || !OnlyOldAlarms.empty(); }
};

// Compares `before` with `after`. Nothing with `complaint` when either has no stock or its
// stock cannot be cut. `stop`, when set, gives the comparison up (stock::Cancelled).
std::optional<VersionDiff> CompareVersions(ProgramVersion before, ProgramVersion after,
                                           std::string& complaint, const std::atomic<bool>* stop = nullptr);

// The other version's finished section as the part a version is compared with.
std::shared_ptr<const target::Target> SectionAsTarget(const CheckReport& report);

} // namespace check
