// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The PC of a KVZ control carries a marker file; when it exists Zarvik maximises its window,
// starts its file dialogs in the control's program folder and leaves Caps Lock on at exit, and
// the calculator brings the control's operator window back to the front when it closes.
// Both paths can be moved by the environment (ZARVIK_KVZ_MARKER, ZARVIK_KVZ_START_FOLDER),
// which the tests use.

#include <QString>

namespace platform {

#ifdef Q_OS_WIN
inline constexpr const char* kKvzMarkerPath = "C:/KVZ-R/KVZMNGCD.CNC";
#else
inline constexpr const char* kKvzMarkerPath = "/KVZ-R/KVZMNGCD.CNC";
#endif
inline constexpr const char* kKvzStartFolder = "/MD1";

QString KvzMarkerPath();
QString KvzStartFolder();
bool OnKvzControlPc(); // the marker file exists

} // namespace platform
