// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File > Export picture: the current view into a file whose type says the format. PNG is the
// viewport's picture as Screen copy composes it, pixel for pixel; SVG and PDF draw the program
// again from the top in vectors, showing the same part of the canvas with the same switches,
// with the X and Z rulers beside it.

#include "check/Checker.h"
#include "picture/Sheet.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <string>

namespace workbench {

enum class ExportFormat { Png, Svg, Pdf, None };
// By the file's type, in any case: ".png", ".svg", ".pdf".
ExportFormat ExportFormatOf(const QString& path);
// The file dialog's filter.
QString ExportFilter();
// Where the file dialog starts: beside the program, named after it, since the picture goes with
// the program; an untitled program's picture in `folder` (where Open starts).
QString ExportStartPath(const QString& program, const QString& folder);

struct ExportRequest {
    QString Path;
    QImage Composed;             // the viewport as Screen copy composes it (PNG)
    std::u16string Text;         // the program (SVG, PDF)
    check::CheckOptions Options; // the machine's switches and limits
    picture::Area Visible;       // the part of the canvas the viewport shows
    // The window's picture (SVG, PDF): the viewport's size, its background and rulers. The
    // rulers go beside the viewport, so that it keeps the window's size.
    picture::SheetOptions Sheet;
};

// Writes the picture; false with the reason when the type is unknown, the picture cannot be
// made or the file cannot be written (an existing file is then left as it was).
bool ExportPicture(const ExportRequest& request, QString& why);

// Writes a made picture as program saves write: whole, then put in place. A link another user
// planted in a shared sticky folder (the system's temporary folder) is never followed, dangling
// or not: nothing is written and `why` names the link.
bool WritePicture(const QString& path, const QByteArray& bytes, QString& why);

} // namespace workbench
