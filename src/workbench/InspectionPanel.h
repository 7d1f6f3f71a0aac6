// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The inspection sheet of the newest check, when the setup names a target drawing: each feature
// of the drawn part (diameter, face, cone, radius, thread) with its sizes, nominal, simulated,
// deviation, tolerance and OK / not OK, as the checker's reports list it; the rows not OK
// marked. A click on a feature's row puts the caret on the block that cut it, when one is known.

#include "workbench/PanelTable.h"

#include <cstdint>
#include <vector>

class QLabel;
class QTableWidget;

namespace target {
struct SheetFeature;
}

namespace workbench {

class InspectionPanel final : public Panel {
    Q_OBJECT
  public:
    enum Column {
        FeatureColumn,
        SizeColumn,
        NominalColumn,
        SimulatedColumn,
        DeviationColumn,
        ToleranceColumn,
        ResultColumn,
        Columns
    };
    explicit InspectionPanel(QWidget* parent = nullptr);
    void SetResult(BenchPtr result) override;
    QLabel* Summary() { return Heading; }
    QTableWidget* Table() { return Rows; }
    // The feature a row belongs to (its index in the sheet), -1 for none.
    int FeatureOfRow(int row) const;

  signals:
    void LineActivated(qint64 line);

  private:
    QLabel* Heading = nullptr;
    QTableWidget* Rows = nullptr;
    BenchPtr Shown;
    std::vector<int> RowFeature; // by row
};

// The block that cut a feature of the sheet: the one behind a deviation across it, else the
// piece of path nearest its middle within a millimetre and a half; 0 when none is known.
int64_t FeatureBlock(const inspect::InspectionResult& result, const target::SheetFeature& feature);

} // namespace workbench
