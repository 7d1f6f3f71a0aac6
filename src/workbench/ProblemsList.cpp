// SPDX-License-Identifier: GPL-3.0-or-later
// The problems list: the newest check's problems grouped, sortable, filtered by kind (alarm,
// error, warning, info), with the meaning of each alarm as tooltip and the quick fix of a finding on a button
// and in the row's context menu.

#include "workbench/Panels.h"

#include <QBrush>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace workbench {

namespace {

constexpr quintptr TopLevel = 0; // internal id of a group's row; an occurrence's is group + 1

QString Range(const inspect::ProblemGroup& g) {
    return g.FirstLine == g.LastLine ? QString::number(g.FirstLine)
                                     : QStringLiteral("%1\u2013%2").arg(g.FirstLine).arg(g.LastLine);
}

const char* LevelCaption(int level) {
    static const char* names[inspect::Kinds] = {"Alarms", "Errors", "Warnings", "Info"};
    return names[level];
}

} // namespace

// What fails a program in red, a warning in amber, information in grey (the gutter's dots too).
QColor KindColor(inspect::Kind kind) {
    switch (kind) {
    case inspect::Kind::Warning:
        return QColor(150, 100, 0);
    case inspect::Kind::Info:
        return QColor(90, 90, 90);
    default:
        return QColor(190, 0, 0);
    }
}

namespace {

// One row a problem or group, columns at their widths, the message taking the rest.
QTreeView* MakeTree(ProblemsModel* model, QWidget* parent) {
    auto* view = new QTreeView(parent);
    view->setModel(model);
    ListLook(view);
    view->setWordWrap(false);
    view->setUniformRowHeights(true); // the view never measures a row it does not show
    view->setAllColumnsShowFocus(true);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionResizeMode(ProblemsModel::MessageColumn, QHeaderView::Stretch);
    view->header()->setSortIndicator(ProblemsModel::LineColumn, Qt::AscendingOrder);
    view->setSortingEnabled(true);
    view->setColumnWidth(ProblemsModel::LineColumn, 90);
    view->setColumnWidth(ProblemsModel::SequenceColumn, 60);
    view->setColumnWidth(ProblemsModel::SeverityColumn, 70);
    view->setColumnWidth(ProblemsModel::CountColumn, 55);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    return view;
}

} // namespace

// --- The model ---

void ProblemsModel::SetResult(BenchPtr result) {
    beginResetModel();
    Result = std::move(result);
    Arrange();
    endResetModel();
}

void ProblemsModel::SetShown(inspect::Kind level, bool shown) {
    if (ShownLevels[static_cast<int>(level)] == shown) return;
    beginResetModel();
    ShownLevels[static_cast<int>(level)] = shown;
    Arrange();
    endResetModel();
}

void ProblemsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= Columns) return;
    beginResetModel();
    SortColumn = column;
    SortOrder = order;
    Arrange();
    endResetModel();
}

void ProblemsModel::Arrange() {
    Order.clear();
    RowOf.clear();
    if (!Result) return;
    const std::vector<inspect::ProblemGroup>& groups = Result->Groups;
    const std::vector<inspect::Problem>& problems = Result->Problems;
    auto first = [&](int g) -> const inspect::Problem& {
        return problems[groups[static_cast<size_t>(g)].Members.front()];
    };
    for (int g = 0; g < static_cast<int>(groups.size()); ++g)
        if (ShownLevels[static_cast<int>(inspect::KindOf(first(g)))]) Order.push_back(g);
    // Groups come in the order of their first line; ties keep it.
    auto less = [&](int a, int b) {
        const inspect::Problem &pa = first(a), &pb = first(b);
        switch (SortColumn) {
        case SequenceColumn:
            return pa.Sequence < pb.Sequence;
        case SeverityColumn:
            return inspect::KindOf(pa) < inspect::KindOf(pb);
        case MessageColumn:
            return pa.Message < pb.Message;
        case CountColumn:
            return groups[static_cast<size_t>(a)].Members.size() <
                   groups[static_cast<size_t>(b)].Members.size();
        default:
            return pa.Line < pb.Line;
        }
    };
    if (SortOrder == Qt::AscendingOrder)
        std::stable_sort(Order.begin(), Order.end(), less);
    else
        std::stable_sort(Order.begin(), Order.end(), [&](int a, int b) { return less(b, a); });
    RowOf.assign(groups.size(), -1);
    for (size_t row = 0; row < Order.size(); ++row)
        RowOf[static_cast<size_t>(Order[row])] = static_cast<int>(row);
}

