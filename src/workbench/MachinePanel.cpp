// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/MachinePanel.h"

#include "picture/Sheet.h"
#include "workbench/Panels.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace workbench {

namespace {

QString Clock(double seconds) {
    return QString::fromStdString(picture::LegendClock(seconds) + "  (" + picture::LegendSeconds(seconds) +
                                  ")");
}

QString Seconds(double seconds) {
    return QString::number(seconds, 'f', 2);
}

} // namespace

void MachineModel::SetResult(BenchPtr result) {
    beginResetModel();
    Rows.clear();
    if (result && result->Report.Machine) {
        const check::CheckReport& r = result->Report;
        Rows.push_back({QStringLiteral("Total"), r.CuttingTime, r.Machine->Total});
        for (const auto& [tool, split] : r.Machine->Tools) {
            if (split.Total() == 0) continue;
            const auto control = r.ToolTimes.find(tool);
            Rows.push_back({ToolName(tool), control == r.ToolTimes.end() ? 0 : control->second, split});
        }
    }
    endResetModel();
}

int MachineModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Rows.size());
}

int MachineModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant MachineModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& r = Rows[static_cast<size_t>(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() != ToolColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    const machine::Split& s = r.Split;
    switch (index.column()) {
    case ToolColumn:
        return r.Name;
    case ControlColumn:
        return Clock(r.Control);
    case MachineColumn:
        return Clock(s.Total());
    case CuttingColumn:
        return Seconds(s.Cutting);
    case RapidColumn:
        return Seconds(s.Rapid);
    case AccelerationColumn:
        return Seconds(s.Acceleration);
    case ToolChangeColumn:
        return Seconds(s.ToolChange);
    case SpindleRampColumn:
        return Seconds(s.SpindleRamp);
    case DwellColumn:
        return Seconds(s.Dwell);
    case MCodesColumn:
        return Seconds(s.MCodes);
    }
    return {};
}

QVariant MachineModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    // The split in seconds (the panel's heading says so).
    static const char* names[] = {"",       "Control's time", "Machine time", "Cutting", "Rapid",
                                  "Accel.", "Tool change",    "Spindle",      "Dwell",   "M codes"};
    return section >= 0 && section < Columns ? QString::fromLatin1(names[section]) : QVariant();
}

MachinePanel::MachinePanel(QWidget* parent) : Panel(parent) {
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 2, 4, 2);
    auto* top = new QHBoxLayout;
    Heading = new QLabel(body);
    Heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Heading->setWordWrap(true); // the buttons stay in view on a narrow window
    Choose = new QPushButton(QStringLiteral("Machine file..."), body);
    Choose->setToolTip(QStringLiteral("Time the program on a machine file of your choice"));
    Clear = new QPushButton(QStringLiteral("Setup's machine"), body);
    Clear->setToolTip(QStringLiteral("Time the program on the machine its setup names, if any"));
    Clear->setEnabled(false);
    top->addWidget(Heading, 1);
    top->addWidget(Choose);
    top->addWidget(Clear);
    column->addLayout(top);
    View = new QTableView(body);
    View->setModel(&Times);
    ListLook(View);
    View->setWordWrap(false);
    View->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    View->verticalHeader()->setDefaultSectionSize(View->fontMetrics().height() + 4);
    View->verticalHeader()->hide();
    // The whole split in view on a window of the usual width.
    View->setColumnWidth(MachineModel::ToolColumn, 56);
    View->setColumnWidth(MachineModel::ControlColumn, 128);
    View->setColumnWidth(MachineModel::MachineColumn, 128);
    for (int c = MachineModel::CuttingColumn; c < MachineModel::Columns; ++c)
        View->setColumnWidth(c, 70);
    column->addWidget(View, 1);
    setWidget(body);
    SetResult(nullptr);
    connect(Choose, &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, QStringLiteral("Machine file"), QString(),
                                         QStringLiteral("Machine files (*.toml);;All files (*)"));
        if (!path.isEmpty()) emit MachineFileChosen(path);
    });
    connect(Clear, &QPushButton::clicked, this, [this] { emit MachineFileChosen(QString()); });
}

void MachinePanel::ShowChoice(const QString& chosen, const QString& setupMachine) {
    Chosen = chosen;
    Clear->setEnabled(!chosen.isEmpty());
    const QString setup = setupMachine.isEmpty() ? QStringLiteral("its own [machine] table, if it has one")
                                                 : QFileInfo(setupMachine).fileName();
    Clear->setToolTip(QStringLiteral("Time the program on the machine its setup names: ") + setup);
}

void MachinePanel::SetResult(BenchPtr result) {
    Times.SetResult(result);
    if (!result || !result->Report.Machine) {
        Heading->setText(QStringLiteral("No machine: name a machine file in the program's setup "
                                        "(machine = \"FILE.toml\"), or choose one."));
        Heading->setToolTip({});
        return;
    }
    const check::CheckReport& r = result->Report;
    const machine::Split& s = r.Machine->Total;
    const QString on = Chosen.isEmpty() ? QStringLiteral("the setup's machine")
                                        : QFileInfo(Chosen).fileName() + QStringLiteral(" (chosen here)");
    Heading->setText(QStringLiteral("Machine time %1 on %2, the control's %3; the split in seconds")
                         .arg(Clock(s.Total()), on, Clock(r.CuttingTime)));
    QString assumed;
    for (const std::string& a : r.Machine->Assumed)
        assumed += QStringLiteral("\n  ") + QString::fromStdString(a);
    Heading->setToolTip(assumed.isEmpty() ? QString()
                                          : QStringLiteral("Assumed by the machine profile:") + assumed);
}

} // namespace workbench
