// SPDX-License-Identifier: GPL-3.0-or-later
// The program text: pane positions against the exact text, edits and their undo, line ends.
#include "files/ProgramText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using files::LineEnd;
using files::ProgramText;
using Typing = files::ProgramText::Typing;

namespace {

QString Q(const char16_t* s) {
    return QString::fromUtf16(s);
}
std::u16string U(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

// The pane's form of an exact text: one LF per break, read as the control reads them.
std::u16string PaneForm(const std::u16string& exact) {
    std::u16string out;
    for (size_t i = 0; i < exact.size(); ++i) {
        if (exact[i] == u'\r' && i + 1 < exact.size() && exact[i + 1] == u'\n') ++i;
        out += exact[i] == u'\r' ? u'\n' : exact[i];
    }
    return out;
}

std::u16string CrLf(const std::u16string& pane) {
    std::u16string out;
    for (const char16_t c : pane)
        out += c == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, c);
    return out;
}

// The index agrees with the pane text, line by line, and positions survive the way there and back.
void ExpectConsistent(const ProgramText& t, const std::u16string& pane) {
    ASSERT_EQ(t.PaneLength(), int(pane.size()));
    ASSERT_EQ(U(t.PaneText()), pane);
    size_t at = 0;
    for (int l = 0; l < t.LineCount(); ++l) {
        ASSERT_EQ(t.LineStart(l), int(at));
        const size_t end = std::min(pane.find(u'\n', at), pane.size());
        ASSERT_EQ(std::u16string(t.LineView(l)), pane.substr(at, end - at)) << "line " << l;
        ASSERT_EQ(t.EndOf(l) == LineEnd::None, l + 1 == t.LineCount());
        at = end + 1;
    }
    for (int p = 0; p <= t.PaneLength(); ++p)
        ASSERT_EQ(t.ToPanePosition(t.ToTextOffset(p)), p);
}

} // namespace

TEST(ProgramText, PositionsMapAroundEveryKindOfBreak) {
    ProgramText t;
    const std::u16string exact = u"G0\r\nX1\nZ2\rM30";
    t.Load(Q(exact.c_str()));
    EXPECT_EQ(t.Snapshot(), exact);
    ASSERT_EQ(t.LineCount(), 4);
    EXPECT_EQ(t.EndOf(0), LineEnd::CrLf);
    EXPECT_EQ(t.EndOf(1), LineEnd::Lf);
    EXPECT_EQ(t.EndOf(2), LineEnd::Cr);
    EXPECT_EQ(t.EndOf(3), LineEnd::None);
    EXPECT_EQ(t.LongestLine(), 3);
    ExpectConsistent(t, u"G0\nX1\nZ2\nM30");
    // The CR of a CR LF ends its line; the LF starts the next one.
    EXPECT_EQ(t.ToTextOffset(2), 2);
    EXPECT_EQ(t.ToPanePosition(2), 2);
    EXPECT_EQ(t.ToPanePosition(3), 3);
    EXPECT_EQ(t.ToTextOffset(3), 4);
    EXPECT_EQ(t.LineAt(2), 0);
    EXPECT_EQ(t.LineAt(3), 1);
    EXPECT_EQ(t.ToTextOffset(t.PaneLength()), int64_t(exact.size()));
    EXPECT_EQ(t.PaneRange(1, 7), Q(u"0\nX1\nZ"));

    t.Load(Q(u"A\n\r\n"));
    EXPECT_EQ(t.LineCount(), 3);
    ExpectConsistent(t, u"A\n\n");
}

