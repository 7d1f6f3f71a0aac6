// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StateLabels.h"

#include "motion/Display.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>

#include <algorithm>
#include <cmath>

namespace app {

namespace {

constexpr double RowHeight = 255; // twips

struct Place {
    double Left, Top, Width;
};

// Japanese names of what the value labels hold, as their tool tips say.
const char* const TipProgramNumber = "プログラム番号";
const char* const TipSequenceNumber = "シーケンス番号";
const char* const TipBlockCount = "ブロック数";
const char* const TipSurfaceSpeed = "周速";
const char* const TipFeed = "送り速度";
const char* const TipToolNumber = "工具番号";
const char* const TipSpindleSpeed = "主軸回転数";

} // namespace

QFont StateFont(double points, bool proportional) {
    const QStringList wanted =
        proportional ? QStringList{"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "Noto Sans CJK JP"}
                     : QStringList{"ＭＳ ゴシック", "MS Gothic", "IPAGothic", "Noto Sans Mono CJK JP"};
    const QStringList installed = QFontDatabase::families();
    QFont font;
    font.setStyleHint(proportional ? QFont::SansSerif : QFont::Monospace);
    font.setFamily(proportional ? "Sans Serif" : "Monospace");
    for (const QString& name : wanted) {
        if (installed.contains(name)) {
            font.setFamily(name);
            break;
        }
    }
    font.setPointSizeF(points);
    return font;
}

std::vector<double> PlaceRow(const std::vector<RowCell>& cells, double gap, double right) {
    std::vector<double> lefts(cells.size());
    double reach = -1e300;
    for (size_t k = 0; k < cells.size(); ++k) {
        lefts[k] = std::max(cells[k].DesignLeft, reach + gap);
        reach = lefts[k] + cells[k].Width;
    }
    double limit = right + gap;
    for (size_t k = cells.size(); k-- > 0;) {
        lefts[k] = std::min(lefts[k], limit - gap - cells[k].Width);
        limit = lefts[k];
    }
    return lefts;
}

bool RowFits(const std::vector<RowCell>& cells, double gap, double right) {
    if (cells.empty()) return true;
    return PlaceRow(cells, gap, right).front() >= cells.front().DesignLeft - 1e-6;
}

namespace {

// The column left of the trace: the program pane's right edge.
constexpr double ColumnRight = 4455;
constexpr double CellGap = 0; // the design puts each value right after its caption
constexpr double DesignPoints = 14.25, LeastPoints = 8;

enum class Face { Caption, Value, TimeCaption, FileName };

// A label of the display: its design place and the widest text it must show whole.
struct Cell {
    Face Kind;
    QString Text;     // what it shows first
    const char* Name; // object name of a value label, null for captions
    double Left, Top, Width;
    QString Widest; // empty: the design text
    const char* Tip = nullptr;
    QLabel** Out = nullptr;
    QLabel* Made = nullptr;
};

} // namespace

void StateLabels::Build(QWidget* form, const std::function<int(double)>& px) {
    const double tpp = 14400.0 / std::max(1, px(14400)); // twips per pixel
    std::vector<Cell> cells;
    auto caption = [&](const QString& text, double left, double top, double width = 180) {
        cells.push_back({Face::Caption, text, nullptr, left, top, width, {}});
    };
    auto value = [&](QLabel** out, const char* name, Place p, const QString& design,
                     const QString& widest = {}, const char* tip = nullptr) {
        cells.push_back({Face::Value, design, name, p.Left, p.Top, p.Width, widest, tip, out});
    };
    const QString coordinate = "-99999.999";
    caption("O", 120, 600), caption("N", 1680, 600), caption("BC", 3240, 600, 400);
    value(&ONumber, "ONumber", {300, 600, 615}, "0000", {}, TipProgramNumber);
    value(&BlockNumber, "BlockNumber", {1860, 600, 855}, "", "99999", TipSequenceNumber);
    value(&Block, "Block", {3660, 600, 855}, "0", "99999999", TipBlockCount);

    caption("X", 120, 960), caption("Z", 1680, 960), caption("C", 3240, 960);
    value(&XA, "XA", {300, 960, 1215}, "0000.000", coordinate);
    value(&ZA, "ZA", {1860, 960, 1215}, "0000.000", coordinate);
    value(&CAlabel, "CAlabel", {3420, 960, 1095}, "000.000", coordinate);

    caption("T", 120, 1320), caption("S", 1200, 1320), caption("V", 2160, 1320), caption("F", 3240, 1320);
    value(&ToolNumber, "ToolNumber", {300, 1320, 735}, "000000", {}, TipToolNumber);
    value(&SpindleSpeed, "SpindleSpeed", {1380, 1320, 615}, "0000", "99999", TipSpindleSpeed);
    value(&Vspeed, "Vspeed", {2340, 1320, 615}, "0000", "99999", TipSurfaceSpeed);
    value(&FEED, "FEED", {3420, 1320, 1095}, "000.000", "99999.000", TipFeed);

    const double gCaptions[5] = {120, 1140, 2100, 3000, 3720}, gValues[5] = {300, 1320, 2280, 3180, 3900};
    const char* gDesign[5] = {"000", "90", "95", "97", "40"};
    static const char* const gNames[5] = {"Gcode0", "Gcode1", "Gcode2", "Gcode3", "Gcode4"};
    for (int i = 0; i < 5; ++i) {
        caption("G", gCaptions[i], 1680);
        value(&Gcode[i], gNames[i], {gValues[i], 1680, 540}, gDesign[i]);
    }
    const double mCaptions[4] = {120, 1140, 2100, 3000}, mValues[4] = {300, 1320, 2280, 3180};
    const char* mDesign[4] = {"5", "9", "00", "00"};
    static const char* const mNames[4] = {"Mcode0", "Mcode1", "Mcode2", "Mcode3"};
    for (int i = 0; i < 4; ++i) {
        caption("M", mCaptions[i], 2040);
        value(&Mcode[i], mNames[i], {mValues[i], 2040, 600}, mDesign[i]);
    }
    const size_t label2_7 = cells.size() - 4, label2_8 = cells.size() - 2;

    cells.push_back({Face::TimeCaption, "Cutting Time", nullptr, 120, 2460, 1455, {}});
    value(&Hour, "Hour", {1800, 2460, 375}, "00", "9999");
    cells.push_back({Face::Value, "：", nullptr, 2175, 2460, 210, {}});
    value(&Min, "Min", {2385, 2460, 375}, "00", "59");
    cells.push_back({Face::Value, "：", nullptr, 2700, 2460, 180, {}});
    value(&Sec, "Sec", {2880, 2460, 375}, "00", "60");
    value(&LabelFileName, "LabelFileName", {120, 3360, 3135}, "Untitled");
    cells.back().Kind = Face::FileName;

    // The largest size, from the design's down, at which every row fits the column.
    auto fontOf = [](Face kind, double points) {
        const double scale = points / DesignPoints;
        QFont f = kind == Face::FileName ? StateFont(11.25, true) : StateFont(points, false);
        if (kind == Face::Caption || kind == Face::TimeCaption) f.setBold(true);
        if (kind == Face::TimeCaption) f.setPointSizeF(12 * scale);
        return f;
    };
    // The width a label's widest text needs, two pixels spare for the label's own margins.
    auto neededOf = [&](const Cell& c, double points) {
        const QFontMetricsF fm(fontOf(c.Kind, points));
        return (fm.horizontalAdvance(c.Widest.isEmpty() ? c.Text : c.Widest) + 2) * tpp;
    };
    auto rowsOf = [&](double points) {
        std::vector<std::vector<RowCell>> rows;
        std::vector<std::vector<size_t>> members;
        for (size_t i = 0; i < cells.size(); ++i) {
            size_t r = 0;
            while (r < rows.size() && cells[members[r].front()].Top != cells[i].Top)
                ++r;
            if (r == rows.size()) rows.emplace_back(), members.emplace_back();
            members[r].push_back(i);
        }
        // Left to right, as the row is read.
        for (size_t r = 0; r < rows.size(); ++r) {
            std::stable_sort(members[r].begin(), members[r].end(),
                             [&](size_t a, size_t b) { return cells[a].Left < cells[b].Left; });
            for (size_t i : members[r])
                rows[r].push_back({cells[i].Left, neededOf(cells[i], points)});
        }
        return std::make_pair(rows, members);
    };
    auto fitsAt = [&](double points) {
        for (const auto& row : rowsOf(points).first)
            if (!RowFits(row, CellGap, ColumnRight)) return false;
        return true;
    };
    double points = DesignPoints;
    while (points > LeastPoints && !fitsAt(points))
        points -= 0.25;
    Points = points;

    const auto [rows, members] = rowsOf(points);
    const int height =
        std::max(px(RowHeight), int(std::ceil(QFontMetricsF(fontOf(Face::Value, points)).height())));
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::vector<double> lefts = PlaceRow(rows[r], CellGap, ColumnRight);
        for (size_t k = 0; k < members[r].size(); ++k) {
            Cell& c = cells[members[r][k]];
            // As wide as the design says where the next label leaves room, never narrower than
            // its widest text.
            const double next = k + 1 < lefts.size() ? lefts[k + 1] : ColumnRight;
            const double width = std::max(rows[r][k].Width, std::min(c.Width, next - lefts[k]));
            auto* l = new QLabel(c.Text, form);
            l->setFont(fontOf(c.Kind, points));
            l->setGeometry(px(lefts[k]), px(c.Top), std::max(1, px(width)), height);
            if (c.Name) l->setObjectName(QString::fromLatin1(c.Name));
            if (c.Kind == Face::Value || c.Kind == Face::FileName) l->setTextFormat(Qt::PlainText);
            if (c.Tip) l->setToolTip(QString::fromUtf8(c.Tip));
            if (c.Out) *c.Out = l;
            c.Made = l;
        }
    }
    // The hours stand against their colon however many digits they have.
    Hour->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2_7 = cells[label2_7].Made;
    Label2_8 = cells[label2_8].Made;
    Label2_7->setObjectName("Label2_7");
    Label2_8->setObjectName("Label2_8");
}

void StateLabels::Show(const motion::DisplayTexts& t) {
    auto set = [](QLabel* l, const std::string& s) {
        const QString text = QString::fromStdString(s);
        if (l->text() != text) l->setText(text);
    };
    set(XA, t.XA), set(ZA, t.ZA), set(CAlabel, t.CAlabel), set(FEED, t.FEED), set(ToolNumber, t.ToolNumber);
    for (int i = 0; i < 5; ++i)
        set(Gcode[i], t.Gcode[i]);
    for (int i = 0; i < 4; ++i)
        set(Mcode[i], t.Mcode[i]);
    Mcode[2]->setVisible(t.MOtherVisible);
    Label2_7->setVisible(t.MOtherVisible);
    Mcode[3]->setVisible(t.StopCodeVisible);
    Label2_8->setVisible(t.StopCodeVisible);
    set(ONumber, t.ONumber), set(BlockNumber, t.BlockNumber), set(Block, t.Block);
    set(Hour, t.Hour), set(Min, t.Min), set(Sec, t.Sec);
    set(SpindleSpeed, t.SpindleSpeed), set(Vspeed, t.Vspeed);
}

void StateLabels::ShowBlockCount(int32_t count) {
    Block->setText(QString::number(count));
}

void StateLabels::ShowCyclePosition(const std::string* xa, const std::string* za) {
    if (xa) XA->setText(QString::fromStdString(*xa));
    if (za) ZA->setText(QString::fromStdString(*za));
}

void StateLabels::ShowFileName(const QString& name) {
    LabelFileName->setText(name);
}

} // namespace app
