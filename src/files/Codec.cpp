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

QByteArray Encode(const QString& text, Encoding& enc) {
    QByteArray out;
    if (enc == Encoding::Latin1) {
        bool fits = true;
        for (QChar c : text)
            if (c.unicode() > 0xFF) {
                fits = false;
                break;
            }
        if (fits) return text.toLatin1();
    } else if (enc == Encoding::ShiftJis) {
        QStringEncoder sjis("Shift_JIS", kKeepBom);
        if (TryEncode(sjis, text, out)) return out;
    }
    QStringEncoder utf8(QStringConverter::Utf8, kKeepBom);
    enc = Encoding::Utf8;
    return utf8.encode(text);
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
