// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/RecentFiles.h"

namespace files {

QString FileNameOnly(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(cut + 1);
}

} // namespace files
