// SPDX-License-Identifier: GPL-3.0-or-later
// The setup dialog as the operator uses it: untouched it gives back the setup it was opened with,
// a value the setup file's reader would refuse marks its field and turns O K off, and edits come
// back in the setup.

#include "dialogs/SetupDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using dialogs::SetupDialog;

stock::Setup Shaft() {
    stock::Setup s;
    s.Material.Diameter = 60, s.Material.Length = 120, s.Material.FaceAllowance = 0.3,
    s.Material.FrontZ = 0.3;
    stock::WorkHolding h;
    h.ChuckFaceZ = -90, h.StepLength = 4, h.StepHeight = 2;
    s.Holding = h;
    stock::Tool turn, thread;
    turn.Source = thread.Source = "setup file";
    turn.Shape = 'D', turn.NoseRadius = 0.4, turn.ApproachAngle = 93;
    turn.Holder = {{0, 2}, {25, 2}, {25, 20}};
    thread.Type = stock::Tool::Kind::Thread, thread.TipDirection = 8;
    s.Tools = {{1, turn}, {4, thread}};
    return s;
}

QTableWidgetItem* Cell(SetupDialog& d, int row, int column) {
    return d.Tools->item(row, column);
}

TEST(SetupDialog, UntouchedGivesBackItsSetup) {
    const stock::Setup s = Shaft();
    SetupDialog d(s, {});
    ASSERT_TRUE(d.Edited());
    EXPECT_EQ(*d.Edited(), s);
    EXPECT_TRUE(d.Ok->isEnabled());
    EXPECT_FALSE(d.Bore->isEnabled()); // a bar has no bore
}

TEST(SetupDialog, AValueTheReaderRefusesMarksItsFieldAndTurnsOkOff) {
    SetupDialog d(Shaft(), {});
    d.Diameter->setText(QStringLiteral("6O"));
    EXPECT_FALSE(d.Ok->isEnabled());
    EXPECT_FALSE(d.Diameter->styleSheet().isEmpty());
    EXPECT_TRUE(d.Message->text().contains(QStringLiteral("not a number")));
    d.Diameter->setText(QStringLiteral("-5"));
    EXPECT_FALSE(d.Ok->isEnabled());
    EXPECT_EQ(d.Message->text().toStdString(), stock::Validate([] {
                  stock::Setup s = Shaft();
                  s.Material.Diameter = -5;
                  return s;
              }()));
    d.Diameter->setText(QStringLiteral("62"));
    EXPECT_TRUE(d.Ok->isEnabled());
    EXPECT_TRUE(d.Diameter->styleSheet().isEmpty());
    EXPECT_TRUE(d.Message->text().isEmpty());

    // A tube's bore must lie inside its diameter.
    d.StockKind->setCurrentIndex(1);
    EXPECT_TRUE(d.Bore->isEnabled());
    d.Bore->setText(QStringLiteral("62"));
    EXPECT_FALSE(d.Ok->isEnabled());
    EXPECT_FALSE(d.Bore->styleSheet().isEmpty());
    d.Bore->setText(QStringLiteral("20"));
    EXPECT_TRUE(d.Ok->isEnabled());

    // A tool's nose radius, its tip direction, and a tool number given twice.
    Cell(d, 0, SetupDialog::ColNose)->setText(QStringLiteral("-0.4"));
    EXPECT_FALSE(d.Ok->isEnabled());
    EXPECT_NE(Cell(d, 0, SetupDialog::ColNose)->background(), QBrush());
    EXPECT_EQ(Cell(d, 1, SetupDialog::ColNose)->background(), QBrush());
    Cell(d, 0, SetupDialog::ColNose)->setText(QStringLiteral("0.8"));
    EXPECT_TRUE(d.Ok->isEnabled());
    Cell(d, 1, SetupDialog::ColTip)->setText(QStringLiteral("2.5"));
    EXPECT_FALSE(d.Ok->isEnabled());
    EXPECT_NE(Cell(d, 1, SetupDialog::ColTip)->background(), QBrush());
    Cell(d, 1, SetupDialog::ColTip)->setText(QStringLiteral("7"));
    Cell(d, 1, SetupDialog::ColNumber)->setText(QStringLiteral("1"));
    EXPECT_FALSE(d.Ok->isEnabled());
    EXPECT_TRUE(d.Message->text().contains(QStringLiteral("twice")));
    Cell(d, 1, SetupDialog::ColNumber)->setText(QStringLiteral("5"));
    ASSERT_TRUE(d.Ok->isEnabled());

    const stock::Setup e = *d.Edited();
    EXPECT_EQ(e.Material.Shape, stock::Stock::Kind::Tube);
    EXPECT_EQ(e.Material.Bore, 20);
    EXPECT_EQ(e.Tools.at(1).NoseRadius, 0.8);
    EXPECT_EQ(e.Tools.at(1).Holder.size(), 3u); // kept, though the dialog does not show it
    EXPECT_EQ(e.Tools.count(4), 0u);
    EXPECT_EQ(e.Tools.at(5).TipDirection, 7);
    EXPECT_EQ(e.Tools.at(5).Type, stock::Tool::Kind::Thread);
}

