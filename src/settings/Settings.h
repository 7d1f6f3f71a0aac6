// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user's choices that survive from one run to the next: window placement, dialog folder,
// printer orientation, editor font, recent files, soft limits, input unit and four switches.
// Read once at start-up, written once at exit; in between the window works on these values only.

#include "base/Parameters.h"

#include <QString>

#include <array>
#include <cstdint>

namespace settings {

// A per-user store of text values addressed by section and key. The window uses the INI file;
// tests record the order of reads and writes.
class Store {
  public:
    virtual ~Store() = default;
    // The stored text, or `fallback` when the key is absent.
    virtual QString Get(const QString& section, const QString& key, const QString& fallback) = 0;
    virtual void Put(const QString& section, const QString& key, const QString& value) = 0;
};

// A switch stored as "True" / "False". A switch read at start-up and never changed is written
// back with the very text that was read.
struct Switch {
    bool On = false;
    QString ReadText; // text read when it was a valid Boolean, else empty
    bool ReadOn = false;
    QString WriteText() const;
};

// The five recent-file entries of the File menu, most recent first. An unused entry keeps its
// design caption "RecentFile<n>"; a caption that holds a path is in use.
std::array<QString, 5> UnusedRecentFiles();
bool RecentInUse(const QString& caption);

struct Values {
    // Section "Settings". Window placement in twips, single precision as the control keeps it.
    float MainLeft = 1000, MainTop = 1000, MainWidth = 12000, MainHeight = 10000;
    float PaneWidening = 0;         // twips the program pane is wider than designed (the column splitter)
    QString OpenPathName;           // folder of the file dialogs
    int16_t PrinterOrientation = 2; // 1 portrait, 2 landscape
    QString ProgramFontName;        // empty = the pane's design font
    int32_t ProgramFontSize = 10;   // whole points
    // Captions of the recent-file entries, most recent first; "RecentFile<n>" = unused.
    std::array<QString, 5> RecentFile = UnusedRecentFiles();

    // Section "Parameter".
    interp::SoftLimits Limits; // NVLZ is stored with seven digits, as single precision holds it
    int16_t Unit = 1;          // 1 = 1 mm, 2 = 0.01 mm, 3 = 0.001 mm, 4 = 1 inch
    Switch PointCheck, Vertical, Xmirror;
    bool G2mirror = false;
    bool AutoStart = true; // written at exit, never read back
};

// The one mapping between the stored parameters and the values the lathe works with. Applying
// sets only the switches' state, so a switch never changed is written back as it was read.
interp::Parameters ParametersOf(const Values& v);
void ApplyParameters(Values& v, const interp::Parameters& p);

// The font sizes of the program pane that a stored "ProgramFontSize" may hold, in points.
inline constexpr int32_t kMinFontSize = 6;
inline constexpr int32_t kMaxFontSize = 72;

// The reading steps of start-up, each in the store's order. A value that is malformed or out of
// range (orientation 1 or 2, unit 1 to 4, font size 6 to 72, finite soft limits, window values
// within a billion twips) leaves its default, and the default is put back into the store at once.
// The window's fit onto the desktop is PlaceWindow's (WindowPlacement.h).
void ReadWindow(Store& store, Values& v);
// The program pane's widening (the column splitter's place), after the control's own settings.
void ReadPaneWidening(Store& store, Values& v);
void ReadParameters(Store& store, Values& v, const QString& programFolder);
void ReadRecentFiles(Store& store, Values& v);

// The exit writing, in the store's order. The window placement is skipped while minimised;
// recent-file slots that were never used are not written.
void WriteAll(Store& store, const Values& v, bool minimised);

// Parsers shared with the tests: whole numbers and Booleans as the store holds them.
bool ParseNumber(const QString& text, double& out);
bool ParseBoolean(const QString& text, bool& out);

} // namespace settings
