// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/StockSection.h"

namespace check {

std::optional<StockSection> SectionOf(const CheckReport& report, const CheckOptions& options) {
    if (!options.Stock || !report.Stock) return std::nullopt;
    StockSection s;
    const stock::Region raw = stock::StockRegion(options.Stock->Material);
    s.Raw = raw.Outlines();
    s.Part = report.Stock->Part.Outlines();
    s.NosePath = report.Stock->NosePath;
    for (const stock::Box& z : report.Stock->ThreadZones)
        s.Threads.push_back({{z.z0, z.x0}, {z.z1, z.x0}, {z.z1, z.x1}, {z.z0, z.x1}});
    if (options.Stock->Holding) {
        // The jaws close on the stock's largest diameter unless the setup names another, as the
        // check takes them.
        stock::WorkHolding h = *options.Stock->Holding;
        const stock::Box b = raw.Bounds();
        if (h.GripDiameter <= 0) h.GripDiameter = b.Empty() ? 0 : 2 * b.x1;
        s.Holding = stock::HoldingRegion(h).Outlines();
    }
    if (report.Target)
        for (const target::Deviation& d : report.Target->Deviations) {
            std::vector<stock::Outline>& to = d.Type == target::Deviation::Kind::Gouge ? s.Gouge : s.Excess;
            for (stock::Outline& o : d.Area.Outlines())
                to.push_back(std::move(o));
        }
    return s;
}

namespace {

std::vector<picture::PixelPolygon> Halves(const std::vector<stock::Outline>& outlines,
                                          const std::function<picture::PixelPoint(double, double)>& toPixel) {
    std::vector<picture::PixelPolygon> out;
    for (const double side : {1.0, -1.0})
        for (const stock::Outline& o : outlines) {
            if (o.size() < 2) continue;
            picture::PixelPolygon& p = out.emplace_back();
            p.reserve(o.size());
            for (const stock::Point& q : o)
                p.push_back(toPixel(side * 2 * q.x, q.z));
        }
    return out;
}

} // namespace

picture::SectionDrawing DrawnSection(const StockSection& s,
                                     const std::function<picture::PixelPoint(double x, double z)>& toPixel) {
    picture::SectionDrawing d{Halves(s.Raw, toPixel),
                              Halves(s.Part, toPixel),
                              Halves(s.Holding, toPixel),
                              Halves(s.Threads, toPixel),
                              {},
                              Halves(s.Excess, toPixel),
                              Halves(s.Gouge, toPixel)};
    for (const stock::Outline& o : s.NosePath) { // on the path's own half, as the path runs
        picture::PixelPolygon& p = d.NosePath.emplace_back();
        for (const stock::Point& q : o)
            p.push_back(toPixel(2 * q.x, q.z));
    }
    return d;
}

picture::SectionDrawing DrawnSection(const StockSection& s, const picture::SheetContent& sheet) {
    const picture::Area& v = sheet.Visible;
    const picture::Rect& port = sheet.Layout.Viewport;
    const bool vertical = sheet.Mapping.Vertical;
    const double sign = sheet.Mapping.XSign < 0 ? -1 : 1;
    return DrawnSection(s, [&](double x, double z) {
        // The canvas point as the moves map theirs, then its place in the viewport.
        const double r = -(x / 2) * sign;
        const double cx = vertical ? r : z, cy = vertical ? -z : r;
        return picture::PixelPoint{(cx - v.Left) / v.Width * port.W, (cy - v.Top) / v.Height * port.H};
    });
}

} // namespace check
