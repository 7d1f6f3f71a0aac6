// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as a program, in both dialects and with block delete, must run to
// its end without a crash, a sanitizer report or a non-finite final position; its reports and,
// as the first bytes choose, its SVG picture (standard or framed, with rulers and legend, white
// or black) must be made without one either.

#include "check/Checker.h"
#include "check/Decode.h"
#include "check/Picture.h"
#include "picture/Framing.h"
#include "picture/Sheet.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The picture of the program as the checker's --svg, --fit, --rulers, --legend and --black make it.
void DrawPicture(const std::u16string& text, check::CheckOptions options, uint8_t choice) {
    picture::SheetOptions sheet;
    sheet.Rulers = choice & 1;
    sheet.Legend = choice & 2;
    sheet.WhiteBackground = !(choice & 4);
    options.WhiteBackground = sheet.WhiteBackground;
    const picture::SheetLayout layout = picture::LayOutSheet(sheet);
    const double w = layout.Viewport.W, h = layout.Viewport.H;
    if (choice & 8) {
        picture::BoundsCanvas bounds;
        check::CheckProgram(text, options, {}, {&bounds}, w, h);
        if (bounds.Extent()) options.Frame = picture::FitArea(*bounds.Extent(), w, h);
    }
    const auto made = check::MakeSvgPicture(layout);
    check::ViewportCanvas viewport(made->Canvas(), options.Lathe.Limits.NVLZ, picture::SheetBack(sheet));
    check::CheckReport r = check::CheckProgram(text, options, {}, {&viewport}, w, h);
    r.File = "fuzz.min";
    const picture::SheetContent content{sheet, layout, r.Visible, r.Mapping, check::LegendOf(r)};
    std::string bytes, why;
    if (!made->Encode(content, bytes, why) || bytes.find("</svg>") == std::string::npos) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text =
        check::DecodeProgram(std::string_view(reinterpret_cast<const char*>(data), size));
    check::CheckOptions options;
    options.Lathe.Fanuc = size > 0 && (data[0] & 1);
    options.BlockDelete = size > 0 && (data[0] & 2);
    options.Lathe.Unit = static_cast<int16_t>(size > 1 ? 1 + data[1] % 4 : 1);
    if (size > 3 && (data[3] & 0x80)) {
        // Limits far beyond any lathe, as --limits allows: a view (and a frame) far out.
        static constexpr double Far[][4] = {
            {1e17, 1e17, -1e17, -1e17}, {1e300, 1e300, -1e300, -1e300}, {500, 1e20, -200, 1e20}};
        const double* limits = Far[data[3] % 3];
        options.Lathe.Limits = {limits[0], limits[1], limits[2], static_cast<float>(limits[3])};
    }
    const check::CheckReport r = check::CheckProgram(text, options, [](const check::TracedSegment& s) {
        if (!std::isfinite(s.Segment.x0) || !std::isfinite(s.Segment.z1)) std::abort();
    });
    if (!std::isfinite(r.FinalX) || !std::isfinite(r.FinalZ) || !std::isfinite(r.CuttingTime)) std::abort();
    check::ReportText(r);
    check::ReportJson(r);
    // A picture for one input in two: drawing costs more than the run.
    if (size > 2 && (data[2] & 0x80)) DrawPicture(text, options, data[2]);
    return 0;
}
