// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The frame of the window: the client area the parts sit on and its layout, the menus, the
// main status bar, the settings, start-up and exit, and the commands of the window itself
// (About, the calculator). Every command runs through RunCommand, so no failure reaches the
// event loop.

#include "settings/Settings.h"

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QCloseEvent;
class QEvent;
class QFrame;
class QMainWindow;
class QMenu;
class QTimer;
class QWidget;

namespace app {

class ColumnSplitter;
class PanelBar;
class StatusPanel;
struct Parts;

// The panels of the main status bar that the lathe writes to.
enum class StatusKind { Message, Dialect, Unit };

class Frame : public QObject {
  public:
    Frame(QMainWindow& window, const Parts& parts);

    QWidget* Form() const { return Client; } // the client area; every part's widgets sit on it
    // Once every part has made its actions: the menus, the status bar, the commands.
    void Assemble();
    bool Load(const QString& commandLine);

    // --- For the other parts ---
    void RunCommand(const std::function<void()>& command);
    void Bind(QAction* action, std::function<void()> command); // triggered runs through RunCommand
    void ShowMessage(StatusKind kind, const QString& text);
    const QString& Message() const { return MessageText; } // what panel 1 was last given
    void SetPanelInset(const QString& key, bool inset);    // a switch's panel of the main bar
    void ShowMainBar(bool shown);
    QMenu* Menu(const char* name) const;
    settings::Values& Settings() { return Values; }
    void LayoutForm();
    void RefreshLocks();
    // Grows the window by the docks and bars beside the client area.
    void GrowByDocks();
    double TwipsPerPixel() const;
    int Px(double twips) const;
    // The view cannot be drawn at all: say so and close without writing the settings.
    void FailStartup(const QString& why);
    bool Ending() const { return CloseAfterRun || Exiting; }
    // The exit sequence has run and the window is closed for good.
    bool Exited() const { return Exiting; }
    // The calculator is looked for in this folder first (Zarvik's own by default).
    void SetCalculatorFolder(const QString& folder) { CalculatorFolder = folder; }

    // --- Commands ---
    void mnuExit_Click();
    void About_Click();
    void mnuEditCalculator_Click();
    void sbStatusBar_PanelClick(const QString& key);

    // --- The window's events ---
    void CloseRequested(QCloseEvent* event);
    void WindowStateChanged();

    // --- Inspection ---
    QStringList PanelKeys() const;
    QString PanelText(const QString& key) const;
    QString PanelToolTip(const QString& key) const;
    bool PanelInset(const QString& key) const;
    bool PanelDimmed(const QString& key) const; // a lock panel drawn as off
    ColumnSplitter* Splitter() const { return ColumnHandle; }
    double PaneWidening() const { return Values.PaneWidening; }
    bool MainBarShown() const;
    void ClickPanel(const QString& key); // a left click on the panel, as the operator gives it

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildStatusBar();
    void ExitSequence();
    void EndRunThenClose();
    void CaptureWindowPlacement();

    QMainWindow& Window;
    const Parts& P;
    QWidget* Client = nullptr;
    QFrame *Line1 = nullptr, *Line2 = nullptr;
    ColumnSplitter* ColumnHandle = nullptr; // between the left column and the trace
    double WideningRoom = 0;                // the most the pane may widen now (twips)
    PanelBar* sbStatusBar = nullptr;
    StatusPanel *CapsPanel = nullptr, *InsPanel = nullptr, *NumPanel = nullptr;
    StatusPanel *DatePanel = nullptr, *TimePanel = nullptr;
    settings::Values Values;
    QString MessageText; // panel 1 of the main bar: the lathe's message
    QString CalculatorFolder;
    bool OnKvzControl = false;
    QTimer* LockTimer = nullptr;
    bool StartupFailed = false;
    bool CloseAfterRun = false; // the window closes once the run in progress has ended
    bool Exiting = false;       // the exit sequence has run; the next close goes through
};

} // namespace app
