#include "files/FileIo.h"

#include <QFile>
#include <QFileInfo>

namespace files {

ReadResult ReadProgramFile(const QString& path) {
    ReadResult r;
    const QFileInfo info(path);
    if (!info.exists()) {
        r.Error = QStringLiteral(" was not found.");
        return r;
    }
    if (info.isDir()) {
        r.Error = QStringLiteral(" is a folder, not a program file.");
        return r;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.Error = QStringLiteral(" could not be read: ") + f.errorString();
        return r;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        r.Error = QStringLiteral(" could not be read: ") + f.errorString();
        return r;
    }
    r.File = Decode(bytes);
    r.Ok = true;
    return r;
}

} // namespace files
