// SPDX-License-Identifier: GPL-3.0-or-later
// The command table as the window builds from it: every row reaches the operator somewhere, its
// names are unique, and its button, function-key panel and check mark follow from the row.

#include "WindowFixture.h"

#include "app/CommandTable.h"

#include <QAction>
#include <QSet>

TEST_F(WindowTest, EveryRowOfTheCommandTableHasUniqueNamesAndAPlaceOfItsOwn) {
    QSet<QString> actions, keys;
    QStringList bar1, bar2, fkeys;
    for (const app::PanelCommand& c : app::PanelCommands()) {
        SCOPED_TRACE(c.Action);
        EXPECT_FALSE(actions.contains(c.Action)) << "action named twice";
        actions << c.Action;
        if (c.Key) {
            EXPECT_FALSE(keys.contains(c.Key)) << "key named twice";
            keys << c.Key;
        }
        QAction* a = Act(c.Action);
        // A command nobody can reach is a row forgotten in a menu list or without a button.
        EXPECT_FALSE(a->associatedObjects().isEmpty());
        EXPECT_EQ(a->isCheckable(), c.On != nullptr);
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(c.Shortcut)));
        if (c.Bar != 0) {
            ASSERT_NE(c.Key, nullptr);
            (c.Bar == 1 ? bar1 : bar2) << c.Key;
            EXPECT_EQ(W->Panel().ButtonToolTip(c.Key), QString::fromLatin1(c.ToolTip));
            EXPECT_TRUE(W->Panel().ButtonHasIcon(c.Key));
        }
        if (c.Fkey) {
            fkeys << c.Key;
            EXPECT_EQ(W->Panel().FkeyPanelText(c.Key), QString::fromLatin1(c.Fkey));
        }
    }
    EXPECT_EQ(W->Panel().ButtonKeys(1), bar1);
    EXPECT_EQ(W->Panel().ButtonKeys(2), bar2);
    EXPECT_EQ(W->Panel().FkeyPanelCount(), fkeys.size() + 1); // and the message panel
}

TEST_F(WindowTest, APressedCommandShowsOnlyItsOwnButtonAndPanel) {
    // Press feedback goes by the row's command: Reset sinks Reset, nothing else.
    W->Panel().ShowPressed(interp::Command::Reset, true);
    for (const app::PanelCommand& c : app::PanelCommands()) {
        if (!c.Key || c.Bar != 1) continue;
        SCOPED_TRACE(c.Key);
        EXPECT_EQ(W->Panel().ButtonDown(c.Key), QString(c.Key) == "Reset");
    }
    EXPECT_TRUE(W->Panel().FkeyPanelInset("Reset"));
    W->Panel().ShowPressed(interp::Command::Reset, false);
    EXPECT_FALSE(W->Panel().ButtonDown("Reset"));
    EXPECT_FALSE(W->Panel().FkeyPanelInset("Reset"));
}
