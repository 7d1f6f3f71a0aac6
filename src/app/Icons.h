// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Toolbar icons drawn in code: one outline weight, one small palette, so that the two toolbars
// read as one set. The command table names each button's icon.

#include <QIcon>

class QPainter;

namespace app {

using IconPainter = void (*)(QPainter&);

namespace icons {
void Open(QPainter& p);
void Start(QPainter& p);
void Stop(QPainter& p);
void Reset(QPainter& p);
void Restart(QPainter& p);
void SingleBlock(QPainter& p);
void BlockDelete(QPainter& p);
void OptionalStop(QPainter& p);
void ToolClear(QPainter& p);
void Clear(QPainter& p);
void Zoom(QPainter& p);
void ZoomUndo(QPainter& p);
void Standerd(QPainter& p);
void BTurretUpper(QPainter& p);
void BackColorChange(QPainter& p);
void RapidArrow(QPainter& p);
void ToolNumber(QPainter& p);
void PosDisplay(QPainter& p);
void ColorChange(QPainter& p);
void ScreenCopy(QPainter& p);
void PrintIcon(QPainter& p);
void Undo(QPainter& p);
void CutIcon(QPainter& p);
void Copy(QPainter& p);
void Paste(QPainter& p);
void Find(QPainter& p);
void Replace(QPainter& p);
void CalculatorIcon(QPainter& p);
} // namespace icons

// The icon drawn by `paint`; an empty icon for none.
QIcon ToolbarIcon(IconPainter paint);

} // namespace app
