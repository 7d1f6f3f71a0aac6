// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/Subprogram.h"

#include "input/SafePath.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace input {

namespace {

// The extensions of NC programs (as the checker's folders take them), and none.
constexpr const char* Extensions[] = {"", ".nc", ".min", ".tap"};

bool SameLetters(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.size() && !b[i];
}

// How early a name is taken for `number` (lower first), or -1 when it is not one of its names.
int RankOf(const std::string& name, long number) {
    size_t k = 0;
    const bool letter = !name.empty() && (name[0] == 'O' || name[0] == 'o');
    if (letter) ++k;
    const size_t digits = k;
    long n = 0;
    while (k < name.size() && std::isdigit(static_cast<unsigned char>(name[k])) && k - digits < 9)
        n = n * 10 + (name[k++] - '0');
    if (k == digits || n != number || (k < name.size() && std::isdigit(static_cast<unsigned char>(name[k]))))
        return -1;
    const std::string ext = name.substr(k);
    for (int e = 0; e < 4; ++e)
        if (SameLetters(ext, Extensions[e])) {
            if (!letter && e == 0) return -1; // a bare number is no program's name
            return (letter ? 0 : 4) + e;
        }
    return -1;
}

// The program number a name could stand for, or -1.
long NumberIn(const std::string& name) {
    size_t k = !name.empty() && (name[0] == 'O' || name[0] == 'o') ? 1 : 0;
    const size_t digits = k;
    long n = 0;
    while (k < name.size() && std::isdigit(static_cast<unsigned char>(name[k])) && k - digits < 9)
        n = n * 10 + (name[k++] - '0');
    return k == digits ? -1 : n;
}

} // namespace

bool IsSubprogramName(const std::string& name) {
    const long n = NumberIn(name);
    return n >= 0 && RankOf(name, n) >= 0;
}

std::vector<std::string> SubprogramFilesBeside(const std::string& programPath) {
    const std::string folder = FolderOf(programPath);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    std::vector<std::string> files;
    for (const dirent* e = dir ? ::readdir(dir.get()) : nullptr; e; e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (IsSubprogramName(name)) files.push_back(folder.empty() ? name : folder + "/" + name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> SubprogramNames(long number) {
    const std::string n = std::to_string(number);
    std::vector<std::string> names;
    for (const char* e : Extensions)
        names.push_back("O" + n + e);
    for (const char* e : Extensions)
        if (*e) names.push_back(n + e);
    return names;
}

int ReadSubprogramFile(const std::string& programPath, long number, SubprogramFile& out, std::string& why) {
    const std::string folder = FolderOf(programPath);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    std::string best;
    int bestRank = 99;
    for (const dirent* e = dir ? ::readdir(dir.get()) : nullptr; e; e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        const int rank = RankOf(name, number);
        if (rank >= 0 && (rank < bestRank || (rank == bestRank && name < best))) best = name, bestRank = rank;
    }
    if (best.empty()) {
        const std::vector<std::string> names = SubprogramNames(number);
        why = "no file ";
        for (size_t i = 0; i < names.size(); ++i)
            why += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
        why += " beside the program";
        return 0;
    }
    const std::string path = FileBeside(programPath, best);
    if (path.empty() || !ReadSmallFile(path, MostSubprogramBytes, out.Bytes, why)) {
        why = best + ": " + why;
        return -1;
    }
    out.Name = best;
    return 1;
}

} // namespace input
