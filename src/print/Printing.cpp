#include "print/Printing.h"

#include <QClipboard>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>

#include <cmath>

namespace print {

namespace {

// Whole number, halves to the even neighbour (the default floating-point rounding mode).
double RoundEven(double v) {
    return std::nearbyint(v);
}

constexpr double MmPerInch = 25.4;

void PutOnClipboard(const QImage& picture) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(picture);
}

bool AskPrintOnBlack(QWidget* parent) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Zarvik"),
                    QStringLiteral("Now Back color is black. print OK\uFF1F"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("PrintBlackQuestion"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace

PageFit FitPage(double pageWidth, double pageHeight, double textHeight, double nameWidth, double ratio) {
    PageFit f;
    f.TextHeight = RoundEven(textHeight);
    // The top margin grows by the line above the picture, to an even number of millimetres.
    f.TopMargin = RoundEven(f.TextHeight + 3 + 0.5);
    const double pw = pageWidth - f.LeftMargin - f.RightMargin;
    const double ph = pageHeight - f.TopMargin - f.BottomMargin;
    f.W = pw;
    f.H = pw * ratio;
    f.X = f.LeftMargin;
    f.Y = f.TopMargin + (ph - f.H) / 2;
    if (f.H > ph) {
        f.H = ph;
        f.W = ph / ratio;
        f.Y = f.TopMargin;
        f.X = f.LeftMargin + (pw - f.W) / 2;
    }
    f.DateX = f.X;
    f.TextY = f.Y - f.TextHeight - 0.5;
    f.NameX = f.LeftMargin + (pw - nameWidth) / 2;
    return f;
}

double PrintRatio(double scaleWidth, double scaleHeight, const QImage& picture) {
    const double r = scaleWidth != 0 ? RoundEven(scaleHeight) / scaleWidth : 0;
    if (std::isfinite(r) && r > 0) return r;
    return picture.width() > 0 ? double(picture.height()) / picture.width() : 1.0;
}

int16_t PrintSetup(QWidget* parent, QPrinter& printer, int16_t printerOrientation) {
    if (printerOrientation == 0) printerOrientation = 2;
    printer.setPageOrientation(printerOrientation == 1 ? QPageLayout::Portrait : QPageLayout::Landscape);
    QPageSetupDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintSetupDialog"));
    dialog.exec(); // a cancel leaves the printer as preset
    return printer.pageLayout().orientation() == QPageLayout::Portrait ? 1 : 2;
}

bool PrintPage(QPrinter& printer, const QImage& picture, const PrintRequest& request) {
    printer.setPageOrientation(request.PrinterOrientation == 1 ? QPageLayout::Portrait
                                                               : QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const double dotsX = printer.logicalDpiX() / MmPerInch;
    const double dotsY = printer.logicalDpiY() / MmPerInch;

    QFont font = painter.font();
    font.setPointSize(12);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    const PageFit fit = FitPage(printer.width() / dotsX, printer.height() / dotsY, metrics.height() / dotsY,
                                metrics.horizontalAdvance(request.FileName) / dotsX,
                                PrintRatio(request.ScaleWidth, request.ScaleHeight, picture));

    const QRectF place(fit.X * dotsX, fit.Y * dotsY, fit.W * dotsX, fit.H * dotsY);
    painter.drawImage(place, picture);
    painter.setPen(Qt::black);
    const double baseline = fit.TextY * dotsY + metrics.ascent();
    painter.drawText(QPointF(fit.DateX * dotsX, baseline),
                     request.Date.toString(QStringLiteral("yyyy.MM.dd")));
    painter.drawText(QPointF(fit.NameX * dotsX, baseline), request.FileName);
    QPen border(Qt::black);
    border.setWidthF(3); // printer dots
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(place);
    if (!painter.end()) {
        printer.abort();
        return false;
    }
    return true;
}

bool PrintView(QWidget* parent, QPrinter& printer, const ViewImages& view, const PrintRequest& request) {
    if (!request.WhiteBackground && !AskPrintOnBlack(parent)) return false;
    const QImage picture = ComposeViewPicture(view.Canvas, view.Xscale, view.Zscale, view.Positions);
    // The clipboard holds the printed view afterwards, as the operators expect.
    PutOnClipboard(picture);
    return PrintPage(printer, picture, request);
}

QImage ScreenCopy(const ViewImages& view, const QString& fileName, int32_t toolColor) {
    const QImage picture = ScreenCopyPicture(
        ComposeViewPicture(view.Canvas, view.Xscale, view.Zscale, view.Positions), fileName, toolColor);
    PutOnClipboard(picture);
    return picture;
}

} // namespace print