QModelIndex ProblemsModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= Columns || !Result) return {};
    if (!parent.isValid())
        return row < static_cast<int>(Order.size()) ? createIndex(row, column, TopLevel) : QModelIndex();
    if (parent.internalId() != TopLevel || parent.row() >= static_cast<int>(Order.size())) return {};
    const int group = Order[static_cast<size_t>(parent.row())];
    if (row >= static_cast<int>(Result->Groups[static_cast<size_t>(group)].Members.size())) return {};
    return createIndex(row, column, static_cast<quintptr>(group) + 1);
}

QModelIndex ProblemsModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == TopLevel || !Result) return {};
    const int row = RowOf[child.internalId() - 1];
    return row < 0 ? QModelIndex() : createIndex(row, 0, TopLevel);
}

int ProblemsModel::rowCount(const QModelIndex& parent) const {
    if (!Result) return 0;
    if (!parent.isValid()) return static_cast<int>(Order.size());
    if (parent.internalId() != TopLevel || parent.column() != 0) return 0;
    // A group of one has nothing to unfold.
    const size_t n =
        Result->Groups[static_cast<size_t>(Order[static_cast<size_t>(parent.row())])].Members.size();
    return n > 1 ? static_cast<int>(n) : 0;
}

int ProblemsModel::columnCount(const QModelIndex&) const {
    return Columns;
}

const inspect::ProblemGroup* ProblemsModel::GroupAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() != TopLevel || !Result ||
        index.row() >= static_cast<int>(Order.size()))
        return nullptr;
    return &Result->Groups[static_cast<size_t>(Order[static_cast<size_t>(index.row())])];
}

const inspect::Problem* ProblemsModel::At(const QModelIndex& index) const {
    if (!index.isValid() || !Result) return nullptr;
    if (const inspect::ProblemGroup* g = GroupAt(index)) return &Result->Problems[g->Members.front()];
    if (index.internalId() == TopLevel) return nullptr;
    const inspect::ProblemGroup& g = Result->Groups[index.internalId() - 1];
    if (index.row() >= static_cast<int>(g.Members.size())) return nullptr;
    return &Result->Problems[g.Members[static_cast<size_t>(index.row())]];
}

QString ProblemsModel::Tip(const inspect::Problem& p, const inspect::ProblemGroup* group) const {
    QString tip = QString::fromStdString(p.Message);
    if (!p.Explanation.empty())
        tip += QStringLiteral("\n%1: %2")
                   .arg(QString::fromStdString(p.Code), QString::fromStdString(p.Explanation));
    else if (!p.Code.empty())
        tip += QStringLiteral("\n[%1]").arg(QString::fromStdString(p.Code));
    if (group && group->Members.size() > 1)
        tip += QStringLiteral("\n%1 times, lines %2 (unfold the row for each)")
                   .arg(group->Members.size())
                   .arg(Range(*group));
    const inspect::QuickFix fix = inspect::FixFor(p.Code);
    if (fix != inspect::QuickFix::None)
        tip += QStringLiteral("\nQuick fix: %1").arg(QString::fromLatin1(inspect::FixCaption(fix)));
    return tip;
}

QVariant ProblemsModel::data(const QModelIndex& index, int role) const {
    const inspect::Problem* p = At(index);
    if (!p) return {};
    const inspect::ProblemGroup* group = GroupAt(index);
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case LineColumn:
            return group ? QVariant(Range(*group)) : QVariant::fromValue<qlonglong>(p->Line);
        case SequenceColumn:
            return QString::fromStdString(p->Sequence);
        case SeverityColumn:
            return QString::fromLatin1(inspect::KindName(inspect::KindOf(*p)));
        case MessageColumn:
            return QString::fromStdString(p->Message);
        case CountColumn:
            return group && group->Members.size() > 1 ? QVariant::fromValue<qlonglong>(group->Members.size())
                                                      : QVariant();
        }
    }
    if (role == Qt::ToolTipRole) return Tip(*p, group);
    if (role == Qt::ForegroundRole && index.column() == SeverityColumn)
        return QBrush(KindColor(inspect::KindOf(*p)));
    if (role == Qt::TextAlignmentRole && (index.column() == LineColumn || index.column() == CountColumn))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant ProblemsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* names[] = {"Line", "N", "Severity", "Message", "Count"};
    return section >= 0 && section < Columns ? QString::fromLatin1(names[section]) : QVariant();
}

// --- The panel ---

