// SPDX-License-Identifier: GPL-3.0-or-later
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
#include "files/ProgramText.h"

#include <QAction>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QPalette>
#include <QTimer>

namespace app {

ProgramDocument::ProgramDocument(QWidget* form, const Parts& parts) : P(parts) {
    Exact = new files::ProgramText(this);
    Program = new ProgramPane(*Exact, form);
    Program->IsWindowShortcut = [this](const QKeySequence& seq) {
        for (QAction* a : Program->window()->findChildren<QAction*>())
            if (a->isEnabled() && a->shortcut() == seq) return true;
        return false;
    };
    connect(Program, &editor::ProgramView::OverwriteToggled, this, [this] { P.Frm->RefreshLocks(); });
    Watcher = new QFileSystemWatcher(this);
    WatchDelay = new QTimer(this);
    WatchDelay->setSingleShot(true);
    WatchDelay->setInterval(200);
    connect(Watcher, &QFileSystemWatcher::fileChanged, WatchDelay, qOverload<>(&QTimer::start));
    connect(WatchDelay, &QTimer::timeout, this, [this] { FileChangedOnDisk(); });
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
    f.Bind(a("mnuEditAllSelect"), [this] { editor::AllSelect(Program); });
    f.Bind(a("mnuEditNextFind"), [this] { editor::NextFind(Program->window(), Program, Search); });
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
    return Exact->ToTextOffset(Program->SelectionStart());
}

void ProgramDocument::HighlightBlock(int64_t start, int64_t length) {
    const int from = Exact->ToPanePosition(start);
    const int to = Exact->ToPanePosition(start + length);
    Program->SetSelection(to, from); // the caret at the block's start
    Program->EnsureCaretVisible();
}

void ProgramDocument::FocusPane() {
    if (!Program->hasFocus()) Program->setFocus(Qt::OtherFocusReason);
}

bool ProgramDocument::Overwrite() const {
    return Program->Overwrite();
}

void ProgramDocument::SetOverwrite(bool on) {
    Program->SetOverwrite(on);
}

void ProgramDocument::PrepareForStartup() {
    Program->SetReadOnly(false);
    QPalette paper = Program->palette();
    paper.setColor(QPalette::Base, Qt::white);
    paper.setColor(QPalette::Text, Qt::black);
    Program->setPalette(paper);
    ApplyProgramFont();
    Exact->SetModified(false);
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
    return Exact->Modified();
}

void ProgramDocument::SetModified(bool modified) {
    Exact->SetModified(modified);
}

void ProgramDocument::mnuEditUndo_Click() {
    // An undo changes the text like any other edit, even back to the text of the file: the
    // closing prompt asks about it all the same.
    const bool undoes = Exact->CanUndo();
    editor::Undo(Program);
    if (undoes) Exact->SetModified(true);
}

void ProgramDocument::mnuEditCut_Click() {
    editor::Cut(Program);
}

void ProgramDocument::mnuEditCopy_Click() {
    editor::Copy(Program);
}

void ProgramDocument::mnuEditPaste_Click() {
    editor::Paste(Program);
}

void ProgramDocument::mnuEditFind_Click() {
    QWidget* w = Program->window();
    editor::Find(w, Program, Search, editor::DialogPosition(w, P.Trace->Viewport(), Program));
}

void ProgramDocument::mnuEditReplace_Click() {
    QWidget* w = Program->window();
    editor::Replace(w, Program, Search, editor::DialogPosition(w, P.Trace->Viewport(), Program));
}

} // namespace app
