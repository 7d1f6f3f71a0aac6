// libFuzzer target: any bytes as a program, in both dialects and with block delete, must run to
// its end without a crash, a sanitizer report or a non-finite final position.

#include "check/Checker.h"
#include "check/Decode.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text =
        check::DecodeProgram(std::string_view(reinterpret_cast<const char*>(data), size));
    check::CheckOptions options;
    options.Fanuc = size > 0 && (data[0] & 1);
    options.BlockDelete = size > 0 && (data[0] & 2);
    options.Unit = static_cast<int16_t>(size > 1 ? 1 + data[1] % 4 : 1);
    const check::CheckReport r = check::CheckProgram(text, options, [](const check::TracedSegment& s) {
        if (!std::isfinite(s.Segment.x0) || !std::isfinite(s.Segment.z1)) std::abort();
    });
    if (!std::isfinite(r.FinalX) || !std::isfinite(r.FinalZ) || !std::isfinite(r.CuttingTime)) std::abort();
    return 0;
}
