// SPDX-License-Identifier: GPL-3.0-or-later
// Random edits, undos, redos, scrolls and redraws over awkward programs, with the gutter
// numbering and colouring the lines on screen as in the window: at every save the exact text is
// the file's text with only the edits in it (a break typed or pasted is a CR LF, every other
// line keeps its own end), and with every edit undone the file saves back byte for byte.

#include "AwkwardCorpus.h"
#include "editor/ProgramView.h"
#include "files/FileIo.h"
#include "files/ProgramText.h"
#include "support/FileBytes.h"
#include "workbench/PaneGutter.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <random>

namespace {

// Offset in the exact text of a pane position: a break is one position, a CR LF two characters.
size_t OffsetOf(const std::u16string& t, int pane) {
    size_t i = 0;
    for (int p = 0; p < pane && i < t.size(); ++p)
        i += t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n' ? 2 : 1;
    return i;
}

std::string Difference(const std::u16string& got, const std::u16string& want) {
    const auto at = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    const size_t i = size_t(at.first - got.begin());
    auto around = [i](const std::u16string& s) {
        QString part = QString::fromStdU16String(s.substr(i > 8 ? i - 8 : 0, 24));
        return part.replace("\r", "<CR>").replace("\n", "<LF>").toStdString();
    };
    return "first difference at " + std::to_string(i) + ": got \"" + around(got) + "\", want \"" +
           around(want) + "\"";
}

// A program of a few hundred lines, its ends mixed at random, some lines empty or long, the
// last without a break: enough lines that most are off screen at any time.
QByteArray MixedProgram(std::mt19937& rng) {
    QByteArray out;
    for (int n = 0; n < 400; ++n) {
        if (rng() % 9 != 0)
            out += "N" + QByteArray::number(n) + " G01 X" + QByteArray::number(rng() % 90) + ".";
        if (rng() % 50 == 0) out += QByteArray(1000 + int(rng() % 1000), 'Z');
        const unsigned e = rng() % 4;
        out += e == 0 ? "\n" : e == 1 ? "\r" : "\r\n";
    }
    return out + "M30";
}

class Session {
  public:
    Session(const QByteArray& bytes, std::mt19937& rng) : Rng(rng) {
        Pane.resize(300, 110); // a few lines on screen
        Gutter = new workbench::PaneGutter(&Pane, [](int) {});
        Pane.show();
        WriteBytes(Dir.filePath("IN.MIN"), bytes);
        File = files::ReadProgramFile(Dir.filePath("IN.MIN")).File;
        Text.Load(File.Text);
        States.push_back(File.Text.toStdU16String());
    }
    ~Session() { delete Gutter; }

    // The text the pane stands for now: the state of the undo step it is at.
    const std::u16string& Expected() const { return States[Level]; }
    int Positions() const { return Text.PaneLength(); }
    int Random(int n) { return n > 0 ? int(Rng() % unsigned(n)) : 0; }

    // One random step; returns what it was, for the trace.
    std::string Step() {
        switch (Random(10)) {
        case 0:
        case 1: {
            const QString typed = QString::fromLatin1("GXZ01. ;(").mid(Random(9), 1 + Random(2));
            Edit(Random(Positions() + 1), 0, typed, [&] { QTest::keyClicks(&Pane, typed); });
            return "type";
        }
        case 2:
            Edit(Random(Positions() + 1), 0, "\n", [&] { QTest::keyClick(&Pane, Qt::Key_Return); });
            return "enter";
        case 3: {
            const int from = Random(Positions());
            const int length = std::min(1 + Random(3), Positions() - from);
            if (length <= 0) return "nothing to delete";
            const auto key = Random(2) ? Qt::Key_Delete : Qt::Key_Backspace;
            Edit(from, length, "", [&] { QTest::keyClick(&Pane, key); });
            return "delete";
        }
        case 4: {
            const int from = Random(Positions() + 1);
            const int length = std::min(Random(3), Positions() - from);
            const QString pasted = Random(2) ? "G00\nX1." : "\n";
            Edit(from, length, pasted, [&] { Pane.InsertText(pasted); });
            return "paste";
        }
        case 5:
            if (Random(3)) {
                Level -= Text.CanUndo() ? 1 : 0;
                Pane.Undo();
                return "undo";
            }
            Level += Text.CanRedo() ? 1 : 0;
            Pane.Redo();
            return "redo";
        case 6:
        case 7:
            Pane.verticalScrollBar()->setValue(Random(Pane.verticalScrollBar()->maximum() + 1));
            Pane.horizontalScrollBar()->setValue(Random(2) ? 0 : Pane.horizontalScrollBar()->maximum());
            QApplication::processEvents();
            return "scroll";
        default:
            Pane.viewport()->repaint();
            Gutter->repaint();
            return "redraw";
        }
    }

