// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The archive figure: a program archive checked with zarvik-check against the same number of
// blocks checked as one program.

#include "BenchRuns.h"

#include <string>

namespace bench {

// Prints the archive rows when CORPUSDIR holds archive/ and archive_joined.min (zarvik-corpus
// --archive writes them); nothing otherwise.
void ArchiveRows(Launcher& launcher, const std::string& corpusDir, const std::string& checker, bool quick);

} // namespace bench
