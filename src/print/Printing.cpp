// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/Printing.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include <algorithm>
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

// NOTE: a print that fails says why; the operator otherwise takes the silence for a printout.
void ShowPrintFailure(QWidget* parent, const QString& reason) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Zarvik"), reason, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("PrintFailed"));
    box.exec();
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

namespace {

// The result of the page-setup dialog when its "Printer..." button was pressed.
constexpr int ChoosePrinterResult = 2;

// Adds the button that leaves the page setup for the printer choice.
void AddPrinterButton(QDialog& dialog) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    if (!buttons) return; // a dialog of the platform's own: its printer choice is its own too
    QPushButton* choose = buttons->addButton(QStringLiteral("Printer..."), QDialogButtonBox::ActionRole);
    choose->setObjectName(QStringLiteral("ChoosePrinter"));
    QObject::connect(choose, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(ChoosePrinterResult); });
}

QString PrinterTarget(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QDir::toNativeSeparators(printer.outputFileName());
    return printer.printerName();
}

// Why the page could not be started on `printer`.
QString BeginFailure(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        const QFileInfo file(printer.outputFileName());
        const QFileInfo folder(file.absolutePath());
        const QString why = !folder.isDir() ? QStringLiteral("its folder does not exist")
                            : file.isDir()  ? QStringLiteral("a folder has that name")
                            : file.exists() && !file.isWritable() ? QStringLiteral("the file is read-only")
                            : !file.exists() && !folder.isWritable()
                                ? QStringLiteral("its folder is read-only")
                                : QStringLiteral("the file cannot be written");
        return QStringLiteral("The page cannot be printed to the file \"%1\": %2.")
            .arg(PrinterTarget(printer), why);
    }
    return QStringLiteral("The printer \"%1\" cannot be opened.").arg(PrinterTarget(printer));
}

// Whether a PDF written to a plain file ended as a PDF ends; a full disk cuts it short without
// the painter noticing. Devices and pipes cannot be read back and count as complete.
bool CompletePdf(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    file.seek(std::max<qint64>(0, file.size() - 1024));
    return file.readAll().contains("%%EOF");
}

} // namespace

QString NoPrinterReason(const QPrinter& printer) {
    const bool none = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName().isEmpty()
                                                                    : printer.printerName().isEmpty();
    if (!none) return {};
    return QStringLiteral("There is no printer to print to.\nChoose a printer or a PDF file with "
                          "File > Print setup > Printer...");
}

void ChoosePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("ChoosePrinterDialog"));
    dialog.setWindowTitle(QStringLiteral("Printer"));
    // The dialog only chooses here; the page goes out with Print.
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
    dialog.exec();
}

int16_t PrintSetup(QWidget* parent, QPrinter& printer, int16_t printerOrientation) {
    return PrintSetup(parent, printer, printerOrientation, nullptr);
}

int16_t PrintSetup(QWidget* parent, QPrinter& printer, int16_t printerOrientation,
                   picture::SheetOptions* sheet) {
    if (printerOrientation == 0) printerOrientation = 2;
    for (;;) {
        printer.setPageOrientation(printerOrientation == 1 ? QPageLayout::Portrait : QPageLayout::Landscape);
        QPageSetupDialog dialog(&printer, parent);
        dialog.setObjectName(QStringLiteral("PrintSetupDialog"));
        AddPrinterButton(dialog);
        QCheckBox* tools = nullptr;
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>(); buttons && sheet) {
            tools = new QCheckBox(QStringLiteral("Print the tools table under the picture"), &dialog);
            tools->setObjectName(QStringLiteral("PrintToolsTable"));
            tools->setChecked(sheet->Legend);
            if (auto* box = qobject_cast<QBoxLayout*>(dialog.layout()))
                box->insertWidget(box->indexOf(buttons), tools);
            else
                buttons->addButton(tools, QDialogButtonBox::ActionRole);
        }
        // A cancel leaves the printer as preset; after the printer choice the page setup shows
        // again for the printer chosen.
        const int result = dialog.exec();
        if (tools && (result == QDialog::Accepted || result == ChoosePrinterResult))
            sheet->Legend = tools->isChecked();
        if (result != ChoosePrinterResult) break;
        ChoosePrinter(parent, printer);
    }
    return printer.pageLayout().orientation() == QPageLayout::Portrait ? 1 : 2;
}