    void UndoAll() {
        while (Text.CanUndo())
            Pane.Undo();
        Level = 0;
    }

    std::mt19937& Rng;
    files::ProgramText Text;
    editor::ProgramView Pane{Text};
    workbench::PaneGutter* Gutter = nullptr;
    QTemporaryDir Dir;
    files::Decoded File;

  private:
    // Selects pane positions [from, from + length), does `act` and notes the text it should
    // give: the selection replaced by `with`, each of its breaks a CR LF.
    template <class Act> void Edit(int from, int length, const QString& with, Act act) {
        Pane.SetSelection(from, from + length);
        std::u16string now = Expected();
        const size_t start = OffsetOf(now, from);
        const size_t end = OffsetOf(now, from + length);
        QString inserted = with;
        now.replace(start, end - start, inserted.replace("\n", "\r\n").toStdU16String());
        // Each edit one undo step of its own (typing would merge with the step before), so
        // that the test knows which state an undo goes back to.
        Text.BeginStep();
        act();
        Text.EndStep();
        States.resize(++Level); // the steps undone before it are gone
        States.push_back(now);
    }

    std::vector<std::u16string> States; // the text after each undo step, the file's first
    size_t Level = 0;                   // the undo step the pane is at
};

} // namespace

TEST(LineEndSafety, RandomEditsUndosAndScrollsChangeNoByteOutsideTheEdits) {
    std::mt19937 rng(20260417);
    std::vector<awkward::Awkward> corpus = awkward::Corpus();
    corpus.push_back({"a few hundred mixed lines", MixedProgram(rng)});
    for (const awkward::Awkward& file : corpus) {
        SCOPED_TRACE(file.Name);
        Session s(file.Bytes, rng);
        const int steps = file.Bytes.size() > 1000 ? 300 : 60;
        for (int n = 0; n < steps; ++n) {
            const std::string step = s.Step();
            if (s.Random(4) == 0 || n + 1 == steps) { // a save: the text it would write
                const std::u16string& got = s.Text.Snapshot();
                ASSERT_TRUE(got == s.Expected())
                    << "step " << n << " (" << step << "), " << Difference(got, s.Expected());
            }
        }
        // Every edit undone: the file as it was, byte for byte.
        s.UndoAll();
        ASSERT_TRUE(s.Text.Snapshot() == s.File.Text.toStdU16String())
            << Difference(s.Text.Snapshot(), s.File.Text.toStdU16String());
        QString error;
        const QString out = s.Dir.filePath("OUT.MIN");
        ASSERT_TRUE(files::WriteProgramFile(out, s.Text.SnapshotString(), s.File.Enc, error))
            << error.toStdString();
        EXPECT_EQ(ReadBytes(out), file.Bytes);
    }
}

// The conversion the operator asks for on a text the control cannot read: every break a CR LF,
// and an undo of an edit made before it does not bring back a lone LF.
TEST(LineEndSafety, ConvertedLineEndsStayConvertedThroughUndo) {
    files::ProgramText text;
    text.Load("G00\nG01\rM30");
    text.Replace(3, 4, ""); // joins the first two lines: the LF goes
    text.ConvertLineEndsToCrLf();
    EXPECT_EQ(text.SnapshotString(), "G00G01\r\nM30");
    text.Undo();
    EXPECT_EQ(text.SnapshotString(), "G00\r\nG01\r\nM30");
    text.Load("G00\nM30");
    EXPECT_EQ(text.SnapshotString(), "G00\nM30"); // a new program keeps its own ends
}
