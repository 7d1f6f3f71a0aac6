// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmCalc.h"

#include "HmiWindow.h"
#include "KeyPad.h"
#include "ZarvikVersion.h"

#include <QAction>
#include <QClipboard>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace calc {

namespace {

constexpr int FlashMs = 100;                            // press feedback
constexpr int LeftTwips = 4570;                         // the calculator's place on the shop-floor screen
constexpr int BottomTwips = 1000;                       // gap between the window and the bottom of the screen
constexpr int ReadoutLargest = 26, ReadoutSmallest = 6; // display font sizes, pixels

// Key codes of the calculator's keyboard map for the Qt keys that go down.
int KeyDownCode(int QtKey) {
    if (QtKey == Qt::Key_Shift) return KeyCode::Shift;
    if (QtKey == Qt::Key_Return || QtKey == Qt::Key_Enter) return KeyCode::Enter;
    if (QtKey >= Qt::Key_A && QtKey <= Qt::Key_Z) return QtKey; // upper-case letter codes
    return 0;
}

// The typed character of a key event; Escape and Backspace may come without text.
char32_t TypedCharacter(int QtKey, const QString& Text) {
    if (QtKey == Qt::Key_Escape) return KeyChar::Escape;
    if (QtKey == Qt::Key_Backspace) return KeyChar::Backspace;
    if (Text.size() != 1) return 0;
    return Text.front().unicode();
}

} // namespace

