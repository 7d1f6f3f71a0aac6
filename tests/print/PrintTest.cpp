// SPDX-License-Identifier: GPL-3.0-or-later
// The view picture (visible quarter and rulers in their on-screen places), the page layout,
// Print to PDF with its black-background question, and Screen copy on the clipboard.
#include "print/Printing.h"
#include "support/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <csignal>
#include <sys/resource.h>

using print::PageFit;
using print::ViewImages;
using print::ViewPositions;

namespace {

// Pixels whose colour says where they came from: red/green carry x/y modulo 256, blue the
// source image's tag.
QImage Tagged(int w, int h, int tag) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, tag));
    return image;
}

using testing_support::ModalDriver;

// A drawn view as the window shows it: a white canvas 4x the viewport with axes and a turned
// profile, and the two rulers with ticks and labels.
ViewImages DrawnView(int vw, int vh) {
    ViewImages v;
    v.Positions = {vw, vh, -vw * 3 / 2, -vh * 3 / 2};
    v.Canvas = QImage(vw * 4, vh * 4, QImage::Format_RGB32);
    v.Canvas.fill(Qt::white);
    QPainter p(&v.Canvas);
    const QPointF origin(vw * 2.2, vh * 2.0); // canvas pixel of Z0 X0
    p.setPen(QColor(128, 128, 128));
    p.drawLine(QPointF(0, origin.y()), QPointF(v.Canvas.width(), origin.y()));
    p.drawLine(QPointF(origin.x(), 0), QPointF(origin.x(), v.Canvas.height()));
    p.setPen(QPen(Qt::black, 2));
    const QPointF profile[] = {origin + QPointF(0, -40), origin + QPointF(-120, -40),
                               origin + QPointF(-160, -80), origin + QPointF(-300, -80),
                               origin + QPointF(-300, -140)};
    p.drawPolyline(profile, 5);
    p.setPen(QPen(Qt::magenta, 1, Qt::DotLine));
    p.drawLine(origin + QPointF(60, -200), origin + QPointF(0, -40));
    p.setPen(QPen(Qt::darkGreen, 2));
    p.drawArc(QRectF(origin + QPointF(-400, -200), QSizeF(160, 160)), 0, 90 * 16);
    p.setPen(Qt::darkGreen);
    p.drawText(origin + QPointF(70, -205), QStringLiteral("TA 101"));
    p.end();

    v.Xscale = QImage(std::max(1, vw / 35), vh * 4, QImage::Format_RGB32);
    v.Xscale.fill(Qt::white);
    v.Zscale = QImage(vw * 4, std::max(1, vh / 40), QImage::Format_RGB32);
    v.Zscale.fill(Qt::white);
    QPainter x(&v.Xscale), z(&v.Zscale);
    for (int t = -10; t <= 10; ++t) {
        const double yy = origin.y() + t * 40, xx = origin.x() + t * 40;
        x.drawLine(QPointF(0, yy), QPointF(v.Xscale.width(), yy));
        x.drawText(QPointF(0, yy - 2), QString::number(-t * 20));
        z.drawLine(QPointF(xx, v.Zscale.height() / 2.0), QPointF(xx, v.Zscale.height()));
        z.drawText(QPointF(xx - 8, 9), QStringLiteral("Z%1").arg(t * 20));
    }
    return v;
}

QString OutputFolder(const QTemporaryDir& temp) {
    const QString wanted = qEnvironmentVariable("ZARVIK_PRINT_OUT");
    if (!wanted.isEmpty() && QDir().mkpath(wanted)) return wanted;
    return temp.path();
}

void ToPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
}

} // namespace

TEST(ViewPicture, ShowsTheVisibleQuarterWithRulersInTheirPlaces) {
    const ViewPositions at{200, 120, -310, -170};
    const QImage canvas = Tagged(800, 480, 1);
    const QImage xscale = Tagged(6, 480, 2);
    const QImage zscale = Tagged(800, 3, 3);
    const QImage picture = print::ComposeViewPicture(canvas, xscale, zscale, at);
    ASSERT_EQ(picture.size(), QSize(200, 120));

    // Canvas pixels shifted by the canvas position, 1:1.
    EXPECT_EQ(picture.pixel(100, 50), canvas.pixel(410, 220));
    EXPECT_EQ(picture.pixel(6, 116), canvas.pixel(316, 286));
    // The vertical ruler on the left edge, moved up with the canvas.
    EXPECT_EQ(picture.pixel(0, 0), xscale.pixel(0, 170));
    EXPECT_EQ(picture.pixel(5, 60), xscale.pixel(5, 230));
    // The horizontal ruler on the bottom edge, moved left with the canvas.
    EXPECT_EQ(picture.pixel(199, 117), zscale.pixel(509, 0));
    EXPECT_EQ(picture.pixel(10, 119), zscale.pixel(320, 2));
}

