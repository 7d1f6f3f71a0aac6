#pragma once
// The problems list and the tools panel: tables over the newest silent check (a model and one
// view each, no widget per row, so a million problems scroll as quickly as ten). A click on a
// row asks the window to put the caret on its line.

#include "workbench/CheckWorker.h"

#include <QAbstractTableModel>
#include <QDockWidget>

class QTableView;

namespace workbench {

class ProblemsModel final : public QAbstractTableModel {
  public:
    enum Column { LineColumn, SequenceColumn, SeverityColumn, MessageColumn, Columns };
    void SetResult(BenchPtr result);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    const inspect::Problem* At(int row) const;

  private:
    BenchPtr Result;
};

class ProblemsPanel final : public QDockWidget {
    Q_OBJECT
  public:
    explicit ProblemsPanel(QWidget* parent = nullptr);
    void SetResult(BenchPtr result);
    ProblemsModel* Model() { return &Problems; }
    QTableView* Table() { return View; }
    // What the status bar shows: "2 alarms, 3 warnings".
    QString Counts() const { return CountsText; }

  signals:
    void LineActivated(qint64 line);

  private:
    void Activate(const QModelIndex& index);
    ProblemsModel Problems;
    QTableView* View = nullptr;
    QString CountsText = QStringLiteral("no problems");
};

class ToolsModel final : public QAbstractTableModel {
  public:
    enum Column { ColorColumn, ToolColumn, TimeColumn, BlocksColumn, FirstLineColumn, Columns };
    void SetResult(BenchPtr result);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    const inspect::ToolRow* At(int row) const;

  private:
    BenchPtr Result;
};

class ToolsPanel final : public QDockWidget {
    Q_OBJECT
  public:
    explicit ToolsPanel(QWidget* parent = nullptr);
    void SetResult(BenchPtr result);
    ToolsModel* Model() { return &Tools; }
    QTableView* Table() { return View; }

  signals:
    // The tool's first block: the window puts the caret there and highlights its path.
    void ToolActivated(double tool, qint64 firstLine);

  private:
    ToolsModel Tools;
    QTableView* View = nullptr;
};

// A colour of the trace (&HBBGGRR) as Qt's.
QColor TraceColor(int32_t bgr);
// "T2", "T0" as the tool table names tools.
QString ToolName(double tool);

} // namespace workbench
