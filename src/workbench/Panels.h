// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The problems list and the tools panel: tables over the newest silent check (a model and one
// view each, no widget per row, so a million problems scroll as quickly as ten). A click on a
// row asks the window to put the caret on its line.

#include "workbench/CheckWorker.h"
#include "workbench/PanelTable.h"

#include "inspect/QuickFix.h"

#include <QAbstractTableModel>
#include <QTableWidget>

class QMenu;
class QPushButton;
class QTableView;
class QToolButton;
class QAbstractItemView;
class QTreeView;

namespace workbench {

// The problems as a tree: one row per group of identical problems (its first line, or its line
// range, and how many), the occurrences of a group under it. Sorted by any column and filtered by
// kind here, so that a million problems need no proxy model.
class ProblemsModel final : public QAbstractItemModel {
  public:
    enum Column { LineColumn, SequenceColumn, SeverityColumn, MessageColumn, CountColumn, Columns };
    void SetResult(BenchPtr result);
    // The kinds shown; the counts in the status line count every problem all the same.
    void SetShown(inspect::Kind kind, bool shown);
    bool Shown(inspect::Kind kind) const { return ShownLevels[static_cast<int>(kind)]; }
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The problem of a row: a group's first occurrence, or the occurrence itself.
    const inspect::Problem* At(const QModelIndex& index) const;
    const inspect::Problem* At(int row) const { return At(index(row, 0)); }
    // The group of a top-level row, or null.
    const inspect::ProblemGroup* GroupAt(const QModelIndex& index) const;

  private:
    void Arrange(); // the top-level rows from the filter and the sort
    QString Tip(const inspect::Problem& p, const inspect::ProblemGroup* group) const;
    BenchPtr Result;
    std::vector<int> Order; // top-level row -> group
    std::vector<int> RowOf; // group -> top-level row, -1 when filtered out
    int SortColumn = LineColumn;
    Qt::SortOrder SortOrder = Qt::AscendingOrder;
    bool ShownLevels[inspect::Kinds] = {true, true, true, true}; // by inspect::Kind
};

class ProblemsPanel final : public Panel {
    Q_OBJECT
  public:
    explicit ProblemsPanel(QWidget* parent = nullptr);
    void SetResult(BenchPtr result) override;
    ProblemsModel* Model() { return &Problems; }
    QTreeView* Table() { return View; }
    // What the status bar shows: "2 alarms, 3 warnings".
    QString Counts() const { return CountsText; }
    // The severity filter's buttons and the quick fix of the selected row (tests, the window).
    QToolButton* Filter(inspect::Kind kind) { return Filters[static_cast<int>(kind)]; }
    QPushButton* FixButton() { return Fix; }
    // The quick fix of a row, or None.
    inspect::QuickFix FixOf(const QModelIndex& index) const;
    // The context menu of a row, as a right click shows it (tests look at its actions).
    QMenu* MenuFor(const QModelIndex& index);

  signals:
    void LineActivated(qint64 line);
    // A quick fix chosen from the list; the window applies it to the program.
    void FixRequested(int fix);

  private:
    void Activate(const QModelIndex& index);
    void SelectionChanged();
    ProblemsModel Problems;
    QTreeView* View = nullptr;
    QToolButton* Filters[inspect::Kinds] = {};
    QPushButton* Fix = nullptr;
    QMenu* RowMenu = nullptr;
    QString CountsText = QStringLiteral("no problems");
};

class ToolsModel final : public QAbstractTableModel {
  public:
    // The insert column is shown only when the program was checked with a setup.
    enum Column { ColorColumn, ToolColumn, TimeColumn, BlocksColumn, FirstLineColumn, InsertColumn, Columns };
    void SetResult(BenchPtr result);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    const inspect::ToolRow* At(int row) const;

  private:
    BenchPtr Result;
};

class ToolsPanel final : public Panel {
    Q_OBJECT
  public:
    explicit ToolsPanel(QWidget* parent = nullptr);
    void SetResult(BenchPtr result) override;
    ToolsModel* Model() { return &Tools; }
    QTableView* Table() { return View; }

  signals:
    // The tool's first block: the window puts the caret there and highlights its path.
    void ToolActivated(double tool, qint64 firstLine);

  private:
    ToolsModel Tools;
    QTableView* View = nullptr;
};

// The panels' lists alike: whole rows picked one at a time, read-only, striped.
void ListLook(QAbstractItemView* view);
// A panel's table of rows under `headings`: the lists' look, rows of one fixed height, no row
// numbers, the last column stretched.
QTableWidget* RowsTable(const QStringList& headings, QWidget* parent);

// The colour of a problem's kind in the problems list and the gutter: red for what fails a
// program (alarms, errors), amber for warnings, grey for information.
QColor KindColor(inspect::Kind kind);

// A colour of the trace (&HBBGGRR) as Qt's.
QColor TraceColor(int32_t bgr);
// "T2", "T0" as the tool table names tools.
QString ToolName(double tool);

} // namespace workbench