TEST(PageLayout, WideViewFillsTheWidthCentredVertically) {
    // A4 landscape printable area, a line 5 mm high, a view three times as wide as high.
    const PageFit f = print::FitPage(297, 210, 5.2, 40, 1.0 / 3);
    EXPECT_EQ(f.TextHeight, 5);
    EXPECT_EQ(f.TopMargin, 8);
    EXPECT_DOUBLE_EQ(f.X, 10);
    EXPECT_DOUBLE_EQ(f.W, 277);
    EXPECT_NEAR(f.H, 277.0 / 3, 1e-9);
    EXPECT_NEAR(f.Y - f.TopMargin, (210 - 5) - (f.Y + f.H), 1e-9) << "equal space above and below";
    EXPECT_NEAR(f.TextY, f.Y - 5.5, 1e-9);
    EXPECT_DOUBLE_EQ(f.DateX, f.X);
    EXPECT_NEAR(f.NameX + 20, 10 + 277.0 / 2, 1e-9) << "the name is centred over the printable width";
}

TEST(PageLayout, TallViewFillsTheHeightCentredHorizontally) {
    const PageFit f = print::FitPage(210, 297, 4.4, 30, 1.5);
    EXPECT_EQ(f.TextHeight, 4);
    EXPECT_EQ(f.TopMargin, 8) << "h + 4 when h + 3 is odd";
    EXPECT_DOUBLE_EQ(f.Y, 8);
    EXPECT_DOUBLE_EQ(f.H, 297 - 8 - 5);
    EXPECT_NEAR(f.W, f.H / 1.5, 1e-9);
    EXPECT_NEAR(f.X - 10, (210 - 10) - (f.X + f.W), 1e-9) << "equal space left and right";
}

TEST(PageLayout, LineHeightRoundsHalvesToEven) {
    EXPECT_EQ(print::FitPage(297, 210, 4.5, 0, 1).TextHeight, 4);
    EXPECT_EQ(print::FitPage(297, 210, 5.5, 0, 1).TextHeight, 6);
    EXPECT_EQ(print::FitPage(297, 210, 5.5, 0, 1).TopMargin, 10);
    // The canvas's user height is taken as a whole number.
    EXPECT_DOUBLE_EQ(print::PrintRatio(1600, 1280.5, QImage()), 1280.0 / 1600);
    EXPECT_DOUBLE_EQ(print::PrintRatio(0, 0, QImage(300, 200, QImage::Format_RGB32)), 200.0 / 300);
}

TEST(ScreenCopy, PutsTheViewWithBorderAndNameOnTheClipboard) {
    const ViewImages view = DrawnView(400, 300);
    QApplication::clipboard()->setText(QStringLiteral("old"));
    const int32_t green = 0x00FF00; // &HBBGGRR
    print::ScreenCopy(view, QStringLiteral("SAMPLE.min"), green);

    const QImage copy = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(copy.size(), QSize(400, 300));
    for (int y = 0; y < 300; y += 37) {
        EXPECT_EQ(copy.pixel(0, y), qRgb(0, 0, 0)) << y;
        EXPECT_EQ(copy.pixel(399, y), qRgb(0, 0, 0)) << y; // 0.1 % of 400 stays inside the last pixel
    }
    for (int x = 0; x < 400; x += 41) {
        EXPECT_EQ(copy.pixel(x, 0), qRgb(0, 0, 0)) << x;
        EXPECT_EQ(copy.pixel(x, 299), qRgb(0, 0, 0)) << x;
    }
    // The name in the tool colour, starting 5 % of the width from the left, near the top.
    int nameLeft = 400, nameTop = 300, count = 0;
    for (int y = 1; y < 299; ++y)
        for (int x = 1; x < 399; ++x) {
            const QRgb c = copy.pixel(x, y);
            if (qGreen(c) > 150 && qRed(c) < 100 && qBlue(c) < 100) {
                ++count;
                nameLeft = std::min(nameLeft, x);
                nameTop = std::min(nameTop, y);
            }
        }
    EXPECT_GT(count, 20);
    EXPECT_NEAR(nameLeft, 20, 3);
    EXPECT_LT(nameTop, 12);
}

