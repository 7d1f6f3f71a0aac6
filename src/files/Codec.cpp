#include "files/Codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace files {

namespace {

// A byte order mark stays a character of the text, so that it is written back as it was read.
constexpr auto kKeepBom = QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless;

bool TryDecode(QStringDecoder& decoder, const QByteArray& bytes, QString& out) {
    if (!decoder.isValid()) return false;
    out = decoder.decode(bytes);
    return !decoder.hasError();
}

bool TryEncode(QStringEncoder& encoder, const QString& text, QByteArray& out) {
    if (!encoder.isValid()) return false;
    out = encoder.encode(text);
    return !encoder.hasError();
}

} // namespace

Decoded Decode(const QByteArray& bytes) {
    Decoded d;
    QStringDecoder utf8(QStringConverter::Utf8, kKeepBom);
    if (TryDecode(utf8, bytes, d.Text)) {
        d.Enc = Encoding::Utf8;
        return d;
    }
    QStringDecoder sjis("Shift_JIS", kKeepBom);
    if (TryDecode(sjis, bytes, d.Text)) {
        QStringEncoder back("Shift_JIS", kKeepBom);
        QByteArray again;
        if (TryEncode(back, d.Text, again) && again == bytes) {
            d.Enc = Encoding::ShiftJis;
            return d;
        }
    }
    d.Text = QString::fromLatin1(bytes);
    d.Enc = Encoding::Latin1;
    return d;
}

bool Encode(const QString& text, Encoding enc, QByteArray& out) {
    switch (enc) {
    case Encoding::Latin1:
        if (FirstUnencodable(text, enc) >= 0) return false;
        out = text.toLatin1();
        return true;
    case Encoding::ShiftJis: {
        QStringEncoder sjis("Shift_JIS", kKeepBom);
        return TryEncode(sjis, text, out);
    }
    case Encoding::Utf8:
        break;
    }
    QStringEncoder utf8(QStringConverter::Utf8, kKeepBom);
    return TryEncode(utf8, text, out);
}

qsizetype FirstUnencodable(const QString& text, Encoding enc) {
    if (enc == Encoding::Latin1) {
        for (qsizetype i = 0; i < text.size(); ++i)
            if (text[i].unicode() > 0xFF) return i;
        return -1;
    }
    QByteArray out;
    if (Encode(text, enc, out)) return -1;
    // Narrow down line by line, then character by character (a surrogate pair is one character).
    qsizetype lineStart = 0;
    while (lineStart < text.size()) {
        qsizetype lineEnd = text.indexOf(u'\n', lineStart);
        lineEnd = lineEnd < 0 ? text.size() : lineEnd + 1;
        if (!Encode(text.mid(lineStart, lineEnd - lineStart), enc, out)) {
            for (qsizetype i = lineStart; i < lineEnd; ++i) {
                const qsizetype n = text[i].isHighSurrogate() && i + 1 < lineEnd ? 2 : 1;
                if (!Encode(text.mid(i, n), enc, out)) return i;
                i += n - 1;
            }
            return lineStart;
        }
        lineStart = lineEnd;
    }
    return 0;
}

const char* EncodingName(Encoding enc) {
    switch (enc) {
    case Encoding::Utf8:
        return "UTF-8";
    case Encoding::ShiftJis:
        return "Shift_JIS";
    case Encoding::Latin1:
        return "Latin-1";
    }
    return "";
}

} // namespace files
