// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine-state display of the left column: caption labels in bold, value labels showing
// their design texts until the first block is displayed, and the program file's name.

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QFont;
class QLabel;
class QWidget;

namespace motion {
struct DisplayTexts;
}

namespace app {

class StateLabels {
  public:
    // Creates the labels as children of `form`, positioned by `px` (twips to pixels). Every value
    // label is as wide as its widest value (block counts to 99,999,999, cutting times to
    // 9999:59:59, coordinates from -99999.999 to 99999.999, speeds and feeds to 99999); where a
    // row would then not fit the column, the display's font is made smaller until all rows fit.
    void Build(QWidget* form, const std::function<int(double)>& px);
    double FontPoints() const { return Points; } // the size Build chose for the value labels

    // What the lathe shows: the whole display, the block count alone during a run, the
    // position during a cycle (a null text leaves its label as it is).
    void Show(const motion::DisplayTexts& t);
    void ShowBlockCount(int32_t count);
    void ShowCyclePosition(const std::string* xa, const std::string* za);
    // The program file's name, as the document names it.
    void ShowFileName(const QString& name);

  private:
    QLabel *ONumber = nullptr, *BlockNumber = nullptr, *Block = nullptr;
    QLabel *XA = nullptr, *ZA = nullptr, *CAlabel = nullptr;
    QLabel *ToolNumber = nullptr, *SpindleSpeed = nullptr, *Vspeed = nullptr, *FEED = nullptr;
    std::array<QLabel*, 5> Gcode{};
    std::array<QLabel*, 4> Mcode{};
    QLabel *Hour = nullptr, *Min = nullptr, *Sec = nullptr;
    QLabel* LabelFileName = nullptr;
    // Caption labels of Mcode(2) and Mcode(3), shown with them.
    QLabel *Label2_7 = nullptr, *Label2_8 = nullptr;
    double Points = 14.25;
};

// The fixed-pitch Japanese face of the labels, or the nearest installed one.
QFont StateFont(double points, bool proportional);

// One label of a row of the display, in twips: where the design puts it and how wide its widest
// text needs it.
struct RowCell {
    double DesignLeft = 0, Width = 0;
};
// The lefts of a row's labels, left to right: each at its design left, or further right when the
// label before it would reach into it, so that a wide value never runs into the next caption;
// then, where the row would reach past `right`, pulled back left as far as needed.
std::vector<double> PlaceRow(const std::vector<RowCell>& cells, double gap, double right);
// True when the row so placed keeps its first label at its design left: it fits.
bool RowFits(const std::vector<RowCell>& cells, double gap, double right);

} // namespace app
