// SPDX-License-Identifier: GPL-3.0-or-later
// The search and replace rules on plain text: where a search starts, what it selects, how the
// count grows and what the operator is told when a search runs out.
#include "editor/Search.h"

#include <gtest/gtest.h>

using editor::Message;
using editor::SearchState;
using editor::StringPane;

namespace {

const QString Ideographic(QChar(0x3000));

struct Selection {
    int start, length;
    bool operator==(const Selection&) const = default;
};

Selection Sel(const StringPane& p) {
    return {p.Start, p.Length};
}

SearchState Searching(const QString& find, const QString& replace = {}) {
    SearchState s;
    s.FindText = find;
    s.ReplaceText = replace;
    return s;
}

// The Replace dialog as it opens on `pane`: its text copied, the search from the caret.
SearchState Replacing(StringPane& pane, const QString& find, const QString& replace) {
    SearchState s = Searching(find, replace);
    s.ReplaceBuffer = pane.Content;
    s.SearchPos = pane.SelStart();
    s.NoMatchSelected = true;
    return s;
}

} // namespace

TEST(FindDialog, ThreeMatchesFromTopThenTheCount) {
    StringPane pane(QStringLiteral("G01 G01 G01"));
    SearchState s = Searching(QStringLiteral("G01"));
    bool fromTop = true;

    EXPECT_FALSE(editor::FindDialogNextFind(s, pane, fromTop));
    EXPECT_EQ(Sel(pane), (Selection{0, 3}));
    EXPECT_FALSE(fromTop) << "a search from the top clears the box";
    EXPECT_FALSE(editor::FindDialogNextFind(s, pane, fromTop));
    EXPECT_EQ(Sel(pane), (Selection{4, 3}));
    EXPECT_FALSE(editor::FindDialogNextFind(s, pane, fromTop));
    EXPECT_EQ(Sel(pane), (Selection{8, 3}));
    EXPECT_EQ(s.MatchCount, 3);

    const std::optional<Message> m = editor::FindDialogNextFind(s, pane, fromTop);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Title, QStringLiteral("検索"));
    EXPECT_EQ(m->Text, QStringLiteral("3 回 見つかりました。"));
    EXPECT_TRUE(fromTop);
    EXPECT_EQ(s.MatchCount, 0);
    EXPECT_EQ(Sel(pane), (Selection{8, 3})) << "a failed search leaves the selection";

    // The next round starts over from the top.
    EXPECT_FALSE(editor::FindDialogNextFind(s, pane, fromTop));
    EXPECT_EQ(Sel(pane), (Selection{0, 3}));
}

TEST(FindDialog, AMatchRightAtTheCaretIsPassedBy) {
    StringPane pane(QStringLiteral("G01 X1 G01"));
    SearchState s = Searching(QStringLiteral("G01"));
    bool fromTop = false;
    EXPECT_FALSE(editor::FindDialogNextFind(s, pane, fromTop));
    EXPECT_EQ(Sel(pane), (Selection{7, 3}));

    // From the caret one character before a match, the match is found.
    pane.Select(6, 0);
    EXPECT_FALSE(editor::FindDialogNextFind(s, pane, fromTop));
    EXPECT_EQ(Sel(pane), (Selection{7, 3}));
}

TEST(FindDialog, SearchIsCaseSensitiveAndNamesTheMissingText) {
    StringPane pane(QStringLiteral("N10 G01 X20."));
    SearchState s = Searching(QStringLiteral("g01"));
    bool fromTop = true;
    const std::optional<Message> m = editor::FindDialogNextFind(s, pane, fromTop);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Text, QStringLiteral("\"g01\" は見つかりませんでした。"));
    EXPECT_TRUE(fromTop);
    EXPECT_EQ(Sel(pane), (Selection{0, 0}));
}

TEST(FindDialog, EmptySearchTextIsAlwaysFoundAtTheSearchStart) {
    StringPane pane(QStringLiteral("G0"));
    SearchState s = Searching(QString());
    bool fromTop = true;
    for (int press = 1; press <= 5; ++press) {
        EXPECT_FALSE(editor::FindDialogNextFind(s, pane, fromTop)) << "press " << press;
        EXPECT_EQ(pane.Length, 0);
        EXPECT_EQ(s.MatchCount, press);
    }
    EXPECT_EQ(pane.Start, 2) << "the caret walks one character per press and stops at the end";
}

