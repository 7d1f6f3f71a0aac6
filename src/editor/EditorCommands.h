// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Edit menu's commands on the program pane, and the Find and Replace dialogs.
//
// Wiring in the window (one QAction per command; Toolbar2 buttons "Undo", "Cut", "Copy",
// "Paste", "Find", "Replace" trigger the same actions):
//
//   editor::SearchState Search;          // a window member, lives as long as the window
//   const QPoint at = editor::DialogPosition(this, Trace1, Program);
//   mnuEditUndo      -> editor::Undo(Program);
//   mnuEditCut, mnuEditCopy, mnuEditPaste -> editor::Cut(Program), Copy(Program), Paste(Program);
//   mnuEditAllSelect -> editor::AllSelect(Program);
//   mnuEditFind      -> editor::Find(this, Program, Search, at);
//   mnuEditNextFind  -> editor::NextFind(this, Program, Search);
//   mnuEditReplace   -> editor::Replace(this, Program, Search, at);
//   mnuEditFont      -> if (auto f = editor::FontSetting(this, Program, Settings.ProgramFontName,
//                                                        Settings.ProgramFontSize)) {
//                           Settings.ProgramFontName = f->Name;
//                           Settings.ProgramFontSize = f->Size;
//                       }
//   start-up         -> if (!Settings.ProgramFontName.isEmpty())
//                           editor::ApplyProgramFont(Program, Settings.ProgramFontName,
//                                                    Settings.ProgramFontSize);
//                       else Program->setFont(editor::DesignProgramFont());
//   once, after the menus exist -> editor::InstallEditContextMenu(Program, Mn.mnuEdit);
//
// Print setup, Print and Screen copy are in print/Printing.h.
//
// The searches work on the text the pane shows (one character per line break) and change it
// only through the program text's edits, so the window's change tracking and undo see them as
// typing. The dialogs are modal.

#include "editor/Search.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <optional>

class QFont;
class QMenu;
class QWidget;

namespace editor {

class ProgramView;

void Undo(ProgramView* pane);
void Cut(ProgramView* pane);
void Copy(ProgramView* pane);
void Paste(ProgramView* pane);
// Focuses the pane and selects its whole text.
void AllSelect(ProgramView* pane);

// The font that is remembered: name and whole points.
struct ProgramFont {
    QString Name;
    int32_t Size = 10;
};

// A font size as it is remembered: whole points, halves to even (10.5 -> 10, 11.5 -> 12).
int32_t WholePoints(double points);

// The pane's font while no font has been chosen: the fixed-pitch Japanese system font.
QFont DesignProgramFont();
void ApplyProgramFont(ProgramView* pane, const QString& name, int32_t size);

// Font setting: the font dialog starting from the remembered font (the pane's own while the
// name is empty). On OK the pane takes the chosen font with its style and effects, and the
// name and the size rounded to whole points (halves to even) come back to be remembered;
// a cancel changes nothing and gives nullopt.
std::optional<ProgramFont> FontSetting(QWidget* parent, ProgramView* pane, const QString& programFontName,
                                       int32_t programFontSize);

// A right-button press on the pane pops up the Edit menu instead of the pane's own menu.
void InstallEditContextMenu(ProgramView* pane, QMenu* editMenu);

// Where the Find and Replace dialogs open on the screen: 100 twips right of the viewport's
// left edge and 300 twips below the pane's top, both measured in the main window.
QPoint DialogPosition(QWidget* window, QWidget* viewport, QWidget* pane);

// The pane's selected text as a one-line search text would hold it.
QString SelectedText(const ProgramView* pane);

// Find: the selected text goes into the dialog's search box; the dialog is shown modally.
void Find(QWidget* parent, ProgramView* pane, SearchState& state, const QPoint& at);
// Next find: searches again from the caret; reports in a message box when it runs out.
void NextFind(QWidget* parent, ProgramView* pane, SearchState& state);
// Replace: takes the pane's text and caret, puts the selected text into the search box and
// shows the dialog modally.
void Replace(QWidget* parent, ProgramView* pane, SearchState& state, const QPoint& at);

} // namespace editor
