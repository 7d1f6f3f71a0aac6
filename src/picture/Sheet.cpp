// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/Sheet.h"

#include "picture/SvgSheet.h"

#include "base/Legacy.h"
#include "motion/Motion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace picture {

namespace {

constexpr double RulerPoints = 9;   // the window's ruler labels
constexpr double LegendPoints = 10; // legend lines
constexpr double TitlePoints = 11;  // the program's name
constexpr double MajorTick = 7, MinorTick = 3;
constexpr double Pad = 12; // inside the legend
constexpr int32_t AlarmRed = 0x0000FF;
constexpr int32_t Grey = 0x808080;
// NOTE: a ruler never draws more ticks than this; a finer step would be closer than a pixel.
constexpr long MaxTicks = 4000;

double Px(double points) {
    return points * 96.0 / 72.0;
}

// Line height of a face of `points`.
double LineHeight(double points) {
    return std::ceil(Px(points) * 1.25);
}

// The multiples of `step` from low to high, at most MaxTicks of them.
// Multiples so far out that a double no longer tells one from the next (and no label would be
// readable) draw none.
template <typename Each> void ForEachMultiple(double step, double low, double high, Each each) {
    if (!(step > 0) || !std::isfinite(low) || !std::isfinite(high)) return;
    const double first = std::ceil(low / step), last = std::floor(high / step);
    constexpr double Farthest = 1e15;
    if (!(last - first < MaxTicks) || !(std::fabs(first) < Farthest) || !(std::fabs(last) < Farthest)) return;
    for (double k = first; k <= last; ++k)
        each(k * step, static_cast<long>(k));
}

// Every how many ticks a label goes: at least 1, and never more than there are ticks.
long LabelEvery(double ticksPerLabel) {
    const double every = std::ceil(ticksPerLabel);
    return every >= 1 && every <= MaxTicks ? static_cast<long>(every) : every > MaxTicks ? MaxTicks : 1;
}

// Shortens `text` from its start with "..." until it fits `width`.
std::string Fitted(Overlay& o, const std::string& text, double width, double points, bool bold) {
    if (o.TextWidth(text, points, bold) <= width) return text;
    size_t from = 0;
    std::string shown;
    do {
        ++from;
        while (from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80)
            ++from; // never inside a UTF-8 character
        shown = "..." + text.substr(std::min(from, text.size()));
    } while (from < text.size() && o.TextWidth(shown, points, bold) > width);
    return shown;
}

} // namespace

int32_t SheetBack(const SheetOptions& o) {
    return o.WhiteBackground ? 0xFFFFFF : 0;
}

int32_t SheetFore(const SheetOptions& o) {
    return o.WhiteBackground ? 0 : 0xFFFFFF;
}

std::string LegendSeconds(double seconds) {
    return legacy::FormatFixed(seconds, 2) + " s";
}

std::string LegendClock(double seconds) {
    // Hours, minutes and seconds are worked out in doubles: the hours of a time a float can hold
    // are no integer's.
    const double whole = legacy::CInt(seconds);
    if (!std::isfinite(whole)) return "--:--:--";
    const double t = std::fabs(whole);
    const double hours = std::floor(t / 3600);
    const int minutes = static_cast<int>(std::fmod(std::floor(t / 60), 60.0));
    const int secs = static_cast<int>(std::fmod(t, 60.0));
    char buf[400];
    std::snprintf(buf, sizeof buf, "%s%.0f:%02d:%02d", whole < 0 ? "-" : "", hours, minutes, secs);
    return buf;
}

std::string LegendAlarms(size_t alarms) {
    if (alarms == 0) return "no alarms";
    return std::to_string(alarms) + (alarms == 1 ? " alarm" : " alarms");
}