frmCalc::frmCalc(bool OnControl, QWidget* Parent) : QWidget(Parent), OnKvzControl(OnControl) {
    setObjectName(QStringLiteral("frmCalc"));
    setWindowTitle(QStringLiteral(" Calculator"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_StyledBackground);

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(10, 10, 10, 10);
    Layout->setSpacing(10);
    BuildDisplay();
    Layout->addWidget(Readout->parentWidget());
    Keys = new KeyPad(this);
    Layout->addWidget(Keys);
    connect(Keys, &KeyPad::Pressed, this, &frmCalc::Press);
    for (int I = 0; I < KeyCount; ++I)
        Keys->Button(static_cast<Key>(I))->installEventFilter(this);
    installEventFilter(this);

    // The calculator has no menu bar: its one command beyond the keys, About, is on the right
    // button and on F1, which no calculator key uses.
    auto* About = new QAction(QStringLiteral("About ZarvikCalculator"), this);
    About->setObjectName(QStringLiteral("mnuAbout"));
    About->setShortcut(Qt::Key_F1);
    addAction(About);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(About, &QAction::triggered, this, &frmCalc::ShowAbout);

    ApplyStyle();
    setFixedSize(sizeHint());
    Refresh();
}

QString frmCalc::AboutText() {
    return QStringLiteral("<p><b>ZarvikCalculator %1</b></p><p>The shop floor's pocket calculator, with "
                          "spindle speed, cutting speed, feed and machining time formulas.</p><p>%2</p>")
        .arg(QStringLiteral(ZARVIK_VERSION), QStringLiteral(ZARVIK_LICENCE_NOTICE).toHtmlEscaped());
}

void frmCalc::ShowAbout() {
    QMessageBox::about(this, QStringLiteral("About ZarvikCalculator"), AboutText());
}

void frmCalc::BuildDisplay() {
    auto* Lcd = new QWidget(this);
    Lcd->setObjectName(QStringLiteral("Lcd"));
    Lcd->setAttribute(Qt::WA_StyledBackground);
    auto* Grid = new QGridLayout(Lcd);
    Grid->setContentsMargins(8, 4, 8, 4);
    Grid->setVerticalSpacing(0);
    Label1 = new QLabel(Lcd);
    Label1->setObjectName(QStringLiteral("Label1"));
    LabelM = new QLabel(QStringLiteral("M"), Lcd);
    LabelM->setObjectName(QStringLiteral("LabelM"));
    Readout = new QLabel(QStringLiteral("0."), Lcd);
    Readout->setObjectName(QStringLiteral("Readout"));
    Readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The display's width comes from the window, never from the length of its text.
    Readout->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Grid->addWidget(Label1, 0, 0, Qt::AlignLeft);
    Grid->addWidget(LabelM, 0, 1, Qt::AlignRight);
    Grid->addWidget(Readout, 1, 0, 1, 2);
    Grid->setRowMinimumHeight(0, 18);
    Lcd->setMinimumHeight(64);
}

void frmCalc::ApplyStyle() {
    // Latched and flashed keys take the system's button-shadow colour.
    QString Shadow = palette().color(QPalette::Dark).name();
    setStyleSheet(QStringLiteral(R"(
        #frmCalc { background: #3a3f47; }
        #Lcd { background: #ffffff; border: 2px solid #1d2127; border-radius: 5px; }
        #Label1 { background: #ffffff; color: #1f3f77; font-size: 11px; }
        #LabelM { color: #a02020; font-size: 11px; font-weight: bold; }
        #Readout { color: #111111; font-size: %2px; font-weight: bold; }
        QPushButton { border: 1px solid #1d2127; border-radius: 5px; font-size: 13px; color: #111111; }
        QPushButton[kind="digit"] { background: #f4f4f0; font-size: 16px; font-weight: bold; }
        QPushButton[kind="operator"] { background: #d5dce6; font-size: 16px; font-weight: bold; }
        QPushButton[kind="equals"] { background: #8fb3de; font-size: 18px; font-weight: bold; }
        QPushButton[kind="function"] { background: #c7cad0; }
        QPushButton[kind="memory"] { background: #c7cad0; }
        QPushButton[kind="machining"] { background: #b6d3bd; font-weight: bold; }
        QPushButton[kind="clear"] { background: #e9ae86; font-size: 15px; font-weight: bold; }
        QPushButton:focus { border: 2px solid #f0c040; }
        QPushButton[down="true"] { background: %1; }
    )")
                      .arg(Shadow)
                      .arg(ReadoutLargest));
}

QString frmCalc::ReadoutText() const {
    return Readout->text();
}
QString frmCalc::PromptText() const {
    return Label1->isVisible() ? Label1->text() : QString();
}
bool frmCalc::MemoryIndicatorShown() const {
    return !LabelM->isHidden();
}

void frmCalc::Press(Key Which) {
    Calc.Press(Which);
    Refresh();
}

void frmCalc::Refresh() {
    Readout->setText(QString::fromStdString(Calc.Readout()));
    FitReadout();
    Label1->setText(QString::fromStdString(Calc.Label1Caption()));
    Label1->setFixedWidth(Twips(Calc.Label1Width()));
    Label1->setVisible(Calc.Label1Visible());
    LabelM->setVisible(Calc.LabelMVisible());
    for (int I = 0; I < KeyCount; ++I)
        Keys->SetDown(static_cast<Key>(I), Calc.KeyLatched(static_cast<Key>(I)));
    for (Key Flashed : Calc.TakeFlashes()) {
        Keys->SetDown(Flashed, true);
        QTimer::singleShot(FlashMs, this,
                           [this, Flashed] { Keys->SetDown(Flashed, Calc.KeyLatched(Flashed)); });
    }
    if (auto Text = Calc.TakeClipboard()) {
        QClipboard* Clipboard = QGuiApplication::clipboard();
        if (Text->empty()) {
            Clipboard->clear();
        } else {
            Clipboard->setText(QString::fromStdString(*Text));
        }
    }
    // Enter and the space bar then always mean "=".
    Keys->Button(Key::Equals)->setFocus(Qt::OtherFocusReason);
}

void frmCalc::FitReadout() {
    const int Room = Readout->contentsRect().width();
    if (Room <= 0) return; // not laid out yet; done again when shown
    QFont Font = Readout->font();
    int Pixels = ReadoutLargest;
    for (; Pixels > ReadoutSmallest; --Pixels) {
        Font.setPixelSize(Pixels);
        if (QFontMetrics(Font).horizontalAdvance(Readout->text()) <= Room) break;
    }
    // NOTE: beyond the smallest size the text is aligned left, so that the digits lost are the
    // last ones, never the leading ones.
    Font.setPixelSize(Pixels);
    const bool Fits = QFontMetrics(Font).horizontalAdvance(Readout->text()) <= Room;
    Readout->setAlignment((Fits ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (Pixels == ReadoutPixels) return;
    ReadoutPixels = Pixels;
    // The display's own rule wins over the window's style sheet.
    Readout->setStyleSheet(QStringLiteral("font-size: %1px;").arg(Pixels));
}

bool frmCalc::HandleKey(int QtKey, const QString& Text, bool AutoRepeat) {
    // A held Shift repeats; the shift toggle must flip once per press.
    if (QtKey == Qt::Key_Shift && AutoRepeat) return true;
    // Like the old control panel keyboard: the key going down first, then the character it types.
    bool Handled = Calc.KeyDown(KeyDownCode(QtKey));
    if (char32_t Character = TypedCharacter(QtKey, Text)) Handled = Calc.KeyPress(Character) || Handled;
    if (Handled) Refresh();
    return Handled;
}

bool frmCalc::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::KeyPress) {
        auto* Key = static_cast<QKeyEvent*>(Event);
        if (Key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
        return HandleKey(Key->key(), Key->text(), Key->isAutoRepeat());
    }
    return QWidget::eventFilter(Watched, Event);
}

void frmCalc::TypeCharacter(QChar Character) {
    if (Character == QLatin1Char('\n')) {
        HandleKey(Qt::Key_Return, QStringLiteral("\r"), false);
    } else if (Character == QChar(0x1b)) {
        HandleKey(Qt::Key_Escape, QString(Character), false);
    } else if (Character == QLatin1Char('\b')) {
        HandleKey(Qt::Key_Backspace, QString(Character), false);
    } else if (Character.isLetter()) {
        HandleKey(Qt::Key_A + (Character.toUpper().unicode() - 'A'), QString(Character.toLower()), false);
    } else {
        HandleKey(0, QString(Character), false);
    }
}

void frmCalc::changeEvent(QEvent* Event) {
    QWidget::changeEvent(Event);
    // Coming back to the calculator always starts from a cleared display; the memory stays.
    if (Event->type() == QEvent::ActivationChange && isActiveWindow()) {
        raise();
        Calc.Form_Activate();
        Refresh();
    }
}

void frmCalc::BringToFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void frmCalc::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    if (!Placed) {
        Placed = true;
        PlaceOnScreen();
    }
    FitReadout();
}

void frmCalc::closeEvent(QCloseEvent* Event) {
    if (OnKvzControl) ActivateHmi();
    QWidget::closeEvent(Event);
}

void frmCalc::PlaceOnScreen() {
    QScreen* Screen = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!Screen) return;
    int FrameHeight = std::max(frameGeometry().height(), height());
    move(Twips(LeftTwips), Screen->geometry().height() - FrameHeight - Twips(BottomTwips));
}

int frmCalc::Twips(int Value) const {
    QScreen* Screen = screen() ? screen() : QGuiApplication::primaryScreen();
    double Dpi = Screen ? Screen->logicalDotsPerInch() : 96.0;
    return qRound(Value * Dpi / 1440.0);
}

} // namespace calc
