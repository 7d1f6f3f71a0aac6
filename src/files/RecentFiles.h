// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The five recent-file entries of the File menu, most recent first, kept as the settings store
// them (settings/Settings.h). Opening a file already listed adds it again at the top.

#include "settings/Settings.h"

#include <QString>

#include <array>

namespace files {

class RecentFiles {
  public:
    std::array<QString, 5> Captions = settings::UnusedRecentFiles();

    static bool InUse(const QString& caption) { return settings::RecentInUse(caption); }
    void Add(const QString& path) {
        for (int n = 4; n >= 1; --n)
            Captions[n] = Captions[n - 1];
        Captions[0] = path;
    }
};

// The file name without its folders, as the window shows it. Both separators count, so that
// paths from the control PC show their name too.
QString FileNameOnly(const QString& path);

} // namespace files
