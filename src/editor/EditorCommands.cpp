// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/EditorCommands.h"
#include "editor/PlainTextPane.h"
#include "editor/ProgramView.h"
#include "editor/frmFind.h"
#include "editor/frmReplace.h"
#include "files/ProgramText.h"

#include <QFont>
#include <QFontDialog>
#include <QMenu>
#include <QScreen>

#include <cmath>

namespace editor {

void Undo(ProgramView* pane) {
    pane->Undo();
}
void Cut(ProgramView* pane) {
    pane->Cut();
}
void Copy(ProgramView* pane) {
    pane->Copy();
}
void Paste(ProgramView* pane) {
    pane->Paste();
}

void AllSelect(ProgramView* pane) {
    pane->setFocus();
    pane->SelectAll();
}

int32_t WholePoints(double points) {
    return int32_t(std::nearbyint(points));
}

QFont DesignProgramFont() {
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setStyleHint(QFont::Monospace); // any fixed-pitch font where that one is missing
    font.setPointSizeF(9.75);
    return font;
}

void ApplyProgramFont(ProgramView* pane, const QString& name, int32_t size) {
    QFont font = pane->font();
    font.setFamily(name);
    if (size > 0) font.setPointSize(size);
    pane->setFont(font);
}

std::optional<ProgramFont> FontSetting(QWidget* parent, ProgramView* pane, const QString& programFontName,
                                       int32_t programFontSize) {
    QFont start = pane->font();
    if (!programFontName.isEmpty()) {
        start.setFamily(programFontName);
        if (programFontSize > 0) start.setPointSize(programFontSize);
    }
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, start, parent, QStringLiteral("Font"));
    if (!ok) return std::nullopt;
    // NOTE: the font dialog here offers no text colour; the pane keeps its own.
    pane->setFont(chosen);
    double points = chosen.pointSizeF();
    if (points <= 0) points = chosen.pixelSize() * 72.0 / pane->logicalDpiY();
    return ProgramFont{chosen.family(), WholePoints(points)};
}

void InstallEditContextMenu(ProgramView* pane, QMenu* editMenu) {
    pane->setContextMenuPolicy(Qt::CustomContextMenu);
    // A scroll area reports the position in its viewport's coordinates.
    QObject::connect(pane, &QWidget::customContextMenuRequested, editMenu,
                     [pane, editMenu](const QPoint& pos) {
                         pane->setFocus();
                         editMenu->popup(pane->viewport()->mapToGlobal(pos));
                     });
}

QPoint DialogPosition(QWidget* window, QWidget* viewport, QWidget* pane) {
    const double perTwip = window->logicalDpiX() / 1440.0;
    const int left = viewport->mapTo(window, QPoint(0, 0)).x() + int(std::lround(100 * perTwip));
    const int top =
        pane->mapTo(window, QPoint(0, 0)).y() + int(std::lround(300 * window->logicalDpiY() / 1440.0));
    return window->mapToGlobal(QPoint(left, top));
}

QString SelectedText(const ProgramView* pane) {
    return pane->SelectedText();
}

void Find(QWidget* parent, ProgramView* pane, SearchState& state, const QPoint& at) {
    frmFind dialog(state, pane, parent);
    dialog.SetFindText(SelectedText(pane));
    dialog.move(at);
    dialog.exec();
}

void NextFind(QWidget* parent, ProgramView* pane, SearchState& state) {
    PlainTextPane target(pane);
    if (const std::optional<Message> message = NextFindCommand(state, target))
        ShowSearchMessage(parent, *message);
}

void Replace(QWidget* parent, ProgramView* pane, SearchState& state, const QPoint& at) {
    state.ReplaceBuffer = pane->Text().PaneText();
    state.SearchPos = pane->SelectionStart();
    frmReplace dialog(state, pane, parent);
    dialog.SetFindText(SelectedText(pane));
    dialog.move(at);
    dialog.exec();
    state.ReplaceBuffer.clear(); // only needed while the dialog is open; programs can be long
}

} // namespace editor
