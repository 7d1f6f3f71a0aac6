// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/PanelTable.h"

#include "workbench/ComparePanel.h"
#include "workbench/InspectionPanel.h"
#include "workbench/MachinePanel.h"
#include "workbench/Panels.h"
#include "workbench/Workbench.h"

namespace workbench {

namespace {

Panel* MakeProblems(Workbench& bench, QWidget* parent) {
    auto* dock = new ProblemsPanel(parent);
    QObject::connect(dock, &ProblemsPanel::LineActivated, &bench,
                     [&bench](qint64 line) { bench.GoToLine(line); });
    QObject::connect(dock, &ProblemsPanel::FixRequested, &bench,
                     [&bench](int fix) { emit bench.FixRequested(static_cast<inspect::QuickFix>(fix)); });
    return dock;
}

Panel* MakeTools(Workbench& bench, QWidget* parent) {
    auto* dock = new ToolsPanel(parent);
    QObject::connect(dock, &ToolsPanel::ToolActivated, &bench, [&bench](double tool, qint64 line) {
        bench.GoToLine(line);
        bench.Overlay()->HighlightTool(tool);
    });
    return dock;
}

Panel* MakeMachine(Workbench& bench, QWidget* parent) {
    auto* dock = new MachinePanel(parent);
    QObject::connect(dock, &MachinePanel::MachineFileChosen, &bench, [&bench](const QString& path) {
        // Inside the window's guard, as its commands are: a machine file is read.
        const auto choose = [&bench, path] { bench.SetMachineFile(path); };
        if (bench.RunCommand)
            bench.RunCommand(choose);
        else
            choose();
    });
    return dock;
}

Panel* MakeCompare(Workbench& bench, QWidget* parent) {
    auto* dock = new ComparePanel(parent);
    QObject::connect(dock, &ComparePanel::LineActivated, &bench,
                     [&bench](qint64 line) { bench.GoToLine(line); });
    QObject::connect(dock, &ComparePanel::ClearRequested, &bench, [&bench] {
        const auto clear = [&bench] { bench.CompareWith(nullptr); };
        if (bench.RunCommand)
            bench.RunCommand(clear);
        else
            clear();
    });
    return dock;
}

Panel* MakeInspection(Workbench& bench, QWidget* parent) {
    auto* dock = new InspectionPanel(parent);
    QObject::connect(dock, &InspectionPanel::LineActivated, &bench,
                     [&bench](qint64 line) { bench.GoToLine(line); });
    return dock;
}

const PanelRow Rows[] = {
    {.Name = "ProblemsPanel",
     .Title = "Problems",
     .Command = "mnuProblems",
     .Caption = "Problems list",
     .Key = "Ctrl+Shift+P",
     .Setting = "ProblemsVisible",
     .ShownFirst = true,
     .Area = Qt::BottomDockWidgetArea,
     .Make = &MakeProblems},
    {.Name = "ToolsPanel",
     .Title = "Tools",
     .Command = "mnuToolsPanel",
     .Caption = "Tools panel",
     .Key = "Ctrl+Shift+T",
     .Setting = "ToolsVisible",
     .ShownFirst = false,
     .Area = Qt::BottomDockWidgetArea,
     .Make = &MakeTools},
    {.Name = "MachinePanel",
     .Title = "Machine time",
     .Command = "mnuMachinePanel",
     .Caption = "Machine time panel",
     .Key = "Ctrl+Shift+Y",
     .Setting = "MachineVisible",
     .ShownFirst = false,
     .Area = Qt::BottomDockWidgetArea,
     .Make = &MakeMachine},
    {.Name = "ComparePanel",
     .Title = "Compare",
     .Command = "mnuComparePanel",
     .Caption = "Compare panel",
     .Key = "Ctrl+Shift+V",
     .Setting = "CompareVisible",
     .ShownFirst = false,
     .Area = Qt::BottomDockWidgetArea,
     .Make = &MakeCompare},
    {.Name = "InspectionPanel",
     .Title = "Inspection",
     .Command = "mnuInspectionPanel",
     .Caption = "Inspection sheet",
     .Key = "Ctrl+Shift+I",
     .Setting = "InspectionVisible",
     .ShownFirst = false,
     .Area = Qt::BottomDockWidgetArea,
     .Make = &MakeInspection},
};

} // namespace

std::span<const PanelRow> PanelRows() {
    return Rows;
}

} // namespace workbench
