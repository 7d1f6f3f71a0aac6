// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/InspectionPanel.h"

#include "workbench/Panels.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace workbench {

namespace {

const target::Sheet* SheetOf(const BenchPtr& r) {
    if (!r || !r->Report.Target || r->Report.Target->Inspection.Features.empty()) return nullptr;
    return &r->Report.Target->Inspection;
}

} // namespace

int64_t FeatureBlock(const inspect::InspectionResult& result, const target::SheetFeature& feature) {
    const double z0 = std::min(feature.From.z, feature.To.z), z1 = std::max(feature.From.z, feature.To.z);
    const double r0 = std::min(feature.From.x, feature.To.x), r1 = std::max(feature.From.x, feature.To.x);
    constexpr double Near = 1.5; // mm
    // A deviation across the feature names the block behind it.
    if (result.Report.Target)
        for (const target::Deviation& d : result.Report.Target->Deviations)
            if (d.Line > 0 && d.Z0 >= z0 - Near && d.Z1 <= z1 + Near && d.Deepest.x >= r0 - Near &&
                d.Deepest.x <= r1 + Near)
                return d.Line;
    // Else the path nearest the feature's middle: a view of 100 pixels a millimetre around it.
    const double z = (feature.From.z + feature.To.z) / 2, r = (feature.From.x + feature.To.x) / 2;
    inspect::ViewMap view;
    view.ScaleLeft = z - 2, view.ScaleTop = -(r + 2), view.ScaleWidth = 4, view.ScaleHeight = 4;
    view.CanvasWidth = view.CanvasHeight = 400 * inspect::TwipsPerPixel;
    const std::optional<inspect::Hit> hit = result.Paths.HitTest(view, {200, 200}, Near * 100);
    return hit ? hit->Line : 0;
}

InspectionPanel::InspectionPanel(QWidget* parent) : Panel(parent) {
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 2, 4, 2);
    Heading = new QLabel(body);
    Heading->setObjectName(QStringLiteral("InspectionSummary"));
    Heading->setWordWrap(true);
    column->addWidget(Heading);
    Rows = RowsTable({QStringLiteral("Feature"), QStringLiteral("Size"), QStringLiteral("Nominal"),
                      QStringLiteral("Simulated"), QStringLiteral("Deviation"), QStringLiteral("Tolerance"),
                      QStringLiteral("Result")},
                     body);
    column->addWidget(Rows, 1);
    setWidget(body);
    auto activate = [this](int row) {
        const target::Sheet* sheet = SheetOf(Shown);
        const int feature = FeatureOfRow(row);
        if (!sheet || feature < 0) return;
        if (const int64_t line = FeatureBlock(*Shown, sheet->Features[static_cast<size_t>(feature)]))
            emit LineActivated(line);
    };
    connect(Rows, &QTableWidget::cellClicked, this, [activate](int row, int) { activate(row); });
    connect(Rows, &QTableWidget::cellActivated, this, [activate](int row, int) { activate(row); });
    SetResult(nullptr);
}

int InspectionPanel::FeatureOfRow(int row) const {
    return row >= 0 && row < static_cast<int>(RowFeature.size()) ? RowFeature[static_cast<size_t>(row)] : -1;
}

void InspectionPanel::SetResult(BenchPtr result) {
    Shown = std::move(result);
    RowFeature.clear();
    const target::Sheet* sheet = SheetOf(Shown);
    if (!sheet) {
        Rows->setRowCount(0);
        Heading->setText(QStringLiteral("No inspection sheet: the program's setup names no target drawing "
                                        "([target] file), or its part could not be compared with it."));
        return;
    }
    const std::vector<check::SheetRow> rows = check::SheetRows(*sheet);
    Heading->setText(QString::fromStdString(check::SheetSummary(*sheet)));
    Rows->setRowCount(static_cast<int>(rows.size()));
    int feature = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        const check::SheetRow& r = rows[i];
        if (!r.Feature.empty()) ++feature; // a feature's first size names it
        RowFeature.push_back(feature);
        const std::string* cells[Columns] = {&r.Feature,   &r.Size,      &r.Nominal, &r.Simulated,
                                             &r.Deviation, &r.Tolerance, &r.Verdict};
        // Out of its band in red, not measured in grey: the rows to look at stand out.
        const bool bad = r.Measured && !r.Ok;
        for (int k = 0; k < Columns; ++k) {
            auto* item = new QTableWidgetItem(QString::fromStdString(*cells[k]));
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            if (k >= NominalColumn && k <= DeviationColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (bad) {
                item->setForeground(QColor(190, 0, 0));
                item->setBackground(QColor(255, 225, 225));
            } else if (!r.Measured) {
                item->setForeground(QColor(128, 128, 128));
            }
            if (k == ResultColumn && !r.Note.empty()) item->setToolTip(QString::fromStdString(r.Note));
            Rows->setItem(static_cast<int>(i), k, item);
        }
    }
    Rows->resizeColumnsToContents();
}

} // namespace workbench
