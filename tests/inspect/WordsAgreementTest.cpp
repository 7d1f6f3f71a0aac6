// SPDX-License-Identifier: GPL-3.0-or-later
// Random blocks read three ways must agree: by the interpreter (what the control does), by the
// advice's block words and by the pane's colouring. All three cut the block through
// interp/Words.h; the interpreter's value reader, which evaluates as it reads, must end each value
// where the extent-only reader of the other two ends it.

#include "advice/Advice.h"
#include "inspect/Tokens.h"
#include "interp/GCodes.h"
#include "interp/Interpreter.h"
#include "interp/Scanner.h"
#include "interp/Words.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using interp::words::Word;
using testing_support::TestMachine;

namespace {

// Mostly words as programs write them, with the odd comment, sign, operator, lower case,
// blank, bracket or character beyond ASCII between them.
std::u16string RandomBlock(std::mt19937& rng) {
    static const std::u16string letters = u"GGGXZUWFSTMNOQPRIKABCDHLVYEJ";
    static const std::u16string odd = u" \t()/*=[]#,+-.gxzn\u00e9\u52a0\x7f";
    const auto pick = [&](const std::u16string& from) { return from[rng() % from.size()]; };
    std::u16string b;
    const int parts = static_cast<int>(rng() % 8);
    for (int p = 0; p < parts; ++p) {
        switch (rng() % 6) {
        case 0:
        case 1:
        case 2: { // a word: letter, maybe a sign, digits, maybe a point
            b += pick(letters);
            if (rng() % 5 == 0) b += rng() % 2 ? u'-' : u'+';
            for (int d = static_cast<int>(rng() % 4); d > 0; --d)
                b += static_cast<char16_t>(u'0' + rng() % 10);
            if (rng() % 3 == 0) b += u'.';
            if (rng() % 4 == 0) b += static_cast<char16_t>(u'0' + rng() % 10);
            break;
        }
        case 3:
            b += u' ';
            break;
        case 4:
            b += pick(odd);
            break;
        default:
            if (rng() % 2)
                b += u"(C";
            else
                b += u')';
            break;
        }
    }
    return b;
}

constexpr double Unset = 7777.25;

// The field each address letter's value goes to (S with SB: SBWord).
double interp::MachineState::*FieldOf(char16_t letter, bool sb) {
    using S = interp::MachineState;
    switch (letter) {
    case u'X':
        return &S::CurX;
    case u'Y':
        return &S::YWord;
    case u'Z':
        return &S::CurZ;
    case u'C':
        return &S::CWord;
    case u'A':
    case u'B':
        return &S::TaperAngle;
    case u'M':
        return &S::MWord;
    case u'R':
        return &S::RWord;
    case u'S':
        return sb ? &S::SBWord : &S::SWord;
    case u'F':
        return &S::Feed;
    case u'T':
        return &S::TWord;
    case u'L':
        return &S::LWord;
    case u'D':
        return &S::DWord;
    case u'P':
        return &S::PWord;
    case u'H':
        return &S::HWord;
    case u'I':
        return &S::IWord;
    case u'K':
        return &S::KWord;
    case u'U':
        return &S::UWord;
    default:
        return &S::WWord;
    }
}

const std::u16string AddressLetters = u"XYZCABMRSFTLDPHIKUW";

} // namespace

