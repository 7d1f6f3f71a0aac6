// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's model: the simulated lathe (its `Machine`, the `RunControl` that drives it) and
// `GuiHost`, through which the lathe reports to the window. It is made before the parts and
// outlives them; every part reaches the lathe here, none through another part.

#include <memory>

namespace interp {
struct Machine;
class RunControl;
} // namespace interp
namespace motion {
struct View;
}
namespace render {
class ImageCanvas;
}

namespace app {

class GuiHost;
struct Parts;

class Lathe {
  public:
    // The lathe draws onto `trace` with the view numbers of `view` (both the trace view's) and
    // reports to the parts that `parts` will name once they exist.
    Lathe(motion::View& view, render::ImageCanvas& trace, const Parts& parts);
    ~Lathe();
    Lathe(const Lathe&) = delete;
    Lathe& operator=(const Lathe&) = delete;

    interp::Machine& Machine() { return *M; }
    const interp::Machine& Machine() const { return *M; }
    interp::RunControl& Control() { return *Run; }
    GuiHost& Host() { return *HostOnScreen; }
    bool Running() const; // a run (shown or silent) is in progress

  private:
    std::unique_ptr<GuiHost> HostOnScreen;
    std::unique_ptr<interp::Machine> M;
    std::unique_ptr<interp::RunControl> Run;
};

} // namespace app
