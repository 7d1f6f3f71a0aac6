#pragma once
// Every command of the window as one QAction, named after its menu control. Toolbar buttons,
// function-key panels and shortcuts all trigger these, so each command exists once.

#include <QList>

#include <array>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

namespace app {

struct Actions {
    // File
    QAction *mnuOpen, *mnuFileSave, *mnuFileSaveAs, *mnuFilePrinterSetting, *mnuDrawPrint, *mnuExit;
    std::array<QAction*, 5> mnuFileRecentFile;
    // Edit
    QAction *mnuEditUndo, *mnuEditCut, *mnuEditCopy, *mnuEditPaste, *mnuEditAllSelect;
    QAction *mnuEditFind, *mnuEditNextFind, *mnuEditReplace, *mnuEditCalculator, *mnuEditFont;
    // Operation
    QAction *mnuStart, *mnuStop, *mnuReset, *mnuRestart;
    QAction *mnuSingleBlock, *mnuBlockDelete, *mnuOptionalStop, *mnuAutoStart;
    // View
    QAction *mnuClear, *mnuZoom, *mnuZoomUndo, *mnuStanderd, *ToolNumberDisplay;
    std::array<QAction*, 14> PostionDisplayT;
    QAction *mnuBturretUper, *mnuTclear, *mnuColorChange, *mnuBackcolor, *mnuYajirusi;
    QAction *mnuScreenPrint, *mnuFkey;
    // Parameter
    QAction *mnuSoftLimit, *mnuUnitSet, *mnuPointCheck, *mnuVertical, *mnuXmirror, *mnuG2mirror;
    // Snap
    QAction *mnuXsnap, *mnuZsnap;
    // Help
    QAction* About;
    // The two context menus
    QAction *PopUpPosition, *PopupZoom, *PopupZoomUndo, *PopupStanderd;
    QAction *PopupMessage, *PopupStart;
    // Toolbar button "PosDisplay" (pressed while positions are shown) and its drop-down, whose
    // item k runs PostionDisplayT(k - 1).
    QAction* PosDisplay;
    std::array<QAction*, 14> PosDisplayItems;
};

struct Menus {
    QMenu *mnuFile, *mnuEdit, *mnuOperation, *mnuView, *PostionDisplay, *mnuParameter, *mnuSNAP, *mnuHelp;
    QMenu *Popup, *mnuMessage;
    QMenu* PosDisplayDropDown;
};

// Creates every action (captions, shortcuts, check marks' checkability), owned by `owner`.
Actions CreateActions(QObject* owner);
// Builds the menu bar from the actions; the two context menus are menu-bar items that are hidden.
Menus BuildMenus(QMenuBar* bar, const Actions& a);

} // namespace app