TEST(WordsAgreement, InterpreterAdviceAndColouringReadRandomBlocksAlike) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 20000; ++round) {
        const std::u16string block = RandomBlock(rng);
        const bool fanuc = rng() % 2, blockDelete = rng() % 2, inComment = rng() % 4 == 0;
        SCOPED_TRACE(std::string(block.begin(), block.end()) + (fanuc ? " FANUC" : "") +
                     (blockDelete ? " /" : "") + (inComment ? " in comment" : ""));

        // The interpreter's own scan loop on a machine whose fields say which words it stored.
        TestMachine t;
        interp::MachineState& s = t.M.S;
        s.Replay = true;
        interp::ResetMachine(t.M);
        s.UnitCode = 1;
        s.FanucMode = fanuc;
        s.BlockDelete = blockDelete;
        s.InComment = inComment;
        s.GMode = 1;
        s.SBWord = s.SWord = s.TWord = s.MWord = Unset;
        for (char16_t c : AddressLetters)
            s.*FieldOf(c, false) = Unset;
        s.SequenceNumber = u"unset";
        s.BlockText = block;
        s.BlockLen = static_cast<int64_t>(block.size());
        interp::BlockFlags flags;
        interp::ScanBlock(t.M, flags);

        // The shared reading: the words, and the interpreter's readers put on each word's
        // letter must consume exactly the word.
        std::vector<Word> words;
        const bool commentAfter = interp::words::ScanWords(block, inComment, blockDelete,
                                                           [&](const Word& w) { words.push_back(w); });
        EXPECT_EQ(commentAfter, s.InComment);
        // Per field: whether its last word stores a value (a word without a number keeps the old).
        std::vector<std::pair<double interp::MachineState::*, bool>> stored;
        const auto note = [&stored](double interp::MachineState::*field, bool written) {
            for (auto& [f, w] : stored)
                if (f == field) {
                    w = w || written;
                    return;
                }
            stored.emplace_back(field, written);
        };
        const auto named = [&stored](double interp::MachineState::*field) {
            for (const auto& entry : stored)
                if (entry.first == field) return true;
            return false;
        };
        std::u16string sequence = u"unset";
        TestMachine probe;
        probe.M.S.UnitCode = 1;
        probe.M.S.BlockText = block;
        probe.M.S.BlockLen = s.BlockLen;
        for (const Word& w : words) {
            interp::MachineState& p = probe.M.S;
            if (w.What == Word::Kind::Address) {
                note(FieldOf(w.Letter, w.Value - w.Start == 2 && w.Letter == u'S'), !w.NoValue);
                p.ScanPos = w.Value;
                interp::ReadWordValue(probe.M);
                EXPECT_EQ(p.ScanPos, static_cast<int64_t>(w.End)) << "value at " << w.Start;
            } else if (w.What == Word::Kind::G) {
                p.ScanPos = w.Start + 1;
                interp::ReadGNumber(probe.M);
                EXPECT_EQ(p.ScanPos, static_cast<int64_t>(w.End)) << "G at " << w.Start;
            } else if (w.What == Word::Kind::Digits) {
                p.ScanPos = w.Start + 1;
                interp::ReadDigits(probe.M);
                EXPECT_EQ(p.ScanPos, static_cast<int64_t>(w.End)) << "digits at " << w.Start;
                if (w.Letter == u'N') sequence = block.substr(w.Value, w.End - w.Value);
            }
        }
        // Which words the interpreter stored (a value lost among the readers would show here).
        for (const auto& [field, written] : stored)
            if (written) {
                EXPECT_NE(s.*field, Unset);
            }
        // (G13 and G14 clear the T word themselves.)
        for (char16_t c : AddressLetters)
            if (!named(FieldOf(c, false)) && !(c == u'T' && s.TWord == 0)) {
                EXPECT_EQ(s.*FieldOf(c, false), Unset) << char(c);
            }
        if (!named(&interp::MachineState::SBWord)) {
            EXPECT_EQ(s.SBWord, Unset);
        }
        EXPECT_TRUE(s.SequenceNumber == sequence);

        // The advice: the modal code its G codes lead to is the interpreter's.
        advice::BlockWords seen;
        advice::ScanBlockWords(block, inComment, blockDelete, seen);
        double mode = 1;
        for (double g : seen.GCodes)
            mode = interp::ModeAfterG(mode, g, fanuc);
        EXPECT_EQ(mode, s.GMode);
        EXPECT_EQ(seen.InCommentAfter, s.InComment);

        // The colouring: the capitals it colours as words are the words the control reads.
        std::set<uint32_t> read, coloured;
        for (const Word& w : words)
            if (w.What == Word::Kind::Address || w.What == Word::Kind::G) read.insert(w.Start);
        bool tokenComment = inComment;
        for (const inspect::Token& tk : inspect::TokensOf(block, tokenComment))
            if (tk.What == inspect::Token::Kind::Address && interp::words::IsCapital(block[tk.Start]))
                coloured.insert(tk.Start);
        if (!blockDelete) {
            EXPECT_EQ(read, coloured);
            EXPECT_EQ(tokenComment, s.InComment);
        }
        if (HasFailure()) return;
    }
}
