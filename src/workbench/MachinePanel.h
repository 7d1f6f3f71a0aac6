// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine's time beside the control's: a row for the whole program and one per tool, each
// split into what the machine spends it on (cutting, rapids, acceleration, tool changes, the
// spindle's ramps, dwells, M codes). The newest silent check plans it off the window's thread,
// with the machine the setup names or a machine file chosen here; the control's own time is
// shown as the control counts it, untouched.

#include "workbench/PanelTable.h"

#include <QAbstractTableModel>

class QLabel;
class QPushButton;
class QTableView;

namespace workbench {

class MachineModel final : public QAbstractTableModel {
  public:
    enum Column {
        ToolColumn,
        ControlColumn,
        MachineColumn,
        CuttingColumn,
        RapidColumn,
        AccelerationColumn,
        ToolChangeColumn,
        SpindleRampColumn,
        DwellColumn,
        MCodesColumn,
        Columns
    };
    void SetResult(BenchPtr result);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    struct Row {
        QString Name;
        double Control = 0;
        machine::Split Split;
    };
    std::vector<Row> Rows; // the whole program first, then the tools in number order
};

class MachinePanel final : public Panel {
    Q_OBJECT
  public:
    explicit MachinePanel(QWidget* parent = nullptr);
    void SetResult(BenchPtr result) override;
    MachineModel* Model() { return &Times; }
    QTableView* Table() { return View; }
    // What the panel says above the table: the total, or why there is no machine time.
    QLabel* Summary() { return Heading; }
    // The machine the workbench times the program on: `chosen`, a machine file chosen here (empty:
    // the setup's), and what the setup names (`setupMachine`, a file; empty: its own [machine]
    // table, if any). The button back to the setup's machine follows it, not its own clicks.
    void ShowChoice(const QString& chosen, const QString& setupMachine);
    QPushButton* SetupMachineButton() { return Clear; }

  signals:
    // A machine file picked with the panel's button (empty: back to the setup's machine).
    void MachineFileChosen(const QString& path);

  private:
    MachineModel Times;
    QTableView* View = nullptr;
    QLabel* Heading = nullptr;
    QPushButton* Choose = nullptr;
    QPushButton* Clear = nullptr;
    QString Chosen; // the machine file chosen here and in force, or empty
};

} // namespace workbench
