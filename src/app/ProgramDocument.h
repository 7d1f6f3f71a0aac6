// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program document: the pane, the exact text behind it and the file's encoding, the file
// commands (open, save, save as, recent files), the Edit commands with find and replace, and
// the font of the pane.

#include "editor/Search.h"
#include "files/Codec.h"
#include "files/FileIo.h"
#include "files/FileSave.h"
#include "files/RecentFiles.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <future>
#include <memory>
#include <string>

class QFileSystemWatcher;
class QMessageBox;
class QRect;
class QTimer;
class QWidget;

namespace files {
class ProgramText;
}
namespace inspect {
enum class QuickFix;
}

namespace app {

class ProgramPane;
struct Parts;

class ProgramDocument : public QObject {
  public:
    ProgramDocument(QWidget* form, const Parts& parts);
    ~ProgramDocument() override;
    void Build(); // the actions of the File and Edit menus that the command table does not hold
    void Connect();

    // --- For the lathe and the other parts ---
    const std::u16string& ExactText();
    int64_t CaretOffset() const;
    void HighlightBlock(int64_t start, int64_t length);
    void FocusPane();
    bool Overwrite() const;
    void SetOverwrite(bool on);
    void PrepareForStartup(); // white paper, the font of the settings, nothing changed
    void SetRecentFiles(const std::array<QString, 5>& captions);
    const std::array<QString, 5>& RecentFiles() const { return Recent.Captions; }
    void Place(const QRect& pane);
    QString FileName() const { return ProgramFileName; }
    QString Title() const; // the file's name without its folder, as the state display shows it
    bool HasFile() const { return FileOpened; }
    void SetUntitled();

    // --- Commands ---
    // The closing question about changed text (Yes saves, No drops the changes); false when the
    // command that asked must stop. Closing, Exit, Open and the recent files ask it.
    bool AskToSaveChanges();
    // Relative paths (the command line) are made absolute first, so the recent entry works
    // from any folder.
    void LoadProgramFile(const QString& path);
    // Starts reading the file that LoadProgramFile(path) will load, on a second thread: the
    // command line's program is read while the window starts. A later load of another path, or
    // of the same path once the folder changed, reads its file as before.
    void ReadAhead(const QString& path);
    // Before writing over the file that was read, asks when it changed on the disk, is gone,
    // is read-only, or its name now leads to another file.
    bool SaveProgramFile(const QString& path);
    void AddRecentFile(const QString& path);
    void mnuOpen_Click();
    bool mnuFileSave_Click();
    bool mnuFileSaveAs_Click();
    void mnuFileRecentFile_Click(int index);
    void mnuEditUndo_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditFind_Click();
    void mnuEditReplace_Click();
    // A quick fix of the problems list as one undoable edit of the pane (QuickFixes.cpp); the
    // text is then modified and written only when the operator saves.
    void ApplyQuickFix(inspect::QuickFix fix);

    // --- Inspection ---
    bool Modified() const;
    void SetModified(bool modified);
    files::ProgramText& Text() { return *Exact; }
    // True while a command puts in a new text (an opened program, its line ends converted): that
    // is no typing, and the check follows the command at once.
    bool ChangedByCommand() const { return InCommand; }
    ProgramPane* Pane() const { return Program; } // typing and clicks in tests go to the pane
    files::Encoding FileEncoding() const { return Encoding; }

  private:
    void ApplyProgramFont();
    void ShowFileName(const QString& path);
    void ShowFileError(const QString& text);
    QString AskOpenFile();
    QString AskSaveFile();
    // The lathe ends a run in progress, takes the changed text from its start, and redraws it
    // when Auto start is on.
    void ResetAfterNewText(const std::function<void()>& change);
    bool AskToSaveAsUtf8(const QString& path, const QString& text, qsizetype unfit);
    // Says so when the control would read no block of a program just opened.
    void NoticeLineEnds(const QString& path, const QString& exact);
    bool ReadIntoPane(const QString& path, bool addRecent);
    // The file at `path` as ReadAhead read it, or read now.
    files::ReadResult TakeRead(const QString& path);
    // The questions before a save over the file that was read; false when nothing is to be
    // written (cancelled, or reloaded instead). Sets how the save goes in `options`.
    bool ConfirmSaveOverFile(const QString& path, files::SaveOptions& options);
    bool AskReadOnly(const QString& path);
    int AskAboutFile(const char* name, const QString& text, const QStringList& buttons);
    // Watches the file read; a change while the text here is unchanged offers a reload.
    void WatchFile();
    void FileChangedOnDisk();
    void Reload();

    const Parts& P;
    ProgramPane* Program = nullptr;
    files::ProgramText* Exact = nullptr;
    bool InCommand = false;
    files::Encoding Encoding = files::Encoding::Utf8;
    QString ProgramFileName = QStringLiteral("Untitled");
    bool FileOpened = false;      // the text has a file (opened or saved), whatever its name
    files::FileIdentity Identity; // that file as read or last saved
    QFileSystemWatcher* Watcher = nullptr;
    QTimer* WatchDelay = nullptr;       // a writer's several writes are looked at once
    QPointer<QMessageBox> ReloadNotice; // the offer to reload a file changed on the disk
    files::RecentFiles Recent;
    editor::SearchState Search;          // the Find and Replace texts and counts
    QPointer<QMessageBox> LineEndNotice; // the note about the line ends of the open program
    struct Ahead {
        QString Path; // absolute, as LoadProgramFile names it
        std::future<files::ReadResult> Result;
    };
    std::unique_ptr<Ahead> ReadingAhead; // the file ReadAhead is reading
};

} // namespace app