// Mixed breaks, so that edits empty lines between a lone CR and a lone LF (the two then read as one
// CR LF but stay two lines until the file is read again) and later edits remove such pairs.
TEST(ProgramText, RandomEditsUndoToTheLoadedTextByteForByte) {
    std::mt19937 rng(20240611);
    const std::u16string pieces[] = {u"G1 X2",  u"\r\n",   u"\n",   u"\r", u"Z",
                                     u"\u2028", u"\r\r\n", u"\n\n", u""};
    for (int round = 0; round < 300; ++round) {
        std::u16string loaded;
        for (int i = 0; i < 40; ++i)
            loaded += pieces[rng() % std::size(pieces)];
        ProgramText t;
        t.Load(QString::fromUtf16(loaded.data(), qsizetype(loaded.size())));
        std::u16string pane = PaneForm(loaded);
        // What a view learns from the signals alone.
        std::u16string seen = pane;
        QObject::connect(&t, &ProgramText::Changed, [&](int from, int removed, int added) {
            seen.replace(size_t(from), size_t(removed), U(t.PaneRange(from, from + added)));
        });
        const bool converted = round % 4 == 3;
        ExpectConsistent(t, pane);
        for (int i = 0; i < 60; ++i) {
            const int n = int(pane.size()) + 1;
            int from = int(rng() % unsigned(n)), to = int(rng() % unsigned(n));
            if (rng() % 2) to = from + int(rng() % 3);
            to = std::min(to, n - 1);
            std::u16string with = pieces[rng() % std::size(pieces)];
            if (rng() % 3 == 0) with.clear();
            if (rng() % 6 == 0) {
                // Several ranges at once, ascending and apart, as a replace-all makes them.
                std::vector<ProgramText::Change> changes;
                std::u16string after;
                size_t done = 0;
                for (int at = int(rng() % 4); at < n - 1; at += 1 + int(rng() % 6)) {
                    const int until = std::min(n - 1, at + int(rng() % 3));
                    std::u16string put = pieces[rng() % std::size(pieces)];
                    changes.push_back({at, until, QString::fromUtf16(put.data(), qsizetype(put.size()))});
                    after += pane.substr(done, size_t(at) - done) + PaneForm(put);
                    done = size_t(until);
                    at = until;
                }
                pane = after + pane.substr(done);
                t.ReplaceEach(changes);
            } else {
                const bool group = rng() % 5 == 0;
                if (group) t.BeginStep();
                const int end = t.Replace(from, to, QString::fromUtf16(with.data(), qsizetype(with.size())),
                                          Typing(rng() % 4));
                if (to < from) std::swap(from, to);
                pane.replace(size_t(from), size_t(to - from), PaneForm(with));
                EXPECT_EQ(end, from + int(PaneForm(with).size()));
                if (group) t.EndStep();
            }
            if (rng() % 10 == 0) t.SetModified(false);
            ASSERT_NO_FATAL_FAILURE(ExpectConsistent(t, pane)) << "round " << round << " edit " << i;
            if (converted && i == 30) {
                t.ConvertLineEndsToCrLf();
                ASSERT_EQ(t.Snapshot(), CrLf(pane));
            }
        }
        ASSERT_EQ(seen, pane);
        const std::u16string edited = t.Snapshot();
        while (t.CanUndo())
            t.Undo();
        ASSERT_EQ(t.Snapshot(), converted ? CrLf(PaneForm(loaded)) : loaded) << "round " << round;
        ASSERT_NO_FATAL_FAILURE(ExpectConsistent(t, PaneForm(loaded)));
        while (t.CanRedo())
            t.Redo();
        ASSERT_EQ(t.Snapshot(), edited) << "round " << round;
        ASSERT_EQ(seen, U(t.PaneText()));
    }
}

