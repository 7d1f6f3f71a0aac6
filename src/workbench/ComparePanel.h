// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two versions of the program in the window: the program in the pane compared with another
// version of it (an older file, the program as last saved, its .bak) by the part they cut. The
// silent check compares them with every check of the text; the panel lists the verdict and the
// regions of material added and removed with the blocks of both versions, a click on a region
// puts the caret on its block, and the overlay colours the regions over the section.

#include "workbench/PanelTable.h"

#include <QString>

#include <memory>
#include <string>

class QLabel;
class QPushButton;
class QTableWidget;

namespace check {
struct ProgramVersion;
struct CheckOptions;
} // namespace check

namespace workbench {

class ComparePanel final : public Panel {
    Q_OBJECT
  public:
    enum Column {
        ChangeColumn,
        DepthColumn,
        ZColumn,
        AreaColumn,
        VolumeColumn,
        OldColumn,
        NewColumn,
        Columns
    };
    explicit ComparePanel(QWidget* parent = nullptr);
    void SetResult(BenchPtr result) override;
    // The version compared with (its file as shown), or none: the panel says how to start one.
    void SetVersus(const QString& file);
    QLabel* Summary() { return Verdict; }
    QTableWidget* Table() { return Rows; }
    QPushButton* ClearButton() { return Clear; }

  signals:
    void LineActivated(qint64 line);
    void ClearRequested();

  private:
    QLabel* Verdict = nullptr;
    QTableWidget* Rows = nullptr;
    QPushButton* Clear = nullptr;
    QString Versus;
    BenchPtr Shown;
};

// The file the Compare with version command offers first for the program at `programPath`: its
// backup (PROGRAM.bak, or the name with .bak for its ending) when there is one, else the program
// as last saved.
QString CompareStartPath(const QString& programPath);

// The version of the program in the file at `path`, read as the window reads programs, to be
// checked with `options`: with its own setup when one lies beside it, else with the setup in
// `options` (the program's own: the same part). Null with `why` when it or its setup cannot be
// read.
std::shared_ptr<const check::ProgramVersion> ReadVersion(const QString& path,
                                                         const check::CheckOptions& options, QString& why);

} // namespace workbench
