// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving the setup dialog into a setup file the operator wrote: the file's text is edited, not
// written anew. A value that changed is replaced where it stands; a key the file did not have is
// added after its table's last key; a table it did not have (a chuck, a tailstock, a tool) is added
// at the end; a table goes only when the operator removed what it describes. Comments, order,
// layout, line ends and shorthands (insert = "CNMG 120408") stay as they were, and a setup that
// did not change leaves the text byte for byte.

#include "stock/Setup.h"

#include <map>
#include <string>

namespace stock {

// Edits `text`, the setup file `file` as read, so that it reads back as `edited`. `origin` gives,
// for a tool number of `edited`, the number its tool had in the file (a renumbered tool), or -1
// for a tool the file did not describe; a number not in it is its own. False, with the reason in
// `why`, when the text cannot be read or the edit cannot be made in place (`result` is then
// untouched); the edited text is checked by reading it back.
bool EditSetupText(const std::string& text, const std::string& file, const Setup& edited,
                   const std::map<int, int>& origin, std::string& result, std::string& why);

// `written`, a setup written whole by WriteSetup in place of the file whose text is `text`, with
// what that file held that WriteSetup does not write from a setup (the [machine] of its time or
// the machine file it names, the [target] of its drawing) as it stood, comments and all: the
// file's own keys before the first table, its tables at the end. `written` alone when there are
// none or the text is no TOML.
std::string KeepUnwritten(const std::string& written, const std::string& text);

} // namespace stock
