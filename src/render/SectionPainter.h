// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stock section painted with a QPainter in viewport pixels: the window's overlay and the
// checker's PNG and PDF pictures paint it through here, in the look of picture::SectionLookOf.

#include "picture/Section.h"

class QPainter;

namespace render {

// Antialiased; the painter's state is left as it was.
void PaintSection(QPainter& p, const picture::SectionDrawing& drawing, const picture::SectionLook& look);

} // namespace render