TEST(NextFindMenu, SearchesFromTheCaretAndReportsInEnglish) {
    StringPane pane(QStringLiteral("T0101\r\nT0202"));
    pane.Select(1, 0);
    SearchState s = Searching(QStringLiteral("T0"));
    EXPECT_FALSE(editor::NextFindCommand(s, pane));
    EXPECT_EQ(Sel(pane), (Selection{7, 2}));

    std::optional<Message> m = editor::NextFindCommand(s, pane);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Title, QStringLiteral("Find"));
    EXPECT_EQ(m->Text, QStringLiteral("1 times find."));
    EXPECT_TRUE(s.FindFromTop) << "the Find dialog opens with From Top ticked next time";
    EXPECT_EQ(s.MatchCount, 0);

    m = editor::NextFindCommand(s, pane);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Text, QStringLiteral("\"T0\" not find."));
}

TEST(ReplaceDialog, AllReplaceContinuesBehindEachReplacement) {
    StringPane pane(QStringLiteral("ABABAB"));
    SearchState s = Replacing(pane, QStringLiteral("AB"), QStringLiteral("C"));
    bool fromTop = true;
    const std::optional<Message> m = editor::ReplaceDialogAllReplace(s, pane, fromTop);
    EXPECT_EQ(pane.Content, QStringLiteral("CCC"));
    EXPECT_EQ(s.ReplaceBuffer, pane.Content);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Title, QStringLiteral("置き換え"));
    EXPECT_EQ(m->Text, QStringLiteral("3 回 変更しました。"));
    EXPECT_TRUE(fromTop);
    EXPECT_TRUE(s.NoMatchSelected);
    EXPECT_EQ(s.MatchCount, 0);
}

TEST(ReplaceDialog, AllReplaceByATextContainingTheSearchTextTerminates) {
    StringPane pane(QStringLiteral("G00 X1 Z2\nG01 X3 Z4"));
    SearchState s = Replacing(pane, QStringLiteral("X"), QStringLiteral("XX"));
    bool fromTop = true;
    const std::optional<Message> m = editor::ReplaceDialogAllReplace(s, pane, fromTop);
    EXPECT_EQ(pane.Content, QStringLiteral("G00 XX1 Z2\nG01 XX3 Z4"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Text, QStringLiteral("2 回 変更しました。"));
}

TEST(ReplaceDialog, AllReplaceFromTheCaretStartsTwoCharactersBack) {
    // The dialog opened with the caret at 4: All replace begins searching at offset 2.
    StringPane pane(QStringLiteral("ABABAB"));
    pane.Select(4, 0);
    SearchState s = Replacing(pane, QStringLiteral("AB"), QStringLiteral("x"));
    bool fromTop = false;
    editor::ReplaceDialogAllReplace(s, pane, fromTop);
    EXPECT_EQ(pane.Content, QStringLiteral("ABxx"));
}

TEST(ReplaceDialog, ReplacePressesSelectThenReplaceOneByOne) {
    StringPane pane(QStringLiteral("G01 G01 G01"));
    SearchState s = Replacing(pane, QStringLiteral("G01"), QStringLiteral("G1"));
    bool fromTop = true;

    EXPECT_FALSE(editor::ReplaceDialogReplace(s, pane, fromTop));
    EXPECT_EQ(pane.Content, QStringLiteral("G01 G01 G01")) << "the first press only selects";
    EXPECT_EQ(Sel(pane), (Selection{0, 3}));
    EXPECT_FALSE(s.NoMatchSelected);

    EXPECT_FALSE(editor::ReplaceDialogReplace(s, pane, fromTop));
    EXPECT_EQ(pane.Content, QStringLiteral("G1 G01 G01"));
    EXPECT_EQ(Sel(pane), (Selection{3, 3})) << "the next match after a shorter replacement";

    EXPECT_FALSE(editor::ReplaceDialogReplace(s, pane, fromTop));
    const std::optional<Message> m = editor::ReplaceDialogReplace(s, pane, fromTop);
    EXPECT_EQ(pane.Content, QStringLiteral("G1 G1 G1"));
    EXPECT_EQ(s.ReplaceBuffer, pane.Content);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Text, QStringLiteral("3 回") + Ideographic + QStringLiteral("変更しました。"));
    EXPECT_TRUE(fromTop);
    EXPECT_TRUE(s.NoMatchSelected);
}

