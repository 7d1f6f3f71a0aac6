// SPDX-License-Identifier: GPL-3.0-or-later
// The window readable at its default size: function-key panels that never overlap, state labels
// that hold their widest values, and a trace that fills the viewport again after a resize.

#include "WindowFixture.h"

#include "app/ColumnSplitter.h"
#include "app/PanelBar.h"
#include "app/StateLabels.h"

#include <QLabel>
#include <QToolBar>
#include <QToolButton>

namespace {

TEST(PanelWidths, PanelsKeepTheirWidthsWhenTheyFit) {
    EXPECT_EQ(app::FitPanelWidths({50, 80, 60}, 190, 10), (std::vector<int>{50, 80, 60}));
    EXPECT_EQ(app::FitPanelWidths({50, 80, 60}, 500, 10), (std::vector<int>{50, 80, 60}));
}

TEST(PanelWidths, TheWidestAreNarrowedToOneWidthJustAsFarAsNeeded) {
    // 170 for three: 50 stays, 80 and 60 share the 120 left.
    EXPECT_EQ(app::FitPanelWidths({50, 80, 60}, 170, 10), (std::vector<int>{50, 60, 60}));
    EXPECT_EQ(app::FitPanelWidths({50, 80, 60}, 150, 10), (std::vector<int>{50, 50, 50}));
    const auto w = app::FitPanelWidths({100, 30, 120, 90}, 250, 10);
    int sum = 0;
    for (int x : w)
        sum += x;
    EXPECT_LE(sum, 250);
    EXPECT_GE(sum, 246); // the room is used, rounding aside
    EXPECT_EQ(w[1], 30);
    EXPECT_EQ(w[0], w[2]);
    // Never below the least width a panel needs to be clicked.
    EXPECT_EQ(app::FitPanelWidths({50, 80}, 10, 16), (std::vector<int>{16, 16}));
    // A panel that needs more than the common width keeps what it needs; the others give way.
    EXPECT_EQ(app::FitPanelWidths({50, 80, 90}, {16, 16, 85}, 200), (std::vector<int>{50, 65, 85}));
}

TEST(StateRow, AWideValuePushesTheNextCaptionRightAndTheRowBackLeft) {
    using app::RowCell;
    // Caption at 120, value at 300 (needs 1500), caption at 1680, value at 1860 (needs 900).
    const std::vector<RowCell> row = {{120, 180}, {300, 1500}, {1680, 180}, {1860, 900}};
    EXPECT_EQ(app::PlaceRow(row, 0, 10000), (std::vector<double>{120, 300, 1800, 1980}));
    const auto lefts = app::PlaceRow(row, 0, 2880);
    EXPECT_EQ(lefts, (std::vector<double>{120, 300, 1800, 1980}));
    EXPECT_TRUE(app::RowFits(row, 0, 2880));
    EXPECT_FALSE(app::RowFits(row, 0, 2700));
    // Design places with room to spare stay as they are.
    EXPECT_EQ(app::PlaceRow({{120, 180}, {300, 600}, {1680, 180}}, 0, 4455),
              (std::vector<double>{120, 300, 1680}));
    EXPECT_EQ(app::PlaceRow({{120, 180}, {300, 600}, {1680, 180}}, 0, 1500),
              (std::vector<double>{120, 300, 1320}));
}

} // namespace

TEST_F(WindowTest, FunctionKeyPanelsAreReadableAndApartAtTheDefaultWidth) {
    Act("mnuFkey")->trigger();
    QTest::qWait(20);
    app::RunPanel& panel = W->Panel();
    ASSERT_TRUE(panel.FkeyBarShown());
    const QRect bar = panel.FkeyBarRect();
    const QStringList keys = panel.FkeyPanelKeys();
    ASSERT_EQ(keys.size(), panel.FkeyPanelCount());
    for (int i = 0; i < keys.size(); ++i) {
        const QRect at = panel.FkeyPanelGeometry(keys[i]);
        const std::string text = panel.FkeyPanelText(keys[i]).toStdString();
        EXPECT_TRUE(bar.contains(at)) << text;
        for (int k = i + 1; k < keys.size(); ++k)
            EXPECT_FALSE(at.intersects(panel.FkeyPanelGeometry(keys[k])))
                << text << " / " << panel.FkeyPanelText(keys[k]).toStdString();
        if (i == 0) continue; // the message panel
        // The whole text: a smaller face comes before a cut one.
        const QString whole = panel.FkeyPanelText(keys[i]);
        EXPECT_EQ(panel.FkeyPanelShownText(keys[i]), whole);
    }
    // The message panel tells a stop from the end.
    Open("G00 X10.\r\nM00\r\nG00 X20.\r\nM01\r\nG00 X30.\r\nM30\r\n%\r\n");
    Key(Qt::Key_F7); // optional stop on
    for (const char* message : {"Program Stop", "Optional Stop", "Program End"}) {
        Key(Qt::Key_F1);
        ASSERT_EQ(FkeyMessage(), message);
        EXPECT_EQ(panel.FkeyPanelShownText("Alarm"), message);
    }
}

