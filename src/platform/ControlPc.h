#pragma once
// The PC of a KVZ control carries a marker file; when it exists Zarvik maximises its window,
// starts its file dialogs in the control's program folder and leaves Caps Lock on at exit.
// Both paths can be moved by the environment (ZARVIK_KVZ_MARKER, ZARVIK_KVZ_START_FOLDER),
// which the tests use.

#include <QString>

namespace platform {

inline constexpr const char* kKvzMarkerPath = "/KVZ-R/KVZMNGCD.CNC";
inline constexpr const char* kKvzStartFolder = "/MD1";

QString KvzMarkerPath();
QString KvzStartFolder();
bool OnKvzControlPc(); // the marker file exists

} // namespace platform
