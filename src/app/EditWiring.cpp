// The Edit menu and Toolbar2 on the program pane (undo, clipboard, find and replace, font), the
// calculator, and the File and View commands that print or copy the tool-path view.

#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "editor/EditorCommands.h"
#include "platform/CalculatorLink.h"
#include "print/Printing.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPrinter>

namespace app {

void MainWindow::ConnectEditCommands() {
    auto command = [this](QAction* a, auto&& body) {
        connect(a, &QAction::triggered, this, [this, body] { RunCommand(body); });
    };
    command(A.mnuEditUndo, [this] {
        // An undo changes the text like any other edit, even back to the text of the file: the
        // closing prompt asks about it all the same.
        const bool undoes = Program->document()->isUndoAvailable();
        editor::Undo(Program);
        if (undoes) Program->document()->setModified(true);
    });
    command(A.mnuEditCut, [this] { editor::Cut(Program); });
    command(A.mnuEditCopy, [this] { editor::Copy(Program); });
    command(A.mnuEditPaste, [this] { editor::Paste(Program); });
    command(A.mnuEditAllSelect, [this] { editor::AllSelect(Program); });
    command(A.mnuEditFind,
            [this] { editor::Find(this, Program, Search, editor::DialogPosition(this, Trace1, Program)); });
    command(A.mnuEditNextFind, [this] { editor::NextFind(this, Program, Search); });
    command(A.mnuEditReplace, [this] {
        editor::Replace(this, Program, Search, editor::DialogPosition(this, Trace1, Program));
    });
    command(A.mnuEditFont, [this] {
        if (const auto f =
                editor::FontSetting(this, Program, Settings.ProgramFontName, Settings.ProgramFontSize)) {
            Settings.ProgramFontName = f->Name;
            Settings.ProgramFontSize = f->Size;
        }
    });
    command(A.mnuEditCalculator, [this] { mnuEditCalculator_Click(); });
    // A right-button press on the pane shows the Edit menu instead of the pane's own.
    editor::InstallEditContextMenu(Program, Mn.mnuEdit);
}

void MainWindow::ConnectPrintCommands() {
    Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    auto command = [this](QAction* a, auto&& body) {
        connect(a, &QAction::triggered, this, [this, body] { RunCommand(body); });
    };
    command(A.mnuFilePrinterSetting, [this] {
        Settings.PrinterOrientation = print::PrintSetup(this, *Printer, Settings.PrinterOrientation);
    });
    command(A.mnuDrawPrint, [this] { mnuDrawPrint_Click(); });
    command(A.mnuScreenPrint,
            [this] { print::ScreenCopy(ViewForPrint(), Labels.LabelFileName->text(), M->S.ToolColor); });
}

void MainWindow::ApplyProgramFont() {
    if (!Settings.ProgramFontName.isEmpty())
        editor::ApplyProgramFont(Program, Settings.ProgramFontName, Settings.ProgramFontSize);
    else
        Program->setFont(editor::DesignProgramFont());
}

print::ViewImages MainWindow::ViewForPrint() {
    // Pixels as the widgets stand on the screen.
    return {TraceImage.WindowPixels(),
            XscaleImage.WindowPixels(),
            ZscaleImage.WindowPixels(),
            {Trace1->width(), Trace1->height(), Trace->x(), Trace->y()}};
}

void MainWindow::mnuDrawPrint_Click() {
    print::PrintRequest r;
    r.FileName = Labels.LabelFileName->text();
    r.ScaleWidth = TraceImage.ScaleWidth;
    r.ScaleHeight = TraceImage.ScaleHeight;
    r.WhiteBackground = M->S.WhiteBackground;
    r.PrinterOrientation = Settings.PrinterOrientation;
    print::PrintView(this, *Printer, ViewForPrint(), r);
}

void MainWindow::mnuEditCalculator_Click() {
    QString error;
    if (!StartCalculatorFromAny(CalculatorFolders(CalculatorFolder), &error))
        QMessageBox::warning(this, "Zarvik", error);
}

} // namespace app
