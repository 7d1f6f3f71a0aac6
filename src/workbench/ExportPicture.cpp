// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/ExportPicture.h"

#include "check/Picture.h"
#include "files/FileSave.h"
#include "files/NativePath.h"
#include "files/SafePath.h"
#include "render/SheetPainter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace workbench {

ExportFormat ExportFormatOf(const QString& path) {
    const QString type = QFileInfo(path).suffix().toLower();
    if (type == QLatin1String("png")) return ExportFormat::Png;
    if (type == QLatin1String("svg")) return ExportFormat::Svg;
    if (type == QLatin1String("pdf")) return ExportFormat::Pdf;
    return ExportFormat::None;
}

QString ExportFilter() {
    return QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg);;PDF page (*.pdf)");
}

QString ExportStartPath(const QString& program, const QString& folder) {
    const QFileInfo file(program);
    if (program.isEmpty() || program == QLatin1String("Untitled") || file.completeBaseName().isEmpty())
        return QDir(folder).filePath(QStringLiteral("Untitled.png"));
    return file.absoluteDir().filePath(file.completeBaseName() + QStringLiteral(".png"));
}

namespace {

// The program drawn again in vectors onto a sheet of the viewport's size and its rulers, framed
// on the part of the canvas the window shows.
bool DrawVectors(const ExportRequest& r, ExportFormat format, std::string& bytes, QString& why) {
    picture::SheetOptions sheetOptions = r.Sheet;
    // NOTE: the legend is the printed page's (its tools table); an exported picture shows the
    // view and its rulers, as the window does.
    sheetOptions.Legend = false;
    const picture::SheetLayout bare = picture::LayOutSheet(sheetOptions);
    sheetOptions.WidthPx += bare.Page.W - bare.Viewport.W;
    sheetOptions.HeightPx += bare.Page.H - bare.Viewport.H;
    const picture::SheetLayout layout = picture::LayOutSheet(sheetOptions);
    check::CheckOptions options = r.Options;
    options.Advice = false;
    options.OnBlock = nullptr;
    options.WhiteBackground = sheetOptions.WhiteBackground;
    options.Frame = r.Visible;
    if (const std::optional<picture::Area> framed = check::FrameFor(r.Text, options, sheetOptions, layout))
        options.Frame = framed;
    std::unique_ptr<check::Picture> svg;
    std::unique_ptr<render::PdfSheet> pdf;
    motion::Canvas* inner;
    if (format == ExportFormat::Svg) {
        svg = check::MakeSvgPicture(layout);
        inner = &svg->Canvas();
    } else {
        pdf = std::make_unique<render::PdfSheet>(layout);
        inner = &pdf->Canvas();
    }
    check::ViewportCanvas viewport(*inner, options.Lathe.Limits.NVLZ, picture::SheetBack(sheetOptions));
    const check::CheckReport report =
        check::CheckProgram(r.Text, options, {}, {&viewport}, r.Sheet.WidthPx, r.Sheet.HeightPx);
    const picture::SheetContent sheet{sheetOptions, layout, report.Visible, report.Mapping, {}};
    std::string reason;
    const bool ok = svg ? svg->Encode(sheet, bytes, reason) : pdf->Finish(sheet, bytes, reason);
    if (!ok)
        why =
            reason.empty() ? QStringLiteral("the picture could not be made") : QString::fromStdString(reason);
    return ok;
}

} // namespace

bool ExportPicture(const ExportRequest& r, QString& why) {
    const ExportFormat format = ExportFormatOf(r.Path);
    if (format == ExportFormat::None) {
        why = QStringLiteral("unknown picture type: name the file .png, .svg or .pdf");
        return false;
    }
    QByteArray bytes;
    if (format == ExportFormat::Png) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (r.Composed.isNull() || !r.Composed.save(&buffer, "PNG")) {
            why = QStringLiteral("the PNG picture could not be made");
            return false;
        }
    } else {
        if (r.Sheet.WidthPx <= 0 || r.Sheet.HeightPx <= 0) {
            why = QStringLiteral("the view has no size");
            return false;
        }
        std::string vector;
        if (!DrawVectors(r, format, vector, why)) return false;
        bytes = QByteArray(vector.data(), static_cast<qsizetype>(vector.size()));
    }
    return WritePicture(r.Path, bytes, why);
}

bool WritePicture(const QString& path, const QByteArray& bytes, QString& why) {
    // A link planted in a shared folder is named in the message, as the checker names it.
    const files::ResolvedPath resolved = files::ResolvePath(files::NativePath(path));
    if (resolved.Refused) {
        why = QFile::decodeName(resolved.Link.c_str()) +
              QStringLiteral(" is a link of another user in a shared folder; it is not followed");
        return false;
    }
    // Written whole, then put in place, under the same link rule (checked again as it writes).
    return files::WriteProgramBytes(path, bytes, why);
}

} // namespace workbench
