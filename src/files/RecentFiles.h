#pragma once
// The five recent-file entries of the File menu, most recent first. An unused entry keeps its
// design caption "RecentFile<n>"; opening a file already listed adds it again at the top.

#include <QString>

#include <array>

namespace files {

class RecentFiles {
  public:
    std::array<QString, 5> Captions{"RecentFile1", "RecentFile2", "RecentFile3", "RecentFile4",
                                    "RecentFile5"};

    static bool InUse(const QString& caption) { return caption.left(10) != QLatin1String("RecentFile"); }
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
