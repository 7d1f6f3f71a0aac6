// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator panel: the commands of the command table on both toolbars and the function-key
// bar, the switches' indicators, the run-speed slider and the machine-state labels. The lathe it
// drives is the window's model (`Lathe`).

#include "app/StateLabels.h"
#include "base/Host.h"

#include <QHash>
#include <QObject>
#include <QRect>
#include <QStringList>

class QEvent;
class QMenu;
class QSlider;
class QToolBar;
class QToolButton;

namespace app {

class PanelBar;
struct Parts;

class RunPanel : public QObject {
  public:
    RunPanel(QWidget* form, const Parts& parts);
    ~RunPanel() override;
    // Creates the table's actions and the widgets they show on.
    void Build();
    void Connect();

    StateLabels& Labels() { return StateLabel; }

    // Check marks, pressed buttons and sunken panels from the machine state: the one place.
    void SyncSwitches();
    void ShowPressed(interp::Command command, bool pressed);
    void ShowFkeyMessage(const QString& text);
    void ShowRunSpeed(int speed);                      // the slider, without a new speed for the lathe
    void SetDropDown(const QString& key, QMenu* menu); // the button's drop-down arrow
    void Place(const QRect& toolbar1, const QRect& toolbar2, const QRect& slider, const QRect& fkeyBar);

    // --- Commands ---
    void Toolbar1_ButtonClick(const QString& key);
    void StatusBarF_PanelClick(const QString& key);
    void mnuUnitSet_Click();

    // --- Inspection ---
    QStringList ButtonKeys(int bar) const; // in order, separators left out
    int ToolbarEntries(int bar) const;     // buttons and separators
    bool ButtonDown(const QString& key) const;
    bool ButtonChecked(const QString& key) const;
    QString ButtonToolTip(const QString& key) const;
    bool ButtonHasIcon(const QString& key) const;
    void ClickButton(const QString& key);
    QStringList FkeyPanelKeys() const; // in order, the message panel first
    QString FkeyPanelText(const QString& key) const;
    QString FkeyPanelShownText(const QString& key) const; // as the panel's width lets it show
    QString FkeyPanelToolTip(const QString& key) const;   // once the panel has painted itself
    QRect FkeyPanelGeometry(const QString& key) const;    // in the bar
    QRect FkeyBarRect() const;
    bool FkeyPanelInset(const QString& key) const;
    int FkeyPanelCount() const;
    bool FkeyBarShown() const;
    void ClickFkeyPanel(const QString& key);
    int SliderValue() const;
    void SetSlider(int value);                       // as the operator moves it
    QSlider* SliderWidget() const { return Slider; } // for mouse clicks on it

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildToolbars();
    void BuildFkeyBar();

    const Parts& P;
    QWidget* Form;
    QToolBar *Toolbar1 = nullptr, *Toolbar2 = nullptr;
    QHash<QString, QToolButton*> Buttons; // toolbar buttons by key
    PanelBar* StatusBarF = nullptr;
    QSlider* Slider = nullptr;
    StateLabels StateLabel;
};

} // namespace app
