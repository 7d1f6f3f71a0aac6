// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Lathe.h"

#include "app/GuiHost.h"
#include "base/Machine.h"
#include "interp/RunControl.h"
#include "render/ImageCanvas.h"

namespace app {

Lathe::Lathe(motion::View& view, render::ImageCanvas& trace, const Parts& parts)
    : HostOnScreen(std::make_unique<GuiHost>(parts)),
      M(std::make_unique<interp::Machine>(view, trace, *HostOnScreen)),
      Run(std::make_unique<interp::RunControl>(*M)) {}

Lathe::~Lathe() = default;

bool Lathe::Running() const {
    return Run->Running();
}

} // namespace app
