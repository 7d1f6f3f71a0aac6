#pragma once
// Toolbar icons drawn in code: one outline weight, one small palette, so that the two toolbars
// read as one set.

#include <QIcon>
#include <QString>

namespace app {

// The icon of a toolbar key ("Start", "Zoom", "Undo" ...); an empty icon for an unknown key.
QIcon ToolbarIcon(const QString& key);

} // namespace app
