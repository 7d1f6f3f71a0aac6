#include "app/Actions.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace app {

namespace {

struct Maker {
    QObject* Owner;
    QAction* operator()(const char* name, const QString& caption, const QKeySequence& key = {},
                        bool checkable = false) const {
        auto* a = new QAction(caption, Owner);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setCheckable(checkable);
        // The toolbars show the icons; the menus keep plain captions and real check marks.
        a->setIconVisibleInMenu(false);
        return a;
    }
};

void CreateFileActions(Actions& a, const Maker& make) {
    a.mnuOpen = make("mnuOpen", "File select", QKeySequence("Ctrl+O"));
    a.mnuFileSave = make("mnuFileSave", "Save(&s)", QKeySequence("Ctrl+S"));
    a.mnuFileSaveAs = make("mnuFileSaveAs", "Save as(&A)...");
    a.mnuFilePrinterSetting = make("mnuFilePrinterSetting", "Print setup(&T)");
    a.mnuDrawPrint = make("mnuDrawPrint", "Print(&P)", QKeySequence("Ctrl+P"));
    for (int n = 0; n < 5; ++n) {
        const QByteArray name = "mnuFileRecentFile" + QByteArray::number(n + 1);
        a.mnuFileRecentFile[n] = make(name.constData(), QStringLiteral("RecentFile%1").arg(n + 1));
        a.mnuFileRecentFile[n]->setVisible(false);
    }
    a.mnuExit = make("mnuExit", "Exit(&X)");
}

void CreateEditActions(Actions& a, const Maker& make) {
    a.mnuEditUndo = make("mnuEditUndo", "Undo(&U)");
    a.mnuEditCut = make("mnuEditCut", "Cut(&T)", QKeySequence("Ctrl+X"));
    a.mnuEditCopy = make("mnuEditCopy", "Copy(&C)", QKeySequence("Ctrl+C"));
    a.mnuEditPaste = make("mnuEditPaste", "Paste(&P)", QKeySequence("Ctrl+V"));
    a.mnuEditAllSelect = make("mnuEditAllSelect", "All select(&A)", QKeySequence("Ctrl+A"));
    a.mnuEditFind = make("mnuEditFind", "Find(&F)");
    a.mnuEditNextFind = make("mnuEditNextFind", "Next find", QKeySequence("Ctrl+N"));
    a.mnuEditReplace = make("mnuEditReplace", "Replace(&R)");
    a.mnuEditCalculator = make("mnuEditCalculator", "Calculator");
    a.mnuEditFont = make("mnuEditFont", "Font setting", QKeySequence("Ctrl+F"));
}

void CreateRunActions(Actions& a, const Maker& make) {
    a.mnuStart = make("mnuStart", "Start", Qt::Key_F1);
    a.mnuStop = make("mnuStop", "Hold stop", Qt::Key_F2);
    a.mnuReset = make("mnuReset", "Reset", Qt::Key_F3);
    a.mnuRestart = make("mnuRestart", "Restart", Qt::Key_F4);
    a.mnuSingleBlock = make("mnuSingleBlock", "Single block", Qt::Key_F5, true);
    a.mnuBlockDelete = make("mnuBlockDelete", "Block delete", Qt::Key_F6, true);
    a.mnuOptionalStop = make("mnuOptionalStop", "Optional stop", Qt::Key_F7, true);
    a.mnuAutoStart = make("mnuAutoStart", "Auto start", {}, true);
}

void CreateViewActions(Actions& a, const Maker& make) {
    a.mnuClear = make("mnuClear", "Clear", Qt::Key_F9);
    a.mnuZoom = make("mnuZoom", "Zoom", QKeySequence("Ctrl+Z"), true);
    a.mnuZoomUndo = make("mnuZoomUndo", "Zoom undo");
    a.mnuStanderd = make("mnuStanderd", "Standerd", QKeySequence("Ctrl+F11"));
    a.ToolNumberDisplay = make("ToolNumberDisplay", "Tool display", {}, true);
    const QString names[2] = {"All tool Display", "Non Display"};
    for (int k = 0; k < 14; ++k) {
        const QString caption = k < 2 ? names[k] : QStringLiteral("T%1").arg(k - 1, 2, 10, QChar('0'));
        const QByteArray name = "PostionDisplayT" + QByteArray::number(k);
        a.PostionDisplayT[k] = make(name.constData(), caption, {}, true);
        const QString item = k == 0 ? "   All Tools" : k == 1 ? QString("   なし") : "   " + caption;
        a.PosDisplayItems[k] = make(("PosDisplayItem" + QByteArray::number(k + 1)).constData(), item);
    }
    a.PosDisplay = make("PosDisplay", "Postion display", {}, true);
    a.mnuBturretUper = make("mnuBturretUper", "B-Turret Uper Postion Display", {}, true);
    a.mnuTclear = make("mnuTclear", "Tool Clear", Qt::Key_F8, true);
    a.mnuColorChange = make("mnuColorChange", "Color Change", {}, true);
    a.mnuBackcolor = make("mnuBackcolor", "Back color change");
    a.mnuYajirusi = make("mnuYajirusi", "G00 ->", {}, true);
    a.mnuScreenPrint = make("mnuScreenPrint", "Screen copy");
    a.mnuFkey = make("mnuFkey", "Function key", {}, true);
}

void CreateOtherActions(Actions& a, const Maker& make) {
    a.mnuSoftLimit = make("mnuSoftLimit", "Soft Limit", QKeySequence("Ctrl+L"));
    a.mnuUnitSet = make("mnuUnitSet", "Unit set", QKeySequence("Ctrl+U"));
    a.mnuPointCheck = make("mnuPointCheck", "FANUC (point check)", {}, true);
    a.mnuVertical = make("mnuVertical", "Vertical", {}, true);
    a.mnuXmirror = make("mnuXmirror", "X-Axis Mirror", {}, true);
    a.mnuG2mirror = make("mnuG2mirror", "G02-G03 Mirror", {}, true);
    a.mnuXsnap = make("mnuXsnap", "X-Snap", {}, true);
    a.mnuZsnap = make("mnuZsnap", "Z-Snap", {}, true);
    a.About = make("About", "About Zarvik(&A)");
    a.PopUpPosition = make("PopUpPosition", "Position");
    a.PopupZoom = make("PopupZoom", "Zoom");
    a.PopupZoomUndo = make("PopupZoomUndo", "Zoom Undo");
    a.PopupStanderd = make("PopupStanderd", "Standerd");
    a.PopupMessage = make("PopupMessage", "Message");
    a.PopupStart = make("PopupStart", "Start");
}

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& title, const QList<QAction*>& items) {
    QMenu* m = bar->addMenu(title);
    m->setObjectName(QString::fromLatin1(name));
    for (QAction* a : items) {
        if (a)
            m->addAction(a);
        else
            m->addSeparator();
    }
    return m;
}

} // namespace