TEST(ReplaceDialog, SkipSelectsWithoutCountingAndKeepsTheBox) {
    StringPane pane(QStringLiteral("M03 M08 M03"));
    SearchState s = Replacing(pane, QStringLiteral("M03"), QStringLiteral("M04"));
    bool fromTop = true;
    EXPECT_FALSE(editor::ReplaceDialogSkip(s, pane, fromTop));
    EXPECT_EQ(Sel(pane), (Selection{0, 3}));
    EXPECT_FALSE(editor::ReplaceDialogSkip(s, pane, fromTop));
    EXPECT_EQ(Sel(pane), (Selection{8, 3}));
    EXPECT_EQ(s.MatchCount, 0);
    EXPECT_EQ(pane.Content, QStringLiteral("M03 M08 M03"));

    s.NoMatchSelected = false;
    const std::optional<Message> m = editor::ReplaceDialogSkip(s, pane, fromTop);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Text, QStringLiteral("\"M03\" 見つかりませんでした。"));
    EXPECT_FALSE(fromTop) << "Skip does not tick From top";
    EXPECT_TRUE(s.NoMatchSelected);
}

TEST(ReplaceDialog, SkipAfterReplacementsReportsTheirCount) {
    StringPane pane(QStringLiteral("S500 S500"));
    SearchState s = Replacing(pane, QStringLiteral("S500"), QStringLiteral("S800"));
    bool fromTop = true;
    editor::ReplaceDialogReplace(s, pane, fromTop);
    editor::ReplaceDialogReplace(s, pane, fromTop); // replaces the first, selects the second
    const std::optional<Message> m = editor::ReplaceDialogSkip(s, pane, fromTop);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Text, QStringLiteral("1 回 変更しました。"));
}

// All replace collects its matches in one pass; it must agree with replacing one match at a
// time and searching on right behind the inserted text.
TEST(ReplaceDialog, AllReplaceAgreesWithReplacingOneAtATime) {
    struct Case {
        QString text, find, replace;
        int caret;
        bool fromTop;
    };
    const Case cases[] = {
        {QStringLiteral("AAAA"), QStringLiteral("AA"), QStringLiteral("A"), 0, true},
        {QStringLiteral("AAAAA"), QStringLiteral("A"), QStringLiteral("AA"), 0, true},
        {QStringLiteral("X1 X2\nX3"), QStringLiteral("X"), QStringLiteral(""), 0, true},
        {QStringLiteral("G01G01G01G01"), QStringLiteral("G01"), QStringLiteral("G1 "), 5, false},
        {QStringLiteral("N1 N2 N3 N4"), QStringLiteral("N"), QStringLiteral("NN"), 1, false},
        {QStringLiteral("no match"), QStringLiteral("Q"), QStringLiteral("R"), 0, true},
    };
    for (const Case& c : cases) {
        StringPane fast(c.text);
        fast.Select(c.caret, 0);
        SearchState a = Replacing(fast, c.find, c.replace);
        bool top = c.fromTop;
        editor::ReplaceDialogAllReplace(a, fast, top);

        StringPane slow(c.text);
        slow.Select(c.caret, 0);
        SearchState b = Replacing(slow, c.find, c.replace);
        if (c.fromTop) b.SearchPos = 0;
        if (b.SearchPos > 1) b.SearchPos -= 2;
        const int start = b.SearchPos;
        int replaced = 0;
        while (editor::FindNext(b, slow, b.ReplaceBuffer)) {
            editor::ReplaceSelection(b, slow);
            ++replaced;
        }
        EXPECT_EQ(fast.Content, slow.Content) << c.text.toStdString();
        EXPECT_EQ(a.SearchPos, b.SearchPos) << c.text.toStdString();
        EXPECT_EQ(fast.Start, slow.Start) << c.text.toStdString();
        EXPECT_EQ(int(editor::AllReplaceMatches(c.text, c.find, start).size()), replaced);
    }
}

TEST(ReplaceDialog, AllReplaceWithAnEmptySearchTextDoesNothing) {
    StringPane pane(QStringLiteral("G01"));
    SearchState s = Replacing(pane, QString(), QStringLiteral("X"));
    bool fromTop = true;
    EXPECT_FALSE(editor::ReplaceDialogAllReplace(s, pane, fromTop));
    EXPECT_EQ(pane.Content, QStringLiteral("G01"));
}