bool PrintPage(QPrinter& printer, const QImage& picture, const PrintRequest& request, QString* reason) {
    const auto fail = [&](const QString& why) {
        if (reason) *reason = why;
        return false;
    };
    if (const QString none = NoPrinterReason(printer); !none.isEmpty()) return fail(none);
    printer.setPageOrientation(request.PrinterOrientation == 1 ? QPageLayout::Portrait
                                                               : QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) return fail(BeginFailure(printer));
    const double dotsX = printer.logicalDpiX() / MmPerInch;
    const double dotsY = printer.logicalDpiY() / MmPerInch;

    QFont font = painter.font();
    font.setPointSize(12);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    // The lines under the picture take their room from the page's height.
    const QStringList below = request.Sheet.Legend ? request.Below : QStringList();
    const double belowMm = below.isEmpty() ? 0 : (below.size() * metrics.height() / dotsY + 3);
    const PageFit fit = FitPage(printer.width() / dotsX, printer.height() / dotsY - belowMm,
                                metrics.height() / dotsY, metrics.horizontalAdvance(request.FileName) / dotsX,
                                PrintRatio(request.ScaleWidth, request.ScaleHeight, picture));

    const QRectF place(fit.X * dotsX, fit.Y * dotsY, fit.W * dotsX, fit.H * dotsY);
    painter.drawImage(place, picture);
    painter.setPen(Qt::black);
    const double baseline = fit.TextY * dotsY + metrics.ascent();
    painter.drawText(QPointF(fit.DateX * dotsX, baseline),
                     request.Date.toString(QStringLiteral("yyyy.MM.dd")));
    painter.drawText(QPointF(fit.NameX * dotsX, baseline), request.FileName);
    double lineY = (fit.Y + fit.H + 3) * dotsY + metrics.ascent();
    for (const QString& line : below) {
        painter.drawText(QPointF(fit.X * dotsX, lineY), line);
        lineY += metrics.height();
    }
    QPen border(Qt::black);
    border.setWidthF(3); // printer dots
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(place);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        printer.abort();
        return fail(QStringLiteral("The print job on \"%1\" failed; the page was not printed.")
                        .arg(PrinterTarget(printer)));
    }
    if (printer.outputFormat() == QPrinter::PdfFormat && !CompletePdf(printer.outputFileName())) {
        QFile::remove(printer.outputFileName()); // a cut-off PDF only misleads
        return fail(QStringLiteral("The file \"%1\" could not be written completely (is the disk full?); "
                                   "the page was not printed.")
                        .arg(PrinterTarget(printer)));
    }
    return true;
}

bool PrintView(QWidget* parent, QPrinter& printer, const ViewImages& view, const PrintRequest& request) {
    // Without a printer there is nothing to ask about.
    if (const QString none = NoPrinterReason(printer); !none.isEmpty()) {
        ShowPrintFailure(parent, none);
        return false;
    }
    if (!request.Sheet.WhiteBackground && !AskPrintOnBlack(parent)) return false;
    const QImage picture = ComposeViewPicture(view.Canvas, view.Xscale, view.Zscale, view.Positions);
    // The clipboard holds the printed view afterwards, as the operators expect.
    PutOnClipboard(picture);
    QString reason;
    if (PrintPage(printer, picture, request, &reason)) return true;
    ShowPrintFailure(parent, reason);
    return false;
}

QImage ScreenCopy(const ViewImages& view, const QString& fileName, int32_t toolColor) {
    const QImage picture = ScreenCopyPicture(
        ComposeViewPicture(view.Canvas, view.Xscale, view.Zscale, view.Positions), fileName, toolColor);
    PutOnClipboard(picture);
    return picture;
}

} // namespace print