TEST(ScreenCopy, BorderSitsInsideWideEdges) {
    const QImage white = [] {
        QImage i(2000, 1000, QImage::Format_RGB32);
        i.fill(Qt::white);
        return i;
    }();
    const QImage copy = print::ScreenCopyPicture(white, QString(), 0);
    EXPECT_EQ(copy.pixel(1998, 500), qRgb(0, 0, 0));
    EXPECT_EQ(copy.pixel(1999, 500), qRgb(255, 255, 255)) << "0.1 % of 2000 is two pixels";
    EXPECT_EQ(copy.pixel(1000, 999), qRgb(0, 0, 0));
}

TEST(Print, WhiteViewPrintsInBothOrientationsAndLeavesThePictureOnTheClipboard) {
    QTemporaryDir temp;
    const QString folder = OutputFolder(temp);
    const ViewImages view = DrawnView(480, 300);
    for (int16_t orientation : {int16_t(1), int16_t(2)}) {
        QPrinter printer(QPrinter::HighResolution);
        const QString path = folder + QStringLiteral("/view-%1.pdf").arg(orientation);
        QFile::remove(path);
        ToPdf(printer, path);
        print::PrintRequest request;
        request.FileName = QStringLiteral("SAMPLE.min");
        request.ScaleWidth = 1600;
        request.ScaleHeight = 1000;
        request.PrinterOrientation = orientation;
        request.Date = QDate(2024, 3, 9);
        QApplication::clipboard()->clear();
        EXPECT_TRUE(print::PrintView(nullptr, printer, view, request));
        EXPECT_GT(QFileInfo(path).size(), 1000) << path.toStdString();
        EXPECT_EQ(printer.pageLayout().orientation(),
                  orientation == 1 ? QPageLayout::Portrait : QPageLayout::Landscape);
        const QImage held = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(held, print::ComposeViewPicture(view.Canvas, view.Xscale, view.Zscale, view.Positions));
    }
}

TEST(Print, BlackBackgroundAsksAndNoPrintsNothing) {
    QTemporaryDir temp;
    const ViewImages view = DrawnView(200, 120);
    print::PrintRequest request;
    request.Sheet.WhiteBackground = false;
    for (const bool yes : {false, true}) {
        QPrinter printer(QPrinter::HighResolution);
        const QString path = temp.path() + (yes ? QStringLiteral("/yes.pdf") : QStringLiteral("/no.pdf"));
        ToPdf(printer, path);
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        QString question;
        const ModalDriver driver({[&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) return;
            question = box->text();
            box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        }});
        EXPECT_EQ(print::PrintView(nullptr, printer, view, request), yes);
        EXPECT_EQ(question, QStringLiteral("Now Back color is black. print OK\uFF1F"));
        EXPECT_EQ(QFileInfo::exists(path), yes);
        EXPECT_EQ(QApplication::clipboard()->text() == QStringLiteral("kept"), !yes);
    }
}

// Preset orientation of the settings (0 = never set) and the one a cancelled setup leaves.
class PrintSetupCancel : public ::testing::TestWithParam<std::pair<int16_t, int16_t>> {};

TEST_P(PrintSetupCancel, KeepsThePresetOrientation) {
    const auto [preset, expected] = GetParam();
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    bool shown = false;
    const ModalDriver driver({[&](QWidget* modal) {
        shown = true;
        modal->close();
    }});
    const int16_t result = print::PrintSetup(nullptr, printer, preset);
    EXPECT_TRUE(shown);
    EXPECT_EQ(result, expected);
}

INSTANTIATE_TEST_SUITE_P(Presets, PrintSetupCancel,
                         ::testing::Values(std::pair<int16_t, int16_t>{0, 2},
                                           std::pair<int16_t, int16_t>{1, 1},
                                           std::pair<int16_t, int16_t>{2, 2}));