SheetLayout LayOutSheet(const SheetOptions& options) {
    SvgOverlay metrics;
    SheetLayout l;
    const double w = std::round(options.WidthPx), h = std::round(options.HeightPx);
    l.Page = Rect{0, 0, w, h};
    double right = w;
    if (options.Legend) {
        const double wanted =
            metrics.TextWidth("Cutting time 0000:00:00 (0000000.00 s)", LegendPoints) + 2 * Pad;
        const double lw = std::round(std::min(std::max(wanted, 220.0), 0.4 * w));
        right = w - lw;
        l.Legend = Rect{right, 0, lw, h};
    }
    l.Viewport = Rect{0, 0, right, h};
    if (options.Rulers) {
        const double xw = std::ceil(metrics.TextWidth("X-8888.8", RulerPoints) + MajorTick + 8);
        const double zh = std::ceil(MajorTick + 3 + LineHeight(RulerPoints) + 2);
        l.Viewport = Rect{xw, 0, right - xw, h - zh};
        l.XRuler = Rect{0, 0, xw, h - zh};
        l.ZRuler = Rect{xw, h - zh, right - xw, zh};
        l.Corner = Rect{0, h - zh, xw, zh};
    }
    return l;
}

void DrawRulers(Overlay& o, const SheetLayout& l, const SheetOptions& options, const Area& visible,
                const RulerMapping& mapping) {
    const int32_t back = SheetBack(options), fore = SheetFore(options);
    for (const Rect& r : {l.XRuler, l.ZRuler, l.Corner})
        o.Fill(r, back);
    const Rect& v = l.Viewport;
    if (!(visible.Width > 0) || !(visible.Height > 0)) return;
    // The window's step: the canvas is four viewports wide.
    const double step = motion::RulerStep(4 * visible.Width);
    const double across = v.W / visible.Width, down = v.H / visible.Height; // pixels per unit
    const double textHeight = Px(RulerPoints) * 1.2;

    // Z ruler (X labels in the vertical layout) under the viewport, ticks hanging from its edge.
    const double zTop = l.ZRuler.Y;
    const double labelWidth = std::max(
        o.TextWidth(motion::RulerLabel(true, visible.Left, mapping.Vertical, mapping.XSign), RulerPoints),
        o.TextWidth(motion::RulerLabel(true, visible.Left + visible.Width, mapping.Vertical, mapping.XSign),
                    RulerPoints));
    const long zEvery = LabelEvery((labelWidth + 10) / (step * across));
    if (step / 5 * across >= 5)
        ForEachMultiple(step / 5, visible.Left, visible.Left + visible.Width, [&](double t, long) {
            const double x = std::round(v.X + (t - visible.Left) * across) + 0.5;
            o.Line(x, zTop + 0.5, x, zTop + MinorTick + 0.5, fore);
        });
    ForEachMultiple(step, visible.Left, visible.Left + visible.Width, [&](double t, long k) {
        const double x = std::round(v.X + (t - visible.Left) * across) + 0.5;
        o.Line(x, zTop + 0.5, x, zTop + MajorTick + 0.5, fore);
        if (k % zEvery) return;
        const std::string label = motion::RulerLabel(true, t, mapping.Vertical, mapping.XSign);
        const double half = o.TextWidth(label, RulerPoints) / 2;
        const double at = std::clamp(x, v.X + half, v.X + v.W - half);
        o.Text(at, zTop + MajorTick + 3, label, RulerPoints, fore, Anchor::Middle);
    });

    // X ruler (Z labels in the vertical layout) left of the viewport, ticks from its edge.
    const double xRight = l.XRuler.X + l.XRuler.W;
    const long xEvery = LabelEvery((textHeight + 6) / (step * down));
    if (step / 5 * down >= 5)
        ForEachMultiple(step / 5, visible.Top, visible.Top + visible.Height, [&](double t, long) {
            const double y = std::round(v.Y + (t - visible.Top) * down) + 0.5;
            o.Line(xRight - MinorTick - 0.5, y, xRight - 0.5, y, fore);
        });
    ForEachMultiple(step, visible.Top, visible.Top + visible.Height, [&](double t, long k) {
        const double y = std::round(v.Y + (t - visible.Top) * down) + 0.5;
        o.Line(xRight - MajorTick - 0.5, y, xRight - 0.5, y, fore);
        if (k % xEvery) return;
        const double top = std::clamp(y - textHeight / 2, v.Y, v.Y + v.H - textHeight);
        o.Text(xRight - MajorTick - 3, top, motion::RulerLabel(false, t, mapping.Vertical, mapping.XSign),
               RulerPoints, fore, Anchor::End);
    });

    // The viewport's edges along the rulers.
    o.Line(xRight - 0.5, v.Y, xRight - 0.5, v.Y + v.H, fore);
    o.Line(v.X, zTop + 0.5, v.X + v.W, zTop + 0.5, fore);
}

