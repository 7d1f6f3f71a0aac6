#include "app/StateLabels.h"

#include "motion/Display.h"

#include <QFontDatabase>
#include <QLabel>

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

void StateLabels::Build(QWidget* form, const std::function<int(double)>& px) {
    const QFont valueFont = StateFont(14.25, false);
    QFont captionFont = valueFont;
    captionFont.setBold(true);
    const int height = std::max(px(RowHeight), QFontMetrics(valueFont).height());

    auto caption = [&](const QString& text, double left, double top, double width = 180) {
        auto* l = new QLabel(text, form);
        l->setFont(captionFont);
        l->setGeometry(px(left), px(top),
                       std::max(px(width), QFontMetrics(captionFont).horizontalAdvance(text) + 2), height);
        return l;
    };
    auto value = [&](const char* name, Place p, const QString& design, const char* tip = nullptr) {
        auto* l = new QLabel(design, form);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(valueFont);
        l->setGeometry(px(p.Left), px(p.Top), px(p.Width), height);
        l->setTextFormat(Qt::PlainText);
        if (tip) l->setToolTip(QString::fromUtf8(tip));
        return l;
    };

    caption("O", 120, 600), caption("N", 1680, 600), caption("BC", 3240, 600, 400);
    ONumber = value("ONumber", {300, 600, 615}, "0000", TipProgramNumber);
    BlockNumber = value("BlockNumber", {1860, 600, 855}, "", TipSequenceNumber);
    Block = value("Block", {3660, 600, 855}, "0", TipBlockCount);

    caption("X", 120, 960), caption("Z", 1680, 960), caption("C", 3240, 960);
    XA = value("XA", {300, 960, 1215}, "0000.000");
    ZA = value("ZA", {1860, 960, 1215}, "0000.000");
    CAlabel = value("CAlabel", {3420, 960, 1095}, "000.000");

    caption("T", 120, 1320), caption("S", 1200, 1320), caption("V", 2160, 1320), caption("F", 3240, 1320);
    ToolNumber = value("ToolNumber", {300, 1320, 735}, "000000", TipToolNumber);
    SpindleSpeed = value("SpindleSpeed", {1380, 1320, 615}, "0000", TipSpindleSpeed);
    Vspeed = value("Vspeed", {2340, 1320, 615}, "0000", TipSurfaceSpeed);
    FEED = value("FEED", {3420, 1320, 1095}, "000.000", TipFeed);

    const double gCaptions[5] = {120, 1140, 2100, 3000, 3720}, gValues[5] = {300, 1320, 2280, 3180, 3900};
    const char* gDesign[5] = {"000", "90", "95", "97", "40"};
    for (int i = 0; i < 5; ++i) {
        caption("G", gCaptions[i], 1680);
        Gcode[i] = value(QByteArray("Gcode" + QByteArray::number(i)).constData(), {gValues[i], 1680, 540},
                         gDesign[i]);
    }
    const double mCaptions[4] = {120, 1140, 2100, 3000}, mValues[4] = {300, 1320, 2280, 3180};
    const char* mDesign[4] = {"5", "9", "00", "00"};
    for (int i = 0; i < 4; ++i) {
        QLabel* c = caption("M", mCaptions[i], 2040);
        Mcode[i] = value(QByteArray("Mcode" + QByteArray::number(i)).constData(), {mValues[i], 2040, 600},
                         mDesign[i]);
        if (i == 2) Label2_7 = c, c->setObjectName("Label2_7");
        if (i == 3) Label2_8 = c, c->setObjectName("Label2_8");
    }

    QLabel* time = caption("Cutting Time", 120, 2460, 1455);
    QFont timeFont = captionFont;
    timeFont.setPointSizeF(12);
    time->setFont(timeFont);
    Hour = value("Hour", {1800, 2460, 375}, "00");
    caption("：", 2175, 2460, 210)->setFont(valueFont);
    Min = value("Min", {2385, 2460, 375}, "00");
    caption("：", 2700, 2460, 180)->setFont(valueFont);
    Sec = value("Sec", {2880, 2460, 375}, "00");

    LabelFileName = value("LabelFileName", {120, 3360, 3135}, "Untitled");
    LabelFileName->setFont(StateFont(11.25, true));
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

} // namespace app
