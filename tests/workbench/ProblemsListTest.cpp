// SPDX-License-Identifier: GPL-3.0-or-later
// The problems list on real widgets: repeated problems grouped with their range and count and
// unfolded on request, sorting, the severity filter, the alarms' meanings as tooltips and the
// quick fix of a row.

#include "workbench/Panels.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace workbench;

namespace {

BenchPtr Check(const std::string& program) {
    const std::u16string text(program.begin(), program.end());
    return std::make_shared<const inspect::InspectionResult>(inspect::RunInspection(text, {}));
}

// Past the plus limit of X on every block from line 2 to 31, a lower-case line 32 and 33, the
// G71 cycle without D and H on line 34.
std::string Repeats() {
    std::string p = "G00 X10. Z0. S500 M03\r\n";
    for (int k = 0; k < 30; ++k)
        p += "G01 X600. Z" + std::to_string(-k) + ". F0.2\r\n";
    return p + "g00 X10.\r\ng00 X20.\r\nG00 X50. Z2.\r\nG71 X46. Z-24. F1.5\r\nG00 X100.\r\nM30\r\n";
}

QString Cell(ProblemsModel* m, int row, int column, const QModelIndex& parent = {}) {
    return m->data(m->index(row, column, parent), Qt::DisplayRole).toString();
}

} // namespace

TEST(ProblemsList, RepeatsAreOneRowWithTheirRangeAndUnfold) {
    ProblemsPanel panel;
    panel.resize(700, 300);
    panel.show();
    panel.SetResult(Check(Repeats()));
    ProblemsModel* m = panel.Model();
    ASSERT_EQ(m->rowCount(), 3); // limit, lower case, the cycle's alarm
    EXPECT_EQ(Cell(m, 0, ProblemsModel::LineColumn), QString::fromUtf8("2\u201331"));
    EXPECT_EQ(Cell(m, 0, ProblemsModel::CountColumn), "30");
    EXPECT_EQ(Cell(m, 0, ProblemsModel::MessageColumn), "X-Axis puls limit over.");
    EXPECT_EQ(Cell(m, 2, ProblemsModel::CountColumn), ""); // one of its kind
    EXPECT_EQ(panel.Counts(), "31 alarms, 2 warnings");    // every problem, not the rows
    // Unfolded, the group lists each occurrence; a click on one asks for its own line.
    const QModelIndex group = m->index(0, 0);
    ASSERT_EQ(m->rowCount(group), 30);
    EXPECT_EQ(m->rowCount(m->index(2, 0)), 0);
    EXPECT_EQ(Cell(m, 4, ProblemsModel::LineColumn, group), "6");
    EXPECT_EQ(m->parent(m->index(4, 0, group)), group);
    panel.Table()->expand(group);
    QSignalSpy lines(&panel, &ProblemsPanel::LineActivated);
    const QRect r = panel.Table()->visualRect(m->index(4, 0, group));
    QTest::mouseClick(panel.Table()->viewport(), Qt::LeftButton, {}, r.center());
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0][0].toLongLong(), 6);
}

TEST(ProblemsList, SortedByAnyColumnAndFilteredBySeverity) {
    ProblemsPanel panel;
    panel.SetResult(Check(Repeats()));
    ProblemsModel* m = panel.Model();
    panel.Table()->sortByColumn(ProblemsModel::SeverityColumn, Qt::DescendingOrder);
    EXPECT_EQ(Cell(m, 0, ProblemsModel::SeverityColumn), "warning");
    panel.Table()->sortByColumn(ProblemsModel::CountColumn, Qt::AscendingOrder);
    EXPECT_EQ(Cell(m, 2, ProblemsModel::CountColumn), "30");
    panel.Table()->sortByColumn(ProblemsModel::LineColumn, Qt::AscendingOrder);
    EXPECT_EQ(m->At(0)->Line, 2);
    // Alarms hidden: the warnings stay, the counts and the buttons' numbers keep every problem.
    EXPECT_EQ(panel.Filter(inspect::Kind::Alarm)->text(), "Alarms (31)");
    panel.Filter(inspect::Kind::Alarm)->click();
    ASSERT_EQ(m->rowCount(), 1);
    EXPECT_EQ(Cell(m, 0, ProblemsModel::SeverityColumn), "warning");
    EXPECT_EQ(panel.Counts(), "31 alarms, 2 warnings");
    panel.Filter(inspect::Kind::Warning)->click();
    EXPECT_EQ(m->rowCount(), 0);
    panel.Filter(inspect::Kind::Alarm)->click();
    EXPECT_EQ(m->rowCount(), 2);
    // A new check keeps the filter.
    panel.SetResult(Check(Repeats()));
    EXPECT_EQ(m->rowCount(), 2);
}

TEST(ProblemsList, AlarmsExplainThemselvesAndFindingsOfferTheirFix) {
    ProblemsPanel panel;
    panel.resize(700, 300);
    panel.show();
    panel.SetResult(Check(Repeats()));
    ProblemsModel* m = panel.Model();
    const QString limit = m->data(m->index(0, ProblemsModel::MessageColumn), Qt::ToolTipRole).toString();
    EXPECT_TRUE(limit.contains("limit-plus-x: The point lies on or beyond the plus soft limit of X"))
        << limit.toStdString();
    EXPECT_TRUE(limit.contains("30 times")) << limit.toStdString();
    // The control's own Japanese words stay; their meaning is beside them.
    const QModelIndex cycle = m->index(2, ProblemsModel::MessageColumn);
    EXPECT_EQ(m->data(cycle, Qt::DisplayRole).toString(), QString::fromUtf8("D又Hが０です。"));
    EXPECT_TRUE(m->data(cycle, Qt::ToolTipRole).toString().contains("d-or-h-zero: \"D or H is 0.\""));
    // No fix for an alarm; the lower-case finding has one, on the button and in the menu.
    panel.Table()->setCurrentIndex(m->index(0, 0));
    EXPECT_FALSE(panel.FixButton()->isEnabled());
    EXPECT_FALSE(panel.MenuFor(m->index(0, 0))->actions().front()->isEnabled());
    QSignalSpy fixes(&panel, &ProblemsPanel::FixRequested);
    panel.Table()->setCurrentIndex(m->index(1, 0));
    ASSERT_TRUE(panel.FixButton()->isEnabled());
    panel.FixButton()->click();
    QMenu* menu = panel.MenuFor(m->index(1, 3));
    EXPECT_EQ(menu->actions().front()->text(), "Upper case outside comments");
    menu->actions().front()->trigger();
    ASSERT_EQ(fixes.size(), 2);
    EXPECT_EQ(fixes[0][0].toInt(), static_cast<int>(inspect::QuickFix::UpperCase));
    EXPECT_EQ(fixes[1][0].toInt(), static_cast<int>(inspect::QuickFix::UpperCase));
}