void DrawLegend(Overlay& o, const SheetLayout& l, const SheetOptions& options, const LegendContent& legend) {
    const Rect& r = l.Legend;
    if (!(r.W > 0)) return;
    const int32_t back = SheetBack(options), fore = SheetFore(options);
    o.Fill(r, back);
    o.Line(r.X + 0.5, r.Y, r.X + 0.5, r.Y + r.H, fore);
    const double left = r.X + Pad, right = r.X + r.W - Pad, width = right - left;
    double y = r.Y + Pad;
    const double line = LineHeight(LegendPoints);

    o.Text(left, y, Fitted(o, legend.Program, width, TitlePoints, true), TitlePoints, fore, Anchor::Start,
           true);
    y += LineHeight(TitlePoints) + 4;
    o.Text(left, y,
           Fitted(o,
                  "Cutting time " + LegendClock(legend.CuttingSeconds) + " (" +
                      LegendSeconds(legend.CuttingSeconds) + ")",
                  width, LegendPoints, false),
           LegendPoints, fore, Anchor::Start);
    y += line;
    o.Text(left, y, LegendAlarms(legend.Alarms), LegendPoints, legend.Alarms ? AlarmRed : fore,
           Anchor::Start);
    y += line + 6;
    o.Line(left, y + 0.5, right, y + 0.5, Grey);
    y += 8;
    o.Text(left, y, "Tool", LegendPoints, fore, Anchor::Start, true);
    o.Text(right, y, "Cutting time", LegendPoints, fore, Anchor::End, true);
    y += line + 2;

    const double rowHeight = line + 2;
    const double swatchX = left + o.TextWidth("T0000", LegendPoints) + 6;
    const size_t fits =
        y + rowHeight <= r.Y + r.H - Pad ? static_cast<size_t>((r.Y + r.H - Pad - y) / rowHeight) : 0;
    const size_t shown = legend.Tools.size() <= fits ? legend.Tools.size() : (fits ? fits - 1 : 0);
    for (size_t i = 0; i < shown; ++i, y += rowHeight) {
        const LegendTool& t = legend.Tools[i];
        o.Text(left, y, "T" + legacy::Str15(t.Tool), LegendPoints, fore, Anchor::Start);
        double x = swatchX;
        const double sh = std::round(Px(LegendPoints) * 0.8);
        for (size_t c = 0; c < t.Colors.size() && c < 3; ++c, x += 22) {
            const Rect swatch{x, std::round(y + (Px(LegendPoints) * 1.2 - sh) / 2), 18, sh};
            // A grey edge keeps a swatch in the background colour visible.
            o.Fill(swatch, Grey);
            o.Fill(Rect{swatch.X + 1, swatch.Y + 1, swatch.W - 2, swatch.H - 2}, t.Colors[c]);
        }
        if (t.Colors.size() > 3)
            o.Text(x, y, "+" + std::to_string(t.Colors.size() - 3), LegendPoints, fore, Anchor::Start);
        o.Text(right, y, LegendSeconds(t.Seconds), LegendPoints, fore, Anchor::End);
    }
    if (shown < legend.Tools.size() && fits > 0) {
        const size_t more = legend.Tools.size() - shown;
        o.Text(left, y, "and " + std::to_string(more) + (more == 1 ? " more tool" : " more tools"),
               LegendPoints, fore, Anchor::Start);
    }
}

void DrawSheet(Overlay& o, const SheetContent& sheet) {
    if (sheet.Options.Rulers) DrawRulers(o, sheet.Layout, sheet.Options, sheet.Visible, sheet.Mapping);
    if (sheet.Options.Legend) DrawLegend(o, sheet.Layout, sheet.Options, sheet.Legend);
}

} // namespace picture
