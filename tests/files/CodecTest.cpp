// SPDX-License-Identifier: GPL-3.0-or-later
// The window's codec against Qt's own Shift_JIS converter, the one the window used to read with:
// the same files are taken for Shift_JIS, with the same characters, and the same characters can be
// written. Two deliberate differences: Qt's converter reads the control bytes 1A, 1C and 7F of a
// Shift_JIS file as U+001C, U+007F and U+001A (a mainframe order of control codes) where every
// other file has them as themselves; and it writes U+F86F as the pair of U+2116, which would read
// back as another character.

#include "files/Codec.h"
#include "files/NativePath.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

constexpr auto kKeepBom = QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless;

bool QtHasShiftJis() {
    return QStringDecoder("Shift_JIS", kKeepBom).isValid();
}

// The window's former rule for Shift_JIS: decodes without error and encodes back to the bytes.
bool QtReadsShiftJis(const QByteArray& bytes, QString& text) {
    QStringDecoder decoder("Shift_JIS", kKeepBom);
    text = decoder.decode(bytes);
    if (decoder.hasError()) return false;
    QStringEncoder encoder("Shift_JIS", kKeepBom);
    const QByteArray again = encoder.encode(text);
    return !encoder.hasError() && again == bytes;
}

char16_t AsItself(char16_t qtControl) {
    switch (qtControl) {
    case 0x1C:
        return 0x1A;
    case 0x7F:
        return 0x1C;
    case 0x1A:
        return 0x7F;
    }
    return qtControl;
}

bool IsSwappedControl(char16_t c) {
    return c == 0x1A || c == 0x1C || c == 0x7F;
}

} // namespace

TEST(Codec, TakesTheFilesForShiftJisThatQtsConverterReadsAndWritesBack) {
    if (!QtHasShiftJis()) GTEST_SKIP() << "this Qt has no Shift_JIS converter";
    int shiftJis = 0;
    auto compare = [&](const QByteArray& bytes) {
        const files::Decoded mine = files::Decode(bytes);
        QString qt;
        if (mine.Enc == files::Encoding::Utf8) return; // valid UTF-8 never reaches Shift_JIS
        const bool takes = QtReadsShiftJis(bytes, qt);
        ASSERT_EQ(mine.Enc == files::Encoding::ShiftJis, takes) << bytes.toHex(' ').toStdString();
        if (!takes) return;
        ++shiftJis;
        for (QChar& c : qt)
            c = QChar(AsItself(c.unicode()));
        ASSERT_EQ(mine.Text, qt) << bytes.toHex(' ').toStdString();
    };
    // Every byte, every pair, and each pair between the bytes a Shift_JIS file is made of.
    for (int a = 0; a < 256; ++a) {
        ASSERT_NO_FATAL_FAILURE(compare(QByteArray(1, char(a))));
        for (int b = 0; b < 256; ++b) {
            const QByteArray pair = QByteArray(1, char(a)) + char(b);
            ASSERT_NO_FATAL_FAILURE(compare(pair));
            ASSERT_NO_FATAL_FAILURE(compare("(\x1a" + pair + "\xb6)"));
        }
    }
    EXPECT_GT(shiftJis, 9206);
}

TEST(Codec, WritesInShiftJisWhatQtsConverterWrites) {
    if (!QtHasShiftJis()) GTEST_SKIP() << "this Qt has no Shift_JIS converter";
    for (int u = 0; u < 0x10000; ++u) {
        const char16_t c = static_cast<char16_t>(u);
        if ((c >= 0xD800 && c <= 0xDFFF) || IsSwappedControl(c) || c == 0xF86F) continue;
        const QString text = QStringLiteral("X") + QChar(c) + QStringLiteral("Y");
        QStringEncoder encoder("Shift_JIS", kKeepBom);
        const QByteArray qt = encoder.encode(text);
        QByteArray mine;
        const bool written = files::Encode(text, files::Encoding::ShiftJis, mine);
        ASSERT_EQ(written, !encoder.hasError()) << std::hex << u;
        ASSERT_EQ(files::FirstUnencodable(text, files::Encoding::ShiftJis), written ? -1 : 1)
            << std::hex << u;
        if (written) {
            ASSERT_EQ(mine, qt) << std::hex << u;
        }
    }
}

// File names are bytes: every name must turn into text and back into the same bytes, UTF-8 or
// not, and valid UTF-8 must read as its characters.
TEST(NativePath, EveryNameReadsBackToItsOwnBytes) {
    EXPECT_EQ(files::PathFromNative("/tmp/Prüfteil 部品.min"), QString("/tmp/Prüfteil 部品.min"));
    EXPECT_EQ(files::NativePath(QString("/tmp/Prüfteil 部品 😀.min")), "/tmp/Prüfteil 部品 😀.min");
    for (const std::string name : {"PI\xc8"
                                   "CE.MIN",
                                   "\xff\xfe", "cut\xe3\x81", "over\xc0\xaf", "sur\xed\xa0\x80",
                                   "big\xf4\x90\x80\x80", "\x80 lone", "ok\xe3\x81\x82\xe3"}) {
        const QString text = files::PathFromNative(name);
        EXPECT_EQ(files::NativePath(text), name) << name;
        EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << name;
    }
    EXPECT_EQ(files::PathFromNative("a\xe9").size(), 2);
}
