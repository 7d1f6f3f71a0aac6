// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CalcEngine.h"

#include <QWidget>

class QLabel;
class QKeyEvent;

namespace calc {

class KeyPad;

// The calculator window. It mirrors the engine after every key: display, prompt line, memory
// indicator, latched keys, press feedback and the clipboard.
class frmCalc : public QWidget {
    Q_OBJECT

  public:
    // OnControl: the calculator runs on the PC of a control, whose operator window comes back to
    // the front when the calculator closes.
    explicit frmCalc(bool OnControl, QWidget* Parent = nullptr);

    const CalcEngine& Engine() const { return Calc; }
    QString ReadoutText() const;
    QString PromptText() const;
    bool MemoryIndicatorShown() const;
    // Types one character the way the keyboard would: letters go down as keys, Enter as '\n',
    // Escape as '\x1b', Backspace as '\b', the rest as typed characters.
    void TypeCharacter(QChar Character);
    // Brings the window to the front, as a second start of the calculator asks.
    void BringToFront();
    // What About ZarvikCalculator says: name, version, purpose and licence (rich text).
    static QString AboutText();

  protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

  private:
    void BuildDisplay();
    void ApplyStyle();
    void Press(Key Which);
    bool HandleKey(int QtKey, const QString& Text, bool AutoRepeat);
    void Refresh();
    // Shrinks the display's font until the whole text fits: long results keep their leading digits.
    void FitReadout();
    void PlaceOnScreen();
    void ShowAbout();
    int Twips(int Value) const;
    int ReadoutPixels = 0; // font size of the display set last (0: the style's own)

    CalcEngine Calc;
    bool OnKvzControl = false;
    bool Placed = false;
    QLabel* Readout = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* LabelM = nullptr;
    KeyPad* Keys = nullptr;
};

} // namespace calc
