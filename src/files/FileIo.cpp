#include "files/FileIo.h"

#include "files/NativePath.h"
#include "input/InputGuard.h"

#include <QFile>
#include <QFileInfo>

#include <new>

namespace files {

ReadResult ReadProgramFile(const QString& path) {
    ReadResult r;
    try {
        // Pipes, devices, folders and files too large for memory are refused before reading.
        InputFile in(NativePath(path));
        QByteArray bytes;
        if (!in.ReadAll(bytes)) {
            r.Error = QStringLiteral(" ") + QString::fromStdString(in.Why()) + QStringLiteral(".");
            return r;
        }
        r.File = Decode(bytes);
        r.Ok = true;
    } catch (const std::bad_alloc&) {
        r = ReadResult();
        r.Error = QStringLiteral(" does not fit in memory.");
    }
    return r;
}

} // namespace files
