// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the main window opens: the stored placement, fitted onto the desktop as it is now, so a
// store written on another screen set-up, or edited by hand, never opens a window off-screen or
// larger than a screen can show.

#include "settings/Settings.h"

#include <QList>
#include <QRect>

namespace settings {

// The smallest window the stored size may give, in pixels; a smaller one opens at the default.
inline constexpr int kMinWindowWidth = 200;
inline constexpr int kMinWindowHeight = 150;

// The window's frame corner and outer size in pixels for the stored placement in twips (`tpp`
// twips per pixel), fitted into one of `screens` (available areas, the primary first): the
// screen the placement overlaps most, else the primary one. The window is made no larger than
// that screen and moved until it lies wholly on it. With no screen the placement is kept.
QRect FitWindow(const Values& v, double tpp, const QList<QRect>& screens);

// Reads the fitted placement for the window and, when the fit changed it, sets the values to it
// and writes them back into the store. Returns the frame corner and the inner (client) size to
// apply with move() and resize().
QRect PlaceWindow(Store& store, Values& v, double tpp, const QList<QRect>& screens);

// The available areas of the screens the application sees, the primary one first.
QList<QRect> AvailableScreens();

} // namespace settings