TEST_F(WindowTest, StateLabelsHoldTheirWidestValuesAtTheDefaultSize) {
    const QWidget* viewport = W->View().Viewport();
    const std::pair<const char*, const char*> widest[] = {{"Block", "99999999"},
                                                          {"BlockNumber", "99999"},
                                                          {"XA", "-99999.999"},
                                                          {"ZA", "-99999.999"},
                                                          {"CAlabel", "-99999.999"},
                                                          {"SpindleSpeed", "99999"},
                                                          {"Vspeed", "99999"},
                                                          {"FEED", "99999.000"},
                                                          {"Hour", "9999"},
                                                          {"Min", "59"},
                                                          {"Sec", "59"}};
    for (const auto& [name, text] : widest) {
        QLabel* label = Label(name);
        ASSERT_NE(label, nullptr) << name;
        label->setText(text);
        EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(text))
            << label->objectName().toStdString();
        EXPECT_LE(label->x() + label->fontMetrics().horizontalAdvance(text), viewport->x())
            << label->objectName().toStdString();
    }
    // No label runs into another: the colons of the cutting time stand clear of the hours.
    const QList<QLabel*> all =
        W->WindowFrame().Form()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    for (QLabel* a : all)
        for (QLabel* b : all) {
            if (a == b || !a->isVisible() || !b->isVisible() || a->y() != b->y()) continue;
            const QRect inkA(a->x(), a->y(), a->fontMetrics().horizontalAdvance(a->text()), a->height());
            EXPECT_FALSE(inkA.intersects(b->geometry()) && a->x() < b->x())
                << a->text().toStdString() << " runs into " << b->text().toStdString();
        }
    EXPECT_GE(W->Panel().Labels().FontPoints(), 10); // still a readable size
}

TEST_F(WindowTest, AfterAResizeTheTraceFillsTheViewportAgain) {
    QTest::qWait(300);
    app::TraceView& view = W->View();
    const render::ImageCanvas& canvas = view.TraceImage();
    const double unitsPerTwip = canvas.ScaleWidth / canvas.Width;
    W->resize(W->width() + 400, W->height() + 200);
    QTest::qWait(600);
    const QRect viewport(QPoint(0, 0), view.Viewport()->size());
    EXPECT_TRUE(view.Canvas()->geometry().contains(viewport));
    EXPECT_TRUE(view.ZRuler()->geometry().contains(QRect(0, viewport.height() - 1, viewport.width(), 1)));
    EXPECT_NEAR(canvas.Width, 4 * view.Screen().ViewportWidth, 4 * W->WindowFrame().TwipsPerPixel());
    EXPECT_NEAR(canvas.ScaleWidth / canvas.Width, unitsPerTwip, 1e-9);
}

// At the default size the trace and the pane get the sizes the layout's rules give a window of
// 12000 x 10000 twips, the workbench's docks and bar notwithstanding, and no command of the
// toolbars hides behind their overflow button.
TEST_F(WindowTest, TheDefaultWindowKeepsTheLayoutsSizesBesideTheWorkbench) {
    app::Frame& f = W->WindowFrame();
    auto px = [&f](double twips) { return f.Px(twips); };
    const QWidget* trace = W->View().Viewport();
    EXPECT_NEAR(trace->width(), px(12000 - 4560), 1);
    EXPECT_NEAR(trace->height(), px(10000 - 1720), 1);
    EXPECT_NEAR(Pane()->height(), px(10000 - 4850), 1);
    for (QToolBar* bar : W->findChildren<QToolBar*>()) {
        if (!bar->isVisible()) continue;
        for (QToolButton* b : bar->findChildren<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
            EXPECT_FALSE(b->isVisible()) << bar->objectName().toStdString();
    }
}

TEST_F(WindowTest, TheColumnSplitterWidensThePaneAndTheWidthIsKept) {
    app::Frame& f = W->WindowFrame();
    const QRect trace = W->View().Viewport()->geometry();
    const int pane = Pane()->width();
    f.Splitter()->DragAsOperator(100);
    EXPECT_NEAR(Pane()->width(), pane + 100, 1);
    EXPECT_NEAR(W->View().Viewport()->x(), trace.x() + 100, 1);
    EXPECT_NEAR(W->View().Viewport()->width(), trace.width() - 100, 1);
    EXPECT_NEAR(f.Splitter()->geometry().center().x(), W->View().Viewport()->x(), 3);
    // Never beyond the trace's least width, and back.
    f.Splitter()->DragAsOperator(5000);
    EXPECT_GE(W->View().Viewport()->width(), f.Px(3000) - 1);
    f.Splitter()->DragAsOperator(-10000);
    EXPECT_NEAR(Pane()->width(), pane, 1);
    f.Splitter()->DragAsOperator(80);
    // Kept in the settings: the next start opens with the wider pane.
    W->WindowFrame().mnuExit_Click();
    W = std::make_unique<app::MainWindow>();
    ASSERT_TRUE(W->Load(""));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(W.get()));
    EXPECT_NEAR(Pane()->width(), pane + 80, 1);
}
