// The program document: the pane with the exact text behind it, the lathe's reading of it, and
// the Edit menu and Toolbar2 on the pane (undo, clipboard, find and replace, font).

#include "app/ProgramDocument.h"

#include "app/Actions.h"
#include "app/Frame.h"
#include "app/Lathe.h"
#include "app/Parts.h"
#include "app/TraceView.h"
#include "app/Widgets.h"
#include "base/Machine.h"
#include "editor/EditorCommands.h"
#include "editor/PlainTextPane.h"
#include "files/ProgramText.h"

#include <QAction>
#include <QApplication>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QPalette>
#include <QTextBlock>
#include <QTimer>

namespace app {

ProgramDocument::ProgramDocument(QWidget* form, const Parts& parts) : P(parts) {
    Program = new ProgramPane(form);
    Program->IsWindowShortcut = [this](const QKeySequence& seq) {
        for (QAction* a : Program->window()->findChildren<QAction*>())
            if (a->isEnabled() && a->shortcut() == seq) return true;
        return false;
    };
    Program->OverwriteChanged = [this] { P.Frm->RefreshLocks(); };
    Program->BeforeInput = [this] { CompleteFill(); };
    Exact = new files::ProgramText(Program->document());
    editor::KeepTypingPlain(Program);
    FillTimer = new QTimer(this);
    FillTimer->setInterval(0);
    connect(FillTimer, &QTimer::timeout, this, [this] { FillPane(); });
    Watcher = new QFileSystemWatcher(this);
    WatchDelay = new QTimer(this);
    WatchDelay->setSingleShot(true);
    WatchDelay->setInterval(200);
    connect(Watcher, &QFileSystemWatcher::fileChanged, WatchDelay, qOverload<>(&QTimer::start));
    connect(WatchDelay, &QTimer::timeout, this, [this] { FileChangedOnDisk(); });
}

namespace {
// A part of the pane's text between two looks at the window's events: some 5 ms, so that the
// press feedback before the first picture (a wait through the event loop) ends on time.
constexpr qsizetype kFillPart = 1 << 15;
} // namespace

void ProgramDocument::FillPane() {
    files::ProgramText& t = *Exact;
    // A silent re-run reads the exact text, not the pane: it goes first. A run the operator
    // watches shares the time, so that its highlight rarely finds a line not in yet.
    if (t.Filling() && P.Model->Running() && P.Model->Machine().S.Replay) return;
    if (t.Filling()) {
        t.FillSome(kFillPart);
        const QString now = P.Frm->Message();
        if (!now.startsWith(QStringLiteral("Loading "))) MessageUnderFill = now;
    }
    if (t.Filling()) {
        P.Frm->ShowMessage(StatusKind::Message, QString("Loading %1%").arg(int(t.FilledShare() * 100)));
        return;
    }
    CompleteFill();
}

void ProgramDocument::CompleteFill() {
    if (!FillTimer->isActive()) return;
    FillTimer->stop();
    if (Exact->Filling()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        Exact->FinishFill();
        QApplication::restoreOverrideCursor();
    }
    Program->setReadOnly(false);
    if (P.Frm->Message().startsWith(QStringLiteral("Loading ")))
        P.Frm->ShowMessage(StatusKind::Message, MessageUnderFill);
}

ProgramDocument::~ProgramDocument() = default;

void ProgramDocument::Build() {
    ActionSet& a = *P.Actions;
    a.Make("mnuFileSave", "Save(&s)", QKeySequence("Ctrl+S"));
    a.Make("mnuFileSaveAs", "Save as(&A)...");
    for (int n = 1; n <= 5; ++n) {
        const QByteArray name = "mnuFileRecentFile" + QByteArray::number(n);
        a.Make(name.constData(), QStringLiteral("RecentFile%1").arg(n))->setVisible(false);
    }
    a.Make("mnuEditAllSelect", "All select(&A)", QKeySequence("Ctrl+A"));
    a.Make("mnuEditNextFind", "Next find", QKeySequence("Ctrl+N"));
    a.Make("mnuEditFont", "Font setting", QKeySequence("Ctrl+F"));
}

void ProgramDocument::Connect() {
    const ActionSet& a = *P.Actions;
    Frame& f = *P.Frm;
    f.Bind(a("mnuFileSave"), [this] { mnuFileSave_Click(); });
    f.Bind(a("mnuFileSaveAs"), [this] { mnuFileSaveAs_Click(); });
    for (int n = 1; n <= 5; ++n)
        f.Bind(a(QStringLiteral("mnuFileRecentFile%1").arg(n)), [this, n] { mnuFileRecentFile_Click(n); });
    f.Bind(a("mnuEditAllSelect"), [this] {
        CompleteFill();
        editor::AllSelect(Program);
    });
    f.Bind(a("mnuEditNextFind"), [this] {
        CompleteFill();
        editor::NextFind(Program->window(), Program, Search);
    });
    f.Bind(a("mnuEditFont"), [this] {
        settings::Values& v = P.Frm->Settings();
        if (const auto font =
                editor::FontSetting(Program->window(), Program, v.ProgramFontName, v.ProgramFontSize)) {
            v.ProgramFontName = font->Name;
            v.ProgramFontSize = font->Size;
        }
    });
    // A right-button press on the pane shows the Edit menu instead of the pane's own.
    editor::InstallEditContextMenu(Program, P.Frm->Menu("mnuEdit"));
}

const std::u16string& ProgramDocument::ExactText() {
    return Exact->Snapshot();
}

int64_t ProgramDocument::CaretOffset() const {
    return Exact->ToTextOffset(Program->textCursor().selectionStart());
}

void ProgramDocument::HighlightBlock(int64_t start, int64_t length) {
    const int from = Exact->ToPanePosition(start);
    const int to = Exact->ToPanePosition(start + length);
    QTextCursor c = Program->textCursor();
    c.setPosition(to);
    c.setPosition(from, QTextCursor::KeepAnchor); // the caret at the block's start
    Program->setTextCursor(c);
    Program->ensureCursorVisible();
}

void ProgramDocument::FocusPane() {
    if (!Program->hasFocus()) Program->setFocus(Qt::OtherFocusReason);
}

bool ProgramDocument::Overwrite() const {
    return Program->overwriteMode();
}

void ProgramDocument::SetOverwrite(bool on) {
    Program->setOverwriteMode(on);
}

void ProgramDocument::PrepareForStartup() {
    Program->setReadOnly(false);
    QPalette paper = Program->palette();
    paper.setColor(QPalette::Base, Qt::white);
    paper.setColor(QPalette::Text, Qt::black);
    Program->setPalette(paper);
    ApplyProgramFont();
    Program->document()->setModified(false);
}

void ProgramDocument::ApplyProgramFont() {
    const settings::Values& v = P.Frm->Settings();
    if (!v.ProgramFontName.isEmpty())
        editor::ApplyProgramFont(Program, v.ProgramFontName, v.ProgramFontSize);
    else
        Program->setFont(editor::DesignProgramFont());
}

void ProgramDocument::Place(const QRect& pane) {
    Program->setGeometry(pane);
}

void ProgramDocument::SetUntitled() {
    ProgramFileName = "Untitled";
    FileOpened = false;
    Identity = {};
    WatchFile();
}

bool ProgramDocument::Modified() const {
    return Program->document()->isModified();
}

void ProgramDocument::SetModified(bool modified) {
    Program->document()->setModified(modified);
}

void ProgramDocument::mnuEditUndo_Click() {
    CompleteFill();
    // An undo changes the text like any other edit, even back to the text of the file: the
    // closing prompt asks about it all the same.
    const bool undoes = Program->document()->isUndoAvailable();
    editor::Undo(Program);
    if (undoes) Program->document()->setModified(true);
}

void ProgramDocument::mnuEditCut_Click() {
    CompleteFill();
    editor::Cut(Program);
}

void ProgramDocument::mnuEditCopy_Click() {
    CompleteFill();
    editor::Copy(Program);
}

void ProgramDocument::mnuEditPaste_Click() {
    CompleteFill();
    editor::Paste(Program);
}

void ProgramDocument::mnuEditFind_Click() {
    CompleteFill();
    QWidget* w = Program->window();
    editor::Find(w, Program, Search, editor::DialogPosition(w, P.Trace->Viewport(), Program));
}

void ProgramDocument::mnuEditReplace_Click() {
    CompleteFill();
    QWidget* w = Program->window();
    editor::Replace(w, Program, Search, editor::DialogPosition(w, P.Trace->Viewport(), Program));
}

} // namespace app