TEST(SetupDialog, FeedAxisAndDrivenToolShowAndComeBack) {
    stock::Setup s = Shaft();
    stock::Tool face, cross;
    face.Source = cross.Source = "setup file";
    face.Type = stock::Tool::Kind::Grooving, face.FeedAxis = stock::Tool::Axis::Z;
    cross.Type = stock::Tool::Kind::Drill, cross.FeedAxis = stock::Tool::Axis::X, cross.Driven = true;
    s.Tools[5] = face, s.Tools[8] = cross;
    SetupDialog d(s, {});
    ASSERT_TRUE(d.Edited());
    EXPECT_EQ(*d.Edited(), s);
    auto axis = [&d](int row) {
        return static_cast<QComboBox*>(d.Tools->cellWidget(row, SetupDialog::ColAxis));
    };
    EXPECT_FALSE(axis(0)->isEnabled()); // a turning insert has no feed axis
    EXPECT_EQ(axis(2)->currentText(), QStringLiteral("Z"));
    EXPECT_TRUE(axis(2)->isEnabled());
    EXPECT_EQ(Cell(d, 3, SetupDialog::ColDriven)->checkState(), Qt::Checked);
    axis(2)->setCurrentText(QStringLiteral("usual"));
    Cell(d, 3, SetupDialog::ColDriven)->setCheckState(Qt::Unchecked);
    Cell(d, 0, SetupDialog::ColDriven)->setCheckState(Qt::Checked);
    ASSERT_TRUE(d.Edited());
    EXPECT_EQ(d.Edited()->Tools.at(5).FeedAxis, stock::Tool::Axis::Usual);
    EXPECT_FALSE(d.Edited()->Tools.at(8).Driven);
    EXPECT_TRUE(d.Edited()->Tools.at(1).Driven);
}

TEST(SetupDialog, WorkHoldingAndToolRowsComeAndGo) {
    SetupDialog d(Shaft(), {});
    d.HasTailstock->setChecked(true);
    d.TailstockZ->setText(QStringLiteral("5"));
    d.HasChuck->setChecked(false);
    EXPECT_FALSE(d.ChuckFaceZ->isEnabled());
    ASSERT_TRUE(d.Edited());
    ASSERT_TRUE(d.Edited()->Holding);
    EXPECT_FALSE(d.Edited()->Holding->Chuck);
    EXPECT_EQ(d.Edited()->Holding->TailstockZ, 5.0);
    d.HasTailstock->setChecked(false);
    EXPECT_FALSE(d.Edited()->Holding);

    // A new row takes the first free number; a removed one leaves the setup.
    d.AddTool->click();
    ASSERT_EQ(d.Tools->rowCount(), 3);
    EXPECT_EQ(Cell(d, 2, SetupDialog::ColNumber)->text(), QStringLiteral("2"));
    static_cast<QComboBox*>(d.Tools->cellWidget(2, SetupDialog::ColKind))
        ->setCurrentText(QStringLiteral("drill"));
    EXPECT_EQ(d.Edited()->Tools.at(2).Type, stock::Tool::Kind::Drill);
    d.Tools->setCurrentCell(0, SetupDialog::ColNumber);
    d.RemoveTool->click();
    ASSERT_TRUE(d.Edited());
    EXPECT_EQ(d.Edited()->Tools.count(1), 0u);
    EXPECT_EQ(d.Edited()->Tools.size(), 2u);
}

TEST(SetupDialog, NumbersAreReadAsTheSetupFileReadsThemWithNoGroupSeparators) {
    const QLocale before;
    for (const QLocale::Language language : {QLocale::English, QLocale::German}) {
        QLocale::setDefault(QLocale(language));
        const bool comma = language == QLocale::German;
        SCOPED_TRACE(comma ? "decimal comma" : "decimal point");
        SetupDialog d(Shaft(), {});
        // text, number it is (NaN: refused)
        const std::pair<const char*, double> typed[] = {{"60,000", comma ? 60 : NAN},
                                                        {"1,200", comma ? 1.2 : NAN},
                                                        {"1.200,5", NAN},
                                                        {"1,200.5", NAN},
                                                        {"1 200", NAN},
                                                        {"62.5", 62.5},
                                                        {" 1e2 ", 100},
                                                        {".5", NAN},
                                                        {"inf", NAN},
                                                        {"0x3C", 60},
                                                        {"6O", NAN}};
        for (const auto& [text, value] : typed) {
            SCOPED_TRACE(text);
            d.FrontZ->setText(QString::fromLatin1(text));
            Cell(d, 0, SetupDialog::ColEdge)->setText(QString::fromLatin1(text));
            if (std::isnan(value)) {
                EXPECT_FALSE(d.Edited());
                EXPECT_TRUE(d.Message->text().contains(QStringLiteral("not a number")));
                continue;
            }
            ASSERT_TRUE(d.Edited()) << d.Problem().toStdString();
            EXPECT_EQ(d.Edited()->Material.FrontZ, value);
            EXPECT_EQ(d.Edited()->Tools.at(1).EdgeLength, value);
        }
    }
    QLocale::setDefault(before);
}

} // namespace
