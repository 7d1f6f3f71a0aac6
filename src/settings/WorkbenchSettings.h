// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checking workbench's choices, in a section of their own ("Workbench") so that the
// control's sections keep exactly their keys: which panels are shown, the gutter, and whether
// an opened program starts fitted instead of in the standard view.

#include "settings/Settings.h"

#include <QStringList>

#include <map>

namespace settings {

struct WorkbenchValues {
    // The panels shown, by the key each keeps its visibility under; a panel without an entry
    // is shown as its own default says.
    std::map<QString, bool> Panels;
    bool LineNumbers = true;
    bool StartFitted = false;  // off: the program starts in the standard view, as it always did
    bool PrintTools = false;   // Print adds the tools table under the picture
    bool StockSection = false; // the stock section drawn with the path (needs a setup)
    bool NosePath = false;     // with the section, the compensated nose path
    // The ISO control instead of either dialect; kept here so that the control's Parameter
    // section keeps exactly its keys.
    bool IsoControl = false;
};

// A value that is not a Boolean keeps its default; of the panels' keys `panels`, only those
// with a Boolean value get an entry.
WorkbenchValues ReadWorkbench(Store& store, const QStringList& panels);
void WriteWorkbench(Store& store, const WorkbenchValues& v);

} // namespace settings
