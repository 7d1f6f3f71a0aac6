// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/ComparePanel.h"

#include "check/Decode.h"
#include "check/StockOptions.h"
#include "check/VersionDiff.h"
#include "workbench/Panels.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace workbench {

namespace {

QString Mm(double v, int decimals = 4) {
    return QString::number(std::round(v * 1e4) / 1e4 + 0.0, 'f', decimals);
}

QString LinesText(const std::vector<int64_t>& lines) {
    if (lines.empty()) return QStringLiteral("none");
    QStringList out;
    for (int64_t l : lines)
        out << QString::number(l);
    return out.join(QStringLiteral(", "));
}

QString Seconds(double s) {
    return QString::number(s, 'f', 1) + QStringLiteral(" s");
}

} // namespace

ComparePanel::ComparePanel(QWidget* parent) : Panel(parent) {
    auto* body = new QWidget(this);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(4, 2, 4, 2);
    auto* top = new QHBoxLayout;
    Verdict = new QLabel(body);
    Verdict->setObjectName(QStringLiteral("CompareVerdict"));
    Verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Verdict->setWordWrap(true);
    Clear = new QPushButton(QStringLiteral("Clear"), body);
    Clear->setObjectName(QStringLiteral("CompareClear"));
    Clear->setToolTip(QStringLiteral("Stop comparing with the other version"));
    top->addWidget(Verdict, 1);
    top->addWidget(Clear);
    column->addLayout(top);
    Rows = RowsTable({QStringLiteral("Change"), QStringLiteral("Depth (mm)"), QStringLiteral("Z"),
                      QStringLiteral("Area (mm²)"), QStringLiteral("Volume (mm³)"),
                      QStringLiteral("Old lines"), QStringLiteral("New lines")},
                     body);
    column->addWidget(Rows, 1);
    setWidget(body);
    auto activate = [this](int row) {
        if (!Shown || !Shown->Versions || row < 0 || row >= static_cast<int>(Shown->Versions->Regions.size()))
            return;
        const check::ChangedRegion& r = Shown->Versions->Regions[static_cast<size_t>(row)];
        // The block of the text in the pane: the new version's (the first to cut it, the last
        // to leave it).
        if (r.Change.Line > 0)
            emit LineActivated(r.Change.Line);
        else if (!r.Change.Lines.empty())
            emit LineActivated(r.Change.Lines.front());
    };
    connect(Rows, &QTableWidget::cellClicked, this, [activate](int row, int) { activate(row); });
    connect(Rows, &QTableWidget::cellActivated, this, [activate](int row, int) { activate(row); });
    connect(Clear, &QPushButton::clicked, this, &ComparePanel::ClearRequested);
    SetVersus({});
}

void ComparePanel::SetVersus(const QString& file) {
    Versus = file;
    Clear->setEnabled(!file.isEmpty());
    if (file.isEmpty()) {
        Shown.reset();
        Rows->setRowCount(0);
        Verdict->setText(
            QStringLiteral("No comparison: File > Compare with version... compares the program with "
                           "another version of it by the part they cut."));
        return;
    }
    Verdict->setText(QStringLiteral("Comparing with %1...").arg(file));
}

void ComparePanel::SetResult(BenchPtr result) {
    if (Versus.isEmpty() || !result) return;
    if (!result->Versions) {
        // A check from before the comparison was asked for says nothing of it.
        if (!result->VersionsError.empty())
            Verdict->setText(QStringLiteral("Not compared with %1: %2")
                                 .arg(Versus, QString::fromStdString(result->VersionsError)));
        return;
    }
    Shown = std::move(result);
    const check::VersionDiff& d = *Shown->Versions;
    // The machine's time beside the control's when the check has a machine.
    const QString machine = d.Old.Machine && d.New.Machine ? QStringLiteral(" (machine %1 → %2)")
                                                                 .arg(Seconds(d.Old.Machine->Total.Total()),
                                                                      Seconds(d.New.Machine->Total.Total()))
                                                           : QString();
    Verdict->setText(QStringLiteral("%1 → this program: <b>%2</b>; cutting time %3 → %4%5; findings %6 → %7")
                         .arg(Versus.toHtmlEscaped(), QString::fromStdString(d.Verdict).toHtmlEscaped(),
                              Seconds(d.Old.CuttingTime), Seconds(d.New.CuttingTime), machine,
                              QString::fromStdString(findings::CountsText(d.OldCounts)),
                              QString::fromStdString(findings::CountsText(d.NewCounts))));
    Rows->setRowCount(static_cast<int>(d.Regions.size()));
    for (size_t i = 0; i < d.Regions.size(); ++i) {
        const check::ChangedRegion& r = d.Regions[i];
        const target::Deviation& c = r.Change;
        const QString cells[Columns] = {r.Removed ? QStringLiteral("removed") : QStringLiteral("added"),
                                        Mm(c.Depth),
                                        QStringLiteral("Z%1 to Z%2").arg(Mm(c.Z1, 3), Mm(c.Z0, 3)),
                                        Mm(c.AreaMm2),
                                        Mm(c.VolumeMm3),
                                        LinesText(r.OldLines),
                                        LinesText(c.Lines)};
        for (int k = 0; k < Columns; ++k) {
            auto* item = new QTableWidgetItem(cells[k]);
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            // The overlay's colours: material added orange, removed red.
            if (k == ChangeColumn) item->setForeground(r.Removed ? QColor(210, 0, 0) : QColor(230, 120, 0));
            Rows->setItem(static_cast<int>(i), k, item);
        }
    }
    Rows->resizeColumnsToContents();
}

QString CompareStartPath(const QString& programPath) {
    if (programPath.isEmpty()) return {};
    const QFileInfo f(programPath);
    for (const QString& backup :
         {programPath + QStringLiteral(".bak"),
          f.path() + QLatin1Char('/') + f.completeBaseName() + QStringLiteral(".bak")})
        if (QFileInfo(backup).isFile()) return backup;
    return programPath;
}

std::shared_ptr<const check::ProgramVersion> ReadVersion(const QString& path,
                                                         const check::CheckOptions& options, QString& why) {
    auto v = std::make_shared<check::ProgramVersion>();
    v->File = path.toStdString();
    std::string complaint;
    if (!check::ReadProgram(v->File, v->Text, complaint)) {
        why = path + QStringLiteral(": ") + QString::fromStdString(complaint);
        return nullptr;
    }
    v->Options = options;
    v->Options.ProgramPath = v->File; // its subprograms beside it
    v->Options.Target.reset();
    // Its own setup when it has one beside it; else the program's, for the same part.
    if (std::shared_ptr<const stock::Setup> own = check::StockOptions{}.SetupFor(v->File, complaint))
        v->Options.Stock = own;
    if (!complaint.empty()) {
        why = QString::fromStdString(complaint);
        return nullptr;
    }
    return v;
}

} // namespace workbench
