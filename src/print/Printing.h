// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Print setup, Print and Screen copy of the tool-path view. The window hands over the three
// images of the view and where the canvas sits; the page orientation is the window's setting,
// passed in and handed back.
//
// Wiring in the window (one QPrinter member, so the printer chosen in the setup is kept):
//
//   print::ViewImages View() {            // pixels as the widgets stand on the screen
//       return {TraceImage.Image(), XscaleImage.Image(), ZscaleImage.Image(),
//               {Trace1->width(), Trace1->height(), Trace->x(), Trace->y()}};
//   }
//   mnuFilePrinterSetting -> Settings.PrinterOrientation =
//                                print::PrintSetup(this, Printer, Settings.PrinterOrientation);
//   mnuDrawPrint   -> print::PrintRequest r;  r.FileName = Doc.Title();
//                     r.ScaleWidth = TraceImage.ScaleWidth; r.ScaleHeight = TraceImage.ScaleHeight;
//                     r.Sheet.WhiteBackground = M->S.WhiteBackground;
//                     r.PrinterOrientation = Settings.PrinterOrientation;
//                     print::PrintView(this, Printer, View(), r);
//   mnuScreenPrint -> print::ScreenCopy(View(), Doc.Title(), M->S.ToolColor);

#include "picture/Sheet.h"
#include "print/ViewPicture.h"

#include <QDate>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>

class QPrinter;
class QWidget;

namespace print {

// The view as the window shows it.
struct ViewImages {
    QImage Canvas; // the trace canvas (4 x the viewport in each direction)
    QImage Xscale; // vertical ruler strip, as tall as the canvas
    QImage Zscale; // horizontal ruler strip, as wide as the canvas
    ViewPositions Positions;
};

struct PrintRequest {
    QString FileName = QStringLiteral("Untitled"); // the file-name label's caption
    double ScaleWidth = 0; // the canvas's user width and height (mm), for its proportions
    double ScaleHeight = 0;
    // What the page shows of the picture's options: a black background is asked about first,
    // and the legend is the lines under the picture (`Below`). The page's own size and the
    // window's rulers are the rest.
    picture::SheetOptions Sheet;
    int16_t PrinterOrientation = 2; // 1 portrait, 2 landscape
    QDate Date = QDate::currentDate();
    // The legend's lines (the workbench's tools table); printed only when the sheet asks for
    // the legend.
    QStringList Below;
};

// Where things go on the page, in millimetres from the top-left of the printable area.
struct PageFit {
    double LeftMargin = 10, RightMargin = 10, TopMargin = 3, BottomMargin = 5;
    double TextHeight = 0;             // the printed height of a line, whole millimetres
    double X = 0, Y = 0, W = 0, H = 0; // the picture
    double DateX = 0, TextY = 0;       // the date's top-left; the name shares its line
    double NameX = 0;
};

// Fits the picture into the page inside the margins, keeping `ratio` (height / width): across
// the full printable width and centred vertically, or, when that is too tall, across the full
// printable height and centred horizontally. The line above the picture holds the date at the
// picture's left and the file name centred over the printable width.
PageFit FitPage(double pageWidth, double pageHeight, double textHeight, double nameWidth, double ratio);

// The canvas's proportions as the printout keeps them: its user height (whole number) over its
// user width; the picture's own proportions when the scale is unusable.
double PrintRatio(double scaleWidth, double scaleHeight, const QImage& picture);

// Print setup: shows the page-setup dialog preset to `printerOrientation` (0 counts as
// landscape) and returns the orientation it leaves, the preset one after a cancel. Its
// "Printer..." button opens the printer choice (ChoosePrinter), then the page setup again.
int16_t PrintSetup(QWidget* parent, QPrinter& printer, int16_t printerOrientation);
// The same with one more choice in the dialog: "Print the tools table under the picture", the
// sheet's legend, preset from and left in *sheet (a cancel leaves it as it was).
int16_t PrintSetup(QWidget* parent, QPrinter& printer, int16_t printerOrientation,
                   picture::SheetOptions* sheet);

// The platform's print dialog, to choose a printer or a PDF file for the next Print; a cancel
// keeps the printer as it was.
void ChoosePrinter(QWidget* parent, QPrinter& printer);

// Why nothing can be printed on `printer` because no printer or file is chosen; empty when one is.
QString NoPrinterReason(const QPrinter& printer);

// Prints `picture` on one page of `printer` with date, file name and border. A printer that
// cannot start or finish the job gives false, with the reason in *reason.
bool PrintPage(QPrinter& printer, const QImage& picture, const PrintRequest& request,
               QString* reason = nullptr);

// The Print command: on a black background asks first (No prints nothing and leaves the
// clipboard alone); composes the view, puts it on the clipboard and prints it. True when the
// page went to the printer; otherwise a message says why (no printer chosen, a printer or file
// that cannot be opened, a job that failed), except after No.
bool PrintView(QWidget* parent, QPrinter& printer, const ViewImages& view, const PrintRequest& request);

// The Screen copy command: the composed view with border and file name onto the clipboard.
// Returns the picture put there.
QImage ScreenCopy(const ViewImages& view, const QString& fileName, int32_t toolColor);

} // namespace print
