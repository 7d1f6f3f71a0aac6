// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Decode.h"

#include "check/LargeBuffer.h"
#include "input/InputGuard.h"

namespace check {

Encoding DetectEncoding(std::string_view bytes) {
    return text::DetectEncoding(bytes);
}

std::u16string DecodeProgram(std::string_view bytes, Encoding* used) {
    std::u16string out;
    out.reserve(text::MaxDecodedUnits(bytes.size()));
    AdviseLargeBuffer(out.data(), out.capacity() * sizeof(char16_t));
    out.resize(text::MaxDecodedUnits(bytes.size()));
    Encoding e;
    out.resize(text::DecodeInto(bytes, out.data(), e));
    if (used) *used = e;
    return out;
}

bool ReadProgram(const std::string& path, std::u16string& text, std::string& why) {
    input::InputFile in(path);
    FileBytes bytes;
    if (in.Ok()) {
        bytes.reserve(static_cast<size_t>(in.Size() + input::InputFile::ReadStep));
        AdviseLargeBuffer(bytes.data(), static_cast<size_t>(in.Size()));
    }
    if (!in.ReadAll(bytes)) {
        why = in.Why();
        return false;
    }
    text = DecodeProgram(bytes.View());
    return true;
}

} // namespace check