Actions CreateActions(QObject* owner) {
    Actions a{};
    const Maker make{owner};
    CreateFileActions(a, make);
    CreateEditActions(a, make);
    CreateRunActions(a, make);
    CreateViewActions(a, make);
    CreateOtherActions(a, make);
    return a;
}

Menus BuildMenus(QMenuBar* bar, const Actions& a) {
    Menus m{};
    QList<QAction*> file{a.mnuOpen,      a.mnuFileSave, a.mnuFileSaveAs, nullptr, a.mnuFilePrinterSetting,
                         a.mnuDrawPrint, nullptr};
    for (QAction* r : a.mnuFileRecentFile)
        file << r;
    file << nullptr << a.mnuExit;
    m.mnuFile = AddMenu(bar, "mnuFile", "File(&F)", file);
    m.mnuEdit = AddMenu(bar, "mnuEdit", "Edit(&E)",
                        {a.mnuEditUndo, nullptr, a.mnuEditCut, a.mnuEditCopy, a.mnuEditPaste,
                         a.mnuEditAllSelect, nullptr, a.mnuEditFind, a.mnuEditNextFind, a.mnuEditReplace,
                         nullptr, a.mnuEditCalculator, a.mnuEditFont});
    m.mnuOperation = AddMenu(bar, "mnuOperation", "Operation(&O)",
                             {a.mnuStart, a.mnuStop, a.mnuReset, a.mnuRestart, nullptr, a.mnuSingleBlock,
                              a.mnuBlockDelete, a.mnuOptionalStop, nullptr, a.mnuAutoStart});
    m.mnuView =
        AddMenu(bar, "mnuView", "View(&V)",
                {a.mnuClear, nullptr, a.mnuZoom, a.mnuZoomUndo, a.mnuStanderd, nullptr, a.ToolNumberDisplay});
    m.PostionDisplay = m.mnuView->addMenu("Postion Display");
    m.PostionDisplay->setObjectName("PostionDisplay");
    for (QAction* p : a.PostionDisplayT)
        m.PostionDisplay->addAction(p);
    for (QAction* v : {a.mnuBturretUper, a.mnuTclear, a.mnuColorChange, a.mnuBackcolor, a.mnuYajirusi})
        m.mnuView->addAction(v);
    m.mnuView->addSeparator();
    m.mnuView->addAction(a.mnuScreenPrint);
    m.mnuView->addAction(a.mnuFkey);
    m.mnuParameter = AddMenu(bar, "mnuParameter", "Parameter(&P)",
                             {a.mnuSoftLimit, a.mnuUnitSet, nullptr, a.mnuPointCheck, nullptr, a.mnuVertical,
                              a.mnuXmirror, a.mnuG2mirror});
    m.mnuSNAP = AddMenu(bar, "mnuSNAP", "Snap", {a.mnuXsnap, a.mnuZsnap});
    m.mnuHelp = AddMenu(bar, "mnuHelp", "Help(&H)", {a.About});
    m.Popup =
        AddMenu(bar, "Popup", "Popup", {a.PopUpPosition, a.PopupZoom, a.PopupZoomUndo, a.PopupStanderd});
    m.mnuMessage = AddMenu(bar, "mnuMessage", "Message", {a.PopupMessage, a.PopupStart});
    m.PosDisplayDropDown = new QMenu(bar);
    m.PosDisplayDropDown->setObjectName("PosDisplayDropDown");
    for (QAction* item : a.PosDisplayItems)
        m.PosDisplayDropDown->addAction(item);
    return m;
}

} // namespace app
