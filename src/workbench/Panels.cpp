// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/Panels.h"

#include "picture/Sheet.h"

#include <QBrush>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QTableView>

#include <algorithm>

namespace workbench {

void ListLook(QAbstractItemView* view) {
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
}

QTableWidget* RowsTable(const QStringList& headings, QWidget* parent) {
    auto* rows = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    rows->setHorizontalHeaderLabels(headings);
    ListLook(rows);
    rows->verticalHeader()->hide();
    rows->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    rows->verticalHeader()->setDefaultSectionSize(rows->fontMetrics().height() + 4);
    rows->horizontalHeader()->setStretchLastSection(true);
    return rows;
}

namespace {

QTableView* MakeTable(QAbstractItemModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    ListLook(view);
    view->setWordWrap(false);
    // Fixed row heights: the view never measures a row it does not show.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

// A tool's insert as a small picture, radius up and Z to the right as the section shows it.
QPixmap ShapeIcon(const std::vector<stock::Outline>& outlines) {
    constexpr int Size = 20;
    double z0 = 1e300, z1 = -1e300, x0 = 1e300, x1 = -1e300;
    for (const stock::Outline& o : outlines)
        for (const stock::Point& q : o)
            z0 = std::min(z0, q.z), z1 = std::max(z1, q.z), x0 = std::min(x0, q.x), x1 = std::max(x1, q.x);
    QPixmap pm(Size, Size);
    pm.fill(Qt::transparent);
    const double span = std::max(z1 - z0, x1 - x0);
    if (!(span > 0)) return pm;
    const double k = (Size - 2) / span;
    QPainterPath path;
    for (const stock::Outline& o : outlines)
        for (size_t i = 0; i < o.size(); ++i) {
            const QPointF q(1 + (o[i].z - z0) * k, Size - 1 - (o[i].x - x0) * k);
            if (i == 0)
                path.moveTo(q);
            else
                path.lineTo(q);
        }
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(210, 175, 60));
    p.drawPath(path);
    return pm;
}

} // namespace

QColor TraceColor(int32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QString ToolName(double tool) {
    return QStringLiteral("T") + QString::number(tool, 'g', 10);
}

// --- Tools ---

void ToolsModel::SetResult(BenchPtr result) {
    beginResetModel();
    Result = std::move(result);
    endResetModel();
}

int ToolsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !Result ? 0 : static_cast<int>(Result->Tools.size());
}

int ToolsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

const inspect::ToolRow* ToolsModel::At(int row) const {
    if (!Result || row < 0 || row >= rowCount()) return nullptr;
    return &Result->Tools[static_cast<size_t>(row)];
}

QVariant ToolsModel::data(const QModelIndex& index, int role) const {
    const inspect::ToolRow* t = At(index.row());
    if (!t) return {};
    if (role == Qt::DecorationRole && index.column() == ColorColumn && !t->Colors.empty())
        return TraceColor(t->Colors.front());
    if (role == Qt::DecorationRole && index.column() == InsertColumn && !t->Shape.empty())
        return ShapeIcon(t->Shape);
    if (role == Qt::ToolTipRole && index.column() == InsertColumn) return QString::fromStdString(t->Insert);
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case ToolColumn:
            return ToolName(t->Tool);
        case TimeColumn:
            return QString::fromStdString(picture::LegendClock(t->Seconds) + "  (" +
                                          picture::LegendSeconds(t->Seconds) + ")");
        case BlocksColumn:
            return QVariant::fromValue<qlonglong>(t->Blocks);
        case FirstLineColumn:
            return QVariant::fromValue<qlonglong>(t->FirstLine);
        case InsertColumn:
            return QString::fromStdString(t->Insert);
        }
    }
    return {};
}

QVariant ToolsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* names[] = {"", "Tool", "Cutting time", "Blocks", "First line", "Insert"};
    return section >= 0 && section < Columns ? QString::fromLatin1(names[section]) : QVariant();
}

ToolsPanel::ToolsPanel(QWidget* parent) : Panel(parent) {
    View = MakeTable(&Tools, this);
    View->setColumnWidth(ToolsModel::ColorColumn, 28);
    View->setColumnWidth(ToolsModel::TimeColumn, 150);
    setWidget(View);
    auto activate = [this](const QModelIndex& index) {
        if (const inspect::ToolRow* t = Tools.At(index.row())) emit ToolActivated(t->Tool, t->FirstLine);
    };
    connect(View, &QTableView::clicked, this, activate);
    connect(View, &QTableView::activated, this, activate);
}

void ToolsPanel::SetResult(BenchPtr result) {
    View->setColumnHidden(ToolsModel::InsertColumn, !result || !result->Section);
    Tools.SetResult(std::move(result));
}

} // namespace workbench