ProblemsPanel::ProblemsPanel(QWidget* parent) : Panel(parent) {
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(2, 0, 2, 0);
    for (int level = 0; level < inspect::Kinds; ++level) {
        auto* b = new QToolButton(body);
        b->setObjectName(QStringLiteral("ProblemsShow%1").arg(QString::fromLatin1(LevelCaption(level))));
        b->setCheckable(true);
        b->setChecked(true);
        b->setAutoRaise(true);
        b->setToolTip(QStringLiteral("Show the %1").arg(QString::fromLatin1(LevelCaption(level)).toLower()));
        connect(b, &QToolButton::toggled, this,
                [this, level](bool on) { Problems.SetShown(static_cast<inspect::Kind>(level), on); });
        Filters[level] = b;
        bar->addWidget(b);
    }
    bar->addStretch(1);
    Fix = new QPushButton(QStringLiteral("Quick fix"), body);
    Fix->setObjectName(QStringLiteral("ProblemsQuickFix"));
    Fix->setEnabled(false);
    bar->addWidget(Fix);
    column->addLayout(bar);

    View = MakeTree(&Problems, body);
    column->addWidget(View);
    setWidget(body);

    RowMenu = new QMenu(this);
    connect(View, &QTreeView::clicked, this, &ProblemsPanel::Activate);
    connect(View, &QTreeView::activated, this, &ProblemsPanel::Activate);
    connect(View->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ProblemsPanel::SelectionChanged);
    connect(&Problems, &QAbstractItemModel::modelReset, this, &ProblemsPanel::SelectionChanged);
    connect(View, &QTreeView::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = View->indexAt(at);
        if (!index.isValid()) return;
        View->setCurrentIndex(index);
        MenuFor(index)->popup(View->viewport()->mapToGlobal(at));
    });
    connect(Fix, &QPushButton::clicked, this, [this] {
        const inspect::QuickFix fix = FixOf(View->currentIndex());
        if (fix != inspect::QuickFix::None) emit FixRequested(static_cast<int>(fix));
    });
    SetResult(nullptr);
}

inspect::QuickFix ProblemsPanel::FixOf(const QModelIndex& index) const {
    const inspect::Problem* p = Problems.At(index);
    return p ? inspect::FixFor(p->Code) : inspect::QuickFix::None;
}

QMenu* ProblemsPanel::MenuFor(const QModelIndex& index) {
    RowMenu->clear();
    const inspect::QuickFix fix = FixOf(index);
    if (fix == inspect::QuickFix::None) {
        RowMenu->addAction(QStringLiteral("No quick fix for this problem"))->setEnabled(false);
    } else {
        QAction* a = RowMenu->addAction(QString::fromLatin1(inspect::FixCaption(fix)));
        connect(a, &QAction::triggered, this, [this, fix] { emit FixRequested(static_cast<int>(fix)); });
    }
    if (Problems.rowCount(index.siblingAtColumn(0)) > 0) {
        RowMenu->addSeparator();
        const QModelIndex group = index.siblingAtColumn(0);
        const bool open = View->isExpanded(group);
        connect(RowMenu->addAction(open ? QStringLiteral("Fold") : QStringLiteral("Unfold")),
                &QAction::triggered, this, [this, group, open] { View->setExpanded(group, !open); });
    }
    return RowMenu;
}

void ProblemsPanel::SelectionChanged() {
    const inspect::QuickFix fix = FixOf(View->currentIndex());
    Fix->setEnabled(fix != inspect::QuickFix::None);
    Fix->setToolTip(fix == inspect::QuickFix::None ? QStringLiteral("The selected problem has no quick fix")
                                                   : QString::fromLatin1(inspect::FixCaption(fix)));
}

void ProblemsPanel::SetResult(BenchPtr result) {
    const findings::Counts counts = result ? result->Counts : findings::Counts{};
    CountsText = QString::fromStdString(inspect::ProblemCounts(counts));
    const size_t byKind[inspect::Kinds] = {counts.Alarms, counts.Errors, counts.Warnings, counts.Info};
    for (int level = 0; level < inspect::Kinds; ++level)
        Filters[level]->setText(
            QStringLiteral("%1 (%2)").arg(QString::fromLatin1(LevelCaption(level))).arg(byKind[level]));
    Problems.SetResult(std::move(result));
}

void ProblemsPanel::Activate(const QModelIndex& index) {
    if (const inspect::Problem* p = Problems.At(index)) emit LineActivated(p->Line);
}

} // namespace workbench
