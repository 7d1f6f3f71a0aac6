#pragma once
// The machine-state display of the left column: caption labels in bold, value labels showing
// their design texts until the first block is displayed, and the program file's name.

#include <QString>

#include <array>
#include <functional>

class QFont;
class QLabel;
class QWidget;

namespace motion {
struct DisplayTexts;
}

namespace app {

struct StateLabels {
    QLabel *ONumber = nullptr, *BlockNumber = nullptr, *Block = nullptr;
    QLabel *XA = nullptr, *ZA = nullptr, *CAlabel = nullptr;
    QLabel *ToolNumber = nullptr, *SpindleSpeed = nullptr, *Vspeed = nullptr, *FEED = nullptr;
    std::array<QLabel*, 5> Gcode{};
    std::array<QLabel*, 4> Mcode{};
    QLabel *Hour = nullptr, *Min = nullptr, *Sec = nullptr;
    QLabel* LabelFileName = nullptr;
    // Caption labels of Mcode(2) and Mcode(3), shown with them.
    QLabel *Label2_7 = nullptr, *Label2_8 = nullptr;

    // Creates the labels as children of `form`, positioned by `px` (twips to pixels).
    void Build(QWidget* form, const std::function<int(double)>& px);
    void Show(const motion::DisplayTexts& t);
};

// The fixed-pitch Japanese face of the labels, or the nearest installed one.
QFont StateFont(double points, bool proportional);

} // namespace app
