// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs and commands on a real program pane: button states, edits that undo as one step,
// the selected text reaching the dialog, the context menu and the font setting.
#include "editor/EditorCommands.h"
#include "editor/frmFind.h"
#include "editor/frmReplace.h"
#include "support/ModalDriver.h"
#include "support/TestPane.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using editor::Message;
using editor::SearchState;

namespace {

using testing_support::ModalDriver;
using testing_support::TestPane;

void Place(editor::ProgramView& pane, int start, int length = 0) {
    pane.SetSelection(start, start + length);
}

} // namespace

TEST(ReplaceDialogButtons, FollowTheSearchBox) {
    TestPane owner(QStringLiteral("G01 X1"));
    editor::ProgramView& pane = owner.View;
    SearchState s;
    s.NoMatchSelected = false;
    s.MatchCount = 4;
    editor::frmReplace dialog(s, &pane);
    EXPECT_TRUE(s.NoMatchSelected);
    for (QPushButton* b : {dialog.NextFind, dialog.Change, dialog.AllChange})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(dialog.Cancel->isEnabled());
    EXPECT_FALSE(dialog.Change->isDefault());

    dialog.txtFind->setText(QStringLiteral("G"));
    for (QPushButton* b : {dialog.NextFind, dialog.Change, dialog.AllChange})
        EXPECT_TRUE(b->isEnabled());
    EXPECT_TRUE(dialog.Change->isDefault());
    EXPECT_EQ(s.FindText, QStringLiteral("G"));
    EXPECT_EQ(s.MatchCount, 0);

    s.MatchCount = 2;
    dialog.txtReplace->setText(QStringLiteral("M"));
    EXPECT_EQ(s.ReplaceText, QStringLiteral("M"));
    EXPECT_EQ(s.MatchCount, 0) << "a change of the replacement restarts the count";

    dialog.txtFind->clear();
    for (QPushButton* b : {dialog.NextFind, dialog.Change, dialog.AllChange})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_FALSE(dialog.Change->isDefault());
    for (QPushButton* b : {dialog.NextFind, dialog.AllChange, dialog.Cancel})
        EXPECT_FALSE(b->isDefault());
}

TEST(ReplaceDialogButtons, AllReplaceEditsThePaneAsOneUndoStep) {
    const QString program = QStringLiteral("G00 X10\nG01 X20\nG01 X30");
    TestPane owner(program);
    editor::ProgramView& pane = owner.View;
    pane.Text().SetModified(false);
    Place(pane, 0);
    SearchState s;
    s.ReplaceBuffer = pane.Text().PaneText();
    s.SearchPos = 0;
    editor::frmReplace dialog(s, &pane);
    std::vector<Message> shown;
    dialog.ShowMessage = [&](const Message& m) { shown.push_back(m); };
    dialog.txtFind->setText(QStringLiteral("X"));
    dialog.txtReplace->setText(QStringLiteral("U"));
    dialog.Check1->setChecked(true);

    QTest::mouseClick(dialog.AllChange, Qt::LeftButton);
    EXPECT_EQ(pane.Text().PaneText(), QStringLiteral("G00 U10\nG01 U20\nG01 U30"));
    EXPECT_TRUE(pane.Text().Modified());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, QStringLiteral("3 回 変更しました。"));
    EXPECT_TRUE(dialog.Check1->isChecked());

    pane.Undo();
    EXPECT_EQ(pane.Text().PaneText(), program);
}

