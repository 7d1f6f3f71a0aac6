// SPDX-License-Identifier: GPL-3.0-or-later
#include "PaneEditBench.h"

#include "files/ProgramText.h"

#include <QFile>
#include <QString>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace bench {

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

void PaneEditRows(const std::string& program, bool quick) {
    QFile file(QString::fromStdString(program));
    if (!file.open(QIODevice::ReadOnly)) return;
    const QString exact = QString::fromLatin1(file.readAll());
    files::ProgramText text;
    double t = Now();
    text.Load(exact);
    const double load = Now() - t;

    const int keys = quick ? 20 : 100;
    // Typed one after another at the top: each key moves every line's start.
    t = Now();
    for (int k = 0; k < keys; ++k)
        text.Replace(k, k, QStringLiteral("G"), files::ProgramText::Typing::Insert);
    const double alone = (Now() - t) / keys;
    // The same while a check holds the text each key starts from: the worst case, a new text a key.
    std::shared_ptr<const std::u16string> held;
    t = Now();
    for (int k = 0; k < keys; ++k) {
        held = text.Shared();
        text.Replace(k, k, QStringLiteral("G"), files::ProgramText::Typing::Insert);
    }
    const double whileHeld = (Now() - t) / keys;
    t = Now();
    while (text.CanUndo())
        text.Undo();
    const double undo = Now() - t;

    // Replace-all as the Replace dialog makes it: every "G0" of the program, one step, and back.
    const QString pane = text.PaneText();
    std::vector<files::ProgramText::Change> matches;
    for (qsizetype at = pane.indexOf(QLatin1String("G0")); at >= 0;
         at = pane.indexOf(QLatin1String("G0"), at + 2))
        matches.push_back({int(at), int(at + 2), QStringLiteral("G")});
    t = Now();
    text.ReplaceEach(matches);
    const double replaceAll = Now() - t;
    t = Now();
    text.Undo();
    const double undoAll = Now() - t;

    std::printf("\nprogram text of the pane (%d lines, %lld characters):\n", text.LineCount(),
                static_cast<long long>(text.Snapshot().size()));
    std::printf("  load %.1f ms; a key at the top %.2f ms alone, %.2f ms while a check holds the text; "
                "undo of all %.1f ms\n",
                load * 1e3, alone * 1e3, whileHeld * 1e3, undo * 1e3);
    std::printf("  replace all of %zu matches %.1f ms, its undo %.1f ms\n", matches.size(), replaceAll * 1e3,
                undoAll * 1e3);
}

} // namespace bench
