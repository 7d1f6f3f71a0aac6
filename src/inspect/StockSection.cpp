#include "inspect/StockSection.h"

namespace inspect {

std::optional<StockSection> SectionOf(const check::CheckReport& report, const check::CheckOptions& options) {
    if (!options.Stock || !report.Stock) return std::nullopt;
    StockSection s;
    s.MmPerUnit = options.Unit == 4 ? 25.4 : 1; // as the checker scales the path for the stock
    const stock::Region raw = stock::StockRegion(options.Stock->Material);
    s.Raw = raw.Outlines();
    s.Part = report.Stock->Part.Outlines();
    if (options.Stock->Holding) {
        // The jaws close on the stock's largest diameter unless the setup names another, as the
        // check takes them.
        stock::WorkHolding h = *options.Stock->Holding;
        const stock::Box b = raw.Bounds();
        if (h.GripDiameter <= 0) h.GripDiameter = b.Empty() ? 0 : 2 * b.x1;
        s.Holding = stock::HoldingRegion(h).Outlines();
    }
    return s;
}

} // namespace inspect
