// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/ProgramFiles.h"

#include "input/Subprogram.h"
#include "iso/IsoWords.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace check {

namespace fs = std::filesystem;

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWith(std::string_view name, std::string_view ending, bool caseSensitive) {
    if (name.size() < ending.size()) return false;
    const std::string_view tail = name.substr(name.size() - ending.size());
    if (caseSensitive) return tail == ending;
    return std::equal(tail.begin(), tail.end(), ending.begin(),
                      [](char a, char b) { return Lower(a) == Lower(b); });
}

// The programs under `folder` added to `files`, the folders that could not be read to `errors`.
void Walk(const fs::path& folder, std::vector<ProgramEntry>& files, std::vector<ProgramEntry>& errors) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        std::error_code kind;
        if (entry.is_directory(kind) && !entry.is_symlink(kind))
            Walk(entry.path(), files, errors);
        else if (IsProgramName(entry.path().filename().native()) && !entry.is_directory(kind))
            files.push_back({entry.path().string(), {}});
    }
    if (ec) errors.push_back({folder.string(), "cannot read the folder: " + ec.message()});
}

} // namespace

bool IsProgramName(std::string_view name) {
    for (const ProgramPattern& p : ProgramPatterns) {
        const std::string_view glob = p.Glob;
        // Every pattern is "*" and an ending.
        if (EndsWith(name, glob.substr(1), p.CaseSensitive)) return true;
    }
    return false;
}

bool IsSubprogramFile(const std::string& path, std::u16string_view text) {
    if (!input::IsSubprogramName(fs::path(path).filename().string())) return false;
    bool returns = false;
    for (size_t from = 0; from < text.size();) {
        size_t end = text.find(u'\n', from);
        if (end == std::u16string_view::npos) end = text.size();
        std::u16string_view block = text.substr(from, end - from);
        if (!block.empty() && block.back() == u'\r') block.remove_suffix(1);
        const iso::Words w = iso::ReadWords(block, false);
        for (int i = 0; i < w.NM; ++i) {
            if (w.M[i] == 2 || w.M[i] == 30) return false;
            if (w.M[i] == 99) returns = true;
        }
        from = end + 1;
    }
    return returns;
}

bool AnyFolder(const std::vector<std::string>& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [](const std::string& a) {
        std::error_code ec;
        return fs::is_directory(a, ec);
    });
}

std::vector<ProgramEntry> ListPrograms(const std::vector<std::string>& arguments) {
    std::vector<ProgramEntry> out;
    for (const std::string& a : arguments) {
        std::error_code ec;
        if (!fs::is_directory(a, ec)) {
            out.push_back({a, {}}); // a file, or nothing: reading it says which
            continue;
        }
        std::vector<ProgramEntry> files, errors;
        Walk(a, files, errors);
        files.insert(files.end(), errors.begin(), errors.end());
        std::sort(files.begin(), files.end(),
                  [](const ProgramEntry& x, const ProgramEntry& y) { return x.Path < y.Path; });
        out.insert(out.end(), files.begin(), files.end());
    }
    return out;
}

} // namespace check
