// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program pane over a program text of its own, as the window has one.

#include "editor/ProgramView.h"
#include "files/ProgramText.h"

#include <QString>

namespace testing_support {

struct TestPane {
    explicit TestPane(const QString& text = {}) { Text.Load(text); }
    files::ProgramText Text;
    editor::ProgramView View{Text};
};

} // namespace testing_support