namespace {

// Prints a view on `printer` and closes the first dialog that shows; the text of the print's
// failure message when that was it, else empty.
QString PrintAndReadMessage(QPrinter& printer, bool white, bool* printed = nullptr) {
    print::PrintRequest request;
    request.Sheet.WhiteBackground = white;
    QString message;
    const ModalDriver driver({[&](QWidget* modal) {
        if (modal->objectName() == QStringLiteral("PrintFailed"))
            message = qobject_cast<QMessageBox*>(modal)->text();
        modal->close();
    }});
    const bool ok = print::PrintView(nullptr, printer, DrawnView(200, 120), request);
    if (printed) *printed = ok;
    return message;
}

} // namespace

TEST(PrintFailure, NoPrinterSaysSoBeforeAskingAnything) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat); // what Qt gives when no printer is installed
    printer.setOutputFileName(QString());
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    bool printed = true;
    // On a black view: the missing printer is named before the question about the background.
    const QString message = PrintAndReadMessage(printer, false, &printed);
    EXPECT_FALSE(printed);
    EXPECT_TRUE(message.startsWith(QStringLiteral("There is no printer to print to.")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("Print setup")));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
}

TEST(PrintFailure, AFileThatCannotBeOpenedIsNamedWithTheReason) {
    QTemporaryDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("taken.pdf")));
    const struct {
        QString File, Why;
    } cases[] = {
        {temp.path() + QStringLiteral("/missing/view.pdf"), QStringLiteral("its folder does not exist")},
        {temp.path() + QStringLiteral("/taken.pdf"), QStringLiteral("a folder has that name")},
    };
    for (const auto& c : cases) {
        QPrinter printer(QPrinter::HighResolution);
        ToPdf(printer, c.File);
        bool printed = true;
        const QString message = PrintAndReadMessage(printer, true, &printed);
        EXPECT_FALSE(printed);
        EXPECT_EQ(message, QStringLiteral("The page cannot be printed to the file \"%1\": %2.")
                               .arg(QDir::toNativeSeparators(c.File), c.Why));
    }
}

TEST(PrintFailure, AFileCutShortByAFullDiskIsReportedAndRemoved) {
    QTemporaryDir temp;
    const QString path = temp.path() + QStringLiteral("/full.pdf");
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, path);
    // A disk that holds no more than 4 KB for this process.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString reason;
    const bool printed =
        print::PrintPage(printer, DrawnView(480, 300).Canvas, print::PrintRequest(), &reason);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(printed);
    EXPECT_TRUE(reason.contains(QStringLiteral("could not be written completely"))) << reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(PrintSetup, PrinterButtonChoosesAPdfFileThenShowsThePageSetupAgain) {
    QTemporaryDir temp;
    const QString chosen = temp.path() + QStringLiteral("/chosen.pdf");
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, chosen); // the print dialog offers this file
    QStringList seen;
    const ModalDriver script({
        [&](QWidget* setup) {
            seen << setup->objectName();
            auto* choose = setup->findChild<QPushButton*>(QStringLiteral("ChoosePrinter"));
            ASSERT_NE(choose, nullptr);
            EXPECT_EQ(choose->text(), QStringLiteral("Printer..."));
            choose->click();
        },
        [&](QWidget* choice) {
            seen << choice->objectName();
            ASSERT_NE(qobject_cast<QPrintDialog*>(choice), nullptr);
            qobject_cast<QDialog*>(choice)->accept();
        },
        [&](QWidget* setup) {
            seen << setup->objectName();
            qobject_cast<QDialog*>(setup)->reject();
        },
    });
    EXPECT_EQ(print::PrintSetup(nullptr, printer, 1), 1);
    EXPECT_EQ(seen, QStringList({QStringLiteral("PrintSetupDialog"), QStringLiteral("ChoosePrinterDialog"),
                                 QStringLiteral("PrintSetupDialog")}));
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer.outputFileName(), chosen);
    // The page now goes to the file chosen.
    print::PrintRequest request;
    request.PrinterOrientation = 1;
    EXPECT_TRUE(print::PrintView(nullptr, printer, DrawnView(200, 120), request));
    EXPECT_GT(QFileInfo(chosen).size(), 1000);
}