TEST(ReplaceDialogButtons, ReplacePressesWorkOnThePane) {
    TestPane owner(QStringLiteral("S500\nS500"));
    editor::ProgramView& pane = owner.View;
    Place(pane, 0);
    SearchState s;
    s.ReplaceBuffer = pane.Text().PaneText();
    editor::frmReplace dialog(s, &pane);
    std::vector<Message> shown;
    dialog.ShowMessage = [&](const Message& m) { shown.push_back(m); };
    dialog.Check1->setChecked(true);
    dialog.txtReplace->setText(QStringLiteral("S1200"));
    dialog.txtFind->setText(QStringLiteral("S500"));

    QTest::mouseClick(dialog.Change, Qt::LeftButton);
    EXPECT_EQ(pane.SelectedText(), QStringLiteral("S500"));
    QTest::mouseClick(dialog.Change, Qt::LeftButton);
    EXPECT_EQ(pane.Text().PaneText(), QStringLiteral("S1200\nS500"));
    EXPECT_EQ(pane.SelectionStart(), 6);
    QTest::mouseClick(dialog.Change, Qt::LeftButton);
    EXPECT_EQ(pane.Text().PaneText(), QStringLiteral("S1200\nS1200"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, QStringLiteral("2 回\u3000変更しました。"));
}

TEST(FindDialogOnPane, FromTopBoxAndCountMessage) {
    TestPane owner(QStringLiteral("G01\nG01\nG01"));
    editor::ProgramView& pane = owner.View;
    Place(pane, 0);
    SearchState s;
    editor::frmFind dialog(s, &pane);
    std::vector<Message> shown;
    dialog.ShowMessage = [&](const Message& m) { shown.push_back(m); };
    dialog.SetFindText(QStringLiteral("G01"));
    dialog.Check1->setChecked(true);

    QTest::mouseClick(dialog.NextFind, Qt::LeftButton);
    EXPECT_FALSE(dialog.Check1->isChecked());
    EXPECT_EQ(pane.SelectionStart(), 0);
    QTest::mouseClick(dialog.NextFind, Qt::LeftButton);
    QTest::mouseClick(dialog.NextFind, Qt::LeftButton);
    EXPECT_EQ(pane.SelectionStart(), 8);
    EXPECT_TRUE(shown.empty());
    QTest::mouseClick(dialog.NextFind, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Title, QStringLiteral("検索"));
    EXPECT_EQ(shown[0].Text, QStringLiteral("3 回 見つかりました。"));
    EXPECT_TRUE(dialog.Check1->isChecked());
    EXPECT_TRUE(s.FindFromTop) << "the box is kept for the next opening";
}

TEST(EditCommands, FindPutsTheSelectionIntoTheSearchBox) {
    TestPane owner(QStringLiteral("G01 X1\nG01 X1"));
    editor::ProgramView& pane = owner.View;
    Place(pane, 4, 2);
    SearchState s;
    QString boxText;
    bool wasFrmFind = false;
    const ModalDriver driver({[&](QWidget* modal) {
        auto* dialog = dynamic_cast<editor::frmFind*>(modal);
        wasFrmFind = dialog != nullptr;
        if (!dialog) return;
        boxText = dialog->txtFind->text();
        QTest::mouseClick(dialog->NextFind, Qt::LeftButton);
        dialog->CancelButton->click();
    }});
    editor::Find(nullptr, &pane, s, QPoint(10, 10));
    EXPECT_TRUE(wasFrmFind);
    EXPECT_EQ(boxText, QStringLiteral("X1"));
    EXPECT_EQ(s.FindText, QStringLiteral("X1"));
    EXPECT_EQ(pane.SelectionStart(), 11) << "the match at the caret is passed by";
}

TEST(EditCommands, ReplaceOpensWithTheSelectionAndEnabledButtons) {
    TestPane owner(QStringLiteral("T0101\nT0101"));
    editor::ProgramView& pane = owner.View;
    Place(pane, 6, 5);
    SearchState s;
    bool enabled = false, isDefault = false;
    const ModalDriver driver({[&](QWidget* modal) {
        auto* dialog = dynamic_cast<editor::frmReplace*>(modal);
        if (!dialog) return;
        enabled = dialog->Change->isEnabled();
        isDefault = dialog->Change->isDefault();
        dialog->Cancel->click();
    }});
    editor::Replace(nullptr, &pane, s, QPoint(10, 10));
    EXPECT_TRUE(enabled);
    EXPECT_TRUE(isDefault);
    EXPECT_EQ(s.FindText, QStringLiteral("T0101"));
    EXPECT_EQ(s.SearchPos, 6);
}

TEST(EditCommands, AllSelectAndContextMenu) {
    TestPane owner(QStringLiteral("G00 X0\nM30"));
    editor::ProgramView& pane = owner.View;
    pane.resize(300, 200);
    pane.show();
    editor::AllSelect(&pane);
    EXPECT_EQ(pane.SelectedText().size(), pane.Text().PaneText().size());

    QMenu mnuEdit(QStringLiteral("Edit(&E)"));
    mnuEdit.addAction(QStringLiteral("Undo(&U)"));
    editor::InstallEditContextMenu(&pane, &mnuEdit);
    const QPoint at(20, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, pane.viewport()->mapToGlobal(at));
    QApplication::sendEvent(pane.viewport(), &event);
    EXPECT_TRUE(mnuEdit.isVisible()) << "the Edit menu pops up instead of the pane's own";
    mnuEdit.close();
}

TEST(EditCommands, FontSettingRemembersNameAndWholePoints) {
    // The size is remembered in whole points, halves going to the even neighbour.
    EXPECT_EQ(editor::WholePoints(10.5), 10);
    EXPECT_EQ(editor::WholePoints(11.5), 12);
    EXPECT_EQ(editor::WholePoints(9.75), 10);

    TestPane owner;
    editor::ProgramView& pane = owner.View;
    const QString family = pane.font().family();
    {
        const ModalDriver driver({[&](QWidget* modal) {
            auto* dialog = dynamic_cast<QFontDialog*>(modal);
            if (!dialog) return;
            QFont f(family);
            f.setPointSize(14);
            f.setItalic(true);
            f.setUnderline(true);
            dialog->setCurrentFont(f);
            dialog->accept();
        }});
        const std::optional<editor::ProgramFont> font = editor::FontSetting(nullptr, &pane, QString(), 10);
        ASSERT_TRUE(font);
        EXPECT_EQ(font->Size, 14);
        EXPECT_EQ(font->Name, family);
        EXPECT_TRUE(pane.font().italic()) << "style and effects reach the pane";
        EXPECT_TRUE(pane.font().underline());
        EXPECT_EQ(pane.font().pointSize(), 14);
    }

    // The dialog starts from the remembered font; a cancel changes nothing.
    const QFont before = pane.font();
    int startSize = 0;
    const ModalDriver cancelling({[&](QWidget* modal) {
        if (auto* dialog = dynamic_cast<QFontDialog*>(modal)) startSize = dialog->currentFont().pointSize();
        modal->close();
    }});
    EXPECT_FALSE(editor::FontSetting(nullptr, &pane, family, 20));
    EXPECT_EQ(startSize, 20);
    EXPECT_EQ(pane.font(), before);
}
