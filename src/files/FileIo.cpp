// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileIo.h"

#include "files/NativePath.h"
#include "files/SafePath.h"
#include "input/InputGuard.h"

#include <QFile>
#include <QFileInfo>

#include <new>
#include <sys/stat.h>

namespace files {

ReadResult ReadProgramFile(const QString& path) {
    ReadResult r;
    try {
        const ResolvedPath real = ResolvePath(NativePath(path));
        if (real.Refused) {
            r.Error = QStringLiteral(
                " leads through a link of another user in a shared folder; it was not followed.");
            return r;
        }
        // Pipes, devices, folders and files too large for memory are refused before reading.
        input::InputFile in(real.Error ? NativePath(path) : real.Path);
        QByteArray bytes;
        if (!in.ReadAll(bytes)) {
            r.Error = QStringLiteral(" ") + QString::fromStdString(in.Why()) + QStringLiteral(".");
            return r;
        }
        struct stat st {};
        if (real.Error || lstat(real.Path.c_str(), &st) != 0 || st.st_dev != in.Device() ||
            st.st_ino != in.Inode()) {
            // Replaced while being read: the next save asks, as it would for any change.
            st = {};
            st.st_dev = in.Device();
            st.st_ino = in.Inode();
        }
        r.Identity = IdentityOf(real.Error ? std::string() : real.Path, st, bytes);
        r.File = Decode(bytes);
        r.Ok = true;
    } catch (const std::bad_alloc&) {
        r = ReadResult();
        r.Error = QStringLiteral(" does not fit in memory.");
    }
    return r;
}

} // namespace files