TEST(ProgramText, TypingMergesUntilABreakOrTheSavedText) {
    ProgramText t;
    t.Load(Q(u"X\nY"));
    int modifiedSignals = 0;
    QObject::connect(&t, &ProgramText::ModificationChanged, [&](bool) { ++modifiedSignals; });
    int p = 1;
    for (const char16_t* c : {u"1", u"2", u"3"})
        p = t.Replace(p, p, Q(c), Typing::Insert);
    EXPECT_EQ(modifiedSignals, 1);
    p = t.Replace(p, p, Q(u"\n"), Typing::Insert); // Enter: its own step
    t.Replace(p, p, Q(u"4"), Typing::Insert);
    EXPECT_EQ(t.Snapshot(), u"X123\r\n4\nY");
    EXPECT_EQ(t.Undo(), 5);
    EXPECT_EQ(t.Undo(), 4);
    EXPECT_EQ(t.Snapshot(), u"X123\nY");
    EXPECT_EQ(t.Undo(), 1); // the three typed characters at once, the caret at their start
    EXPECT_EQ(t.Snapshot(), u"X\nY");
    EXPECT_FALSE(t.Modified());
    EXPECT_EQ(modifiedSignals, 2);
    EXPECT_EQ(t.Undo(), -1);

    // A save point splits the typing; undoing back to it makes the text unmodified again.
    t.Replace(1, 1, Q(u"a"), Typing::Insert);
    t.SetModified(false);
    t.Replace(2, 2, Q(u"b"), Typing::Insert);
    t.Undo();
    EXPECT_FALSE(t.Modified());
    EXPECT_EQ(t.Snapshot(), u"Xa\nY");
    // Backspace runs merge, never across a break; the caret goes behind what came back.
    t.Load(Q(u"ab\ncd"));
    t.Replace(4, 5, {}, Typing::DeleteBack);
    t.Replace(3, 4, {}, Typing::DeleteBack);
    t.Replace(2, 3, {}, Typing::DeleteBack);
    EXPECT_EQ(t.Snapshot(), u"ab");
    EXPECT_EQ(t.Undo(), 3);
    EXPECT_EQ(t.Snapshot(), u"ab\n");
    EXPECT_EQ(t.Undo(), 5);
    EXPECT_EQ(t.Snapshot(), u"ab\ncd");
    EXPECT_EQ(t.Redo(), 3);
    EXPECT_EQ(t.Snapshot(), u"ab\n");
    // A new edit drops the redo.
    t.Replace(0, 0, Q(u"N"));
    EXPECT_FALSE(t.CanRedo());
    // Delete runs merge at one place; a group is one step.
    t.Load(Q(u"abcd"));
    t.Replace(1, 2, {}, Typing::DeleteForward);
    t.Replace(1, 2, {}, Typing::DeleteForward);
    t.BeginStep();
    t.Replace(0, 0, Q(u"<"));
    t.BeginStep();
    t.Replace(3, 3, Q(u">"));
    t.EndStep();
    t.EndStep();
    t.Undo();
    EXPECT_EQ(t.Snapshot(), u"ad");
    t.Undo();
    EXPECT_EQ(t.Snapshot(), u"abcd");
}

TEST(ProgramText, AnEditNeverChangesAHeldText) {
    ProgramText t;
    t.Load(Q(u"G0 X1\nM30"));
    const auto held = t.Shared();
    EXPECT_EQ(t.Shared(), held); // unchanged text: the same object
    t.Replace(0, 2, Q(u"G1"));
    EXPECT_EQ(*held, u"G0 X1\nM30");
    EXPECT_EQ(t.Snapshot(), u"G1 X1\nM30");
    t.ConvertLineEndsToCrLf();
    EXPECT_EQ(*held, u"G0 X1\nM30");
}

TEST(ProgramText, ConvertedLineEndsStayCrLfThroughUndoAndRedo) {
    ProgramText t;
    t.Load(Q(u"A\nB\rC"));
    t.Replace(1, 4, {}); // removes "\nB\r"
    t.Replace(0, 0, Q(u"Q"));
    t.SetModified(false);
    int from = -1, removed = -1, added = -1;
    QObject::connect(&t, &ProgramText::Changed,
                     [&](int f, int r, int a) { from = f, removed = r, added = a; });
    t.ConvertLineEndsToCrLf();
    EXPECT_EQ(from, 0);
    EXPECT_EQ(removed, t.PaneLength());
    EXPECT_EQ(added, t.PaneLength());
    EXPECT_TRUE(t.Modified());
    EXPECT_EQ(t.Snapshot(), u"QAC");
    t.Undo();
    t.Undo();
    EXPECT_EQ(t.Snapshot(), u"A\r\nB\r\nC");
    EXPECT_TRUE(t.Modified());
    t.Redo();
    EXPECT_EQ(t.Snapshot(), u"AC");

    t.Load(Q(u"A\nB\rC\r\n"));
    t.Replace(0, 1, Q(u"a"));
    t.ConvertLineEndsToCrLf();
    EXPECT_EQ(t.Snapshot(), u"a\r\nB\r\nC\r\n");
    t.Undo();
    EXPECT_EQ(t.Snapshot(), u"A\r\nB\r\nC\r\n");
    ExpectConsistent(t, u"A\nB\nC\n");
}
