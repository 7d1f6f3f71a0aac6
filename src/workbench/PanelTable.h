// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The workbench's docks, one row each: everything the window does with a panel (its View
// command and shortcut, where it docks, whether it shows at first, the key that remembers it,
// filling it after each check) follows from its row. A new panel is a class derived from
// `Panel` and one row in `PanelRows()`; nothing else of the window changes for it.

#include "workbench/CheckWorker.h"

#include <QDockWidget>

#include <span>

namespace workbench {

class Workbench;

// A dock over the newest silent check.
class Panel : public QDockWidget {
    Q_OBJECT
  public:
    using QDockWidget::QDockWidget;
    // Shows the newest check (null: none yet).
    virtual void SetResult(BenchPtr result) = 0;
};

struct PanelRow {
    const char* Name;    // the dock's object name ("ProblemsPanel")
    const char* Title;   // the dock's title bar
    const char* Command; // its View command's action name ("mnuProblems")
    const char* Caption; // the command in the View menu
    const char* Key;     // a shortcut no other command uses
    const char* Setting; // the key of its visibility in the [Workbench] section
    bool ShownFirst;     // shown while the settings say nothing
    // Where it docks; the panels of one area share it as tabs, in the table's order.
    Qt::DockWidgetArea Area;
    // Makes the dock and connects what it asks of the workbench (the caret onto a line …).
    Panel* (*Make)(Workbench& bench, QWidget* parent);
};

// The panels in the View menu's order.
std::span<const PanelRow> PanelRows();

} // namespace workbench
