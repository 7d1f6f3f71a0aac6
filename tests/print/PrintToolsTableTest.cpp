// SPDX-License-Identifier: GPL-3.0-or-later
// Print setup's choice of the tools table: shown only when the window asks for it, preset from
// the window's value, taken on OK and left alone on Cancel.

#include "print/Printing.h"
#include "support/ModalDriver.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using testing_support::ModalDriver;

namespace {

// Runs Print setup once; `act` gets the dialog's check box (null when there is none) and the
// dialog, and closes it.
void RunSetup(picture::SheetOptions* sheet, const std::function<void(QCheckBox*, QDialog*)>& act) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    bool shown = false;
    const ModalDriver driver({[&](QWidget* modal) {
        shown = true;
        act(modal->findChild<QCheckBox*>("PrintToolsTable"), qobject_cast<QDialog*>(modal));
    }});
    print::PrintSetup(nullptr, printer, 2, sheet);
    EXPECT_TRUE(shown);
}

} // namespace

TEST(PrintSetupToolsTable, PresetTakenOnOkKeptOnCancel) {
    picture::SheetOptions sheet;
    RunSetup(&sheet, [](QCheckBox* box, QDialog* dialog) {
        ASSERT_TRUE(box);
        EXPECT_FALSE(box->isChecked());
        box->setChecked(true);
        dialog->accept();
    });
    EXPECT_TRUE(sheet.Legend);
    RunSetup(&sheet, [](QCheckBox* box, QDialog* dialog) {
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->isChecked()); // preset from the value
        box->setChecked(false);
        dialog->reject();
    });
    EXPECT_TRUE(sheet.Legend); // a cancel changes nothing
    // Without the window's value the dialog is the plain page setup.
    RunSetup(nullptr, [](QCheckBox* box, QDialog* dialog) {
        EXPECT_FALSE(box);
        dialog->reject();
    });
}

// The page's text, by the poppler tools the setup installs.
QString PageText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (!p.waitForFinished(20000)) return QStringLiteral("(no pdftotext)");
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(PrintPageBelow, TheToolsTableIsPrintedUnderThePictureOnlyWhenAsked) {
    QTemporaryDir dir;
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::white);
    auto print = [&](const QString& name, const QStringList& below, bool legend = true) {
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(name));
        print::PrintRequest r;
        r.FileName = QStringLiteral("PART.MIN");
        r.Below = below;
        r.Sheet.Legend = legend;
        QString why;
        EXPECT_TRUE(print::PrintPage(printer, picture, r, &why)) << why.toStdString();
        return PageText(dir.filePath(name));
    };
    const QString with = print("tools.pdf", {"T1   0:01:53 (113.26 s)   6 blocks   from line 2",
                                             "T2   0:00:41 (41.01 s)   7 blocks   from line 8"});
    if (with == "(no pdftotext)") GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_TRUE(with.contains("PART.MIN"));
    EXPECT_TRUE(with.contains("from line 2"));
    EXPECT_TRUE(with.contains("7 blocks"));
    const QString without = print("plain.pdf", {});
    EXPECT_TRUE(without.contains("PART.MIN"));
    EXPECT_FALSE(without.contains("blocks"));
    // The lines are the legend's: a sheet without the legend prints none of them.
    const QString unasked = print("unasked.pdf", {"T1   0:01:53 (113.26 s)   6 blocks   from line 2"}, false);
    EXPECT_TRUE(unasked.contains("PART.MIN"));
    EXPECT_FALSE(unasked.contains("blocks"));
}
