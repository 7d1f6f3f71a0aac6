// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tool nose radius compensation (G41/G42) as a lathe control applies it: the nose circle runs
// along the programmed contour on the side the program names, and the control moves the
// programmed point (the imaginary tool tip) wherever that puts it. Everything here works in the
// half-section (Z, the radius); moves come in and go out with X as a diameter.
//
// The control looks one move ahead: where a move ends depends on the move after it. So the moves
// go in one at a time and come out one move later; Flush gives the last.

#include "stock/Geometry.h"
#include "stock/Move.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace stock {

// What the compensation needs of a tool.
struct NoseTool {
    double Radius = 0; // the nose radius; 0: the tool is not compensated
    Point Centre;      // the nose centre from the programmed point (0, 0 for tip 0 and 9)
};

// Where the nose cannot follow the contour, whatever the compensation does: a concave arc
// tighter than the nose, a groove or step narrower than it (the offset element reverses).
struct NoseTrouble {
    Move At; // the programmed move
    std::string Message;
};

class NoseCompensation {
  public:
    using ToolLookup = std::function<NoseTool(int tool)>;

    // Takes the next move of the path (`tools` gives each tool's nose); appends to `out` the moves the
    // control makes for those before it that are now settled (a move without compensation, with none waiting,
    // at once and unchanged), and to `troubles` what it found there.
    void Push(const Move& move, const ToolLookup& tools, std::vector<Move>& out,
              std::vector<NoseTrouble>& troubles);
    // The move still waiting, ended as if the compensation were cancelled after it.
    void Flush(const ToolLookup& tools, std::vector<Move>& out, std::vector<NoseTrouble>& troubles);

    // The move waiting for its successor, with where its compensated path starts: a follower
    // that keeps the stock every so many moves keeps this beside it.
    struct Waiting {
        std::optional<Move> Pending;
        bool StartUp = false; // Pending is the first compensated move: it starts at From
        Point From;           // StartUp: the programmed point there; otherwise the nose centre
    };
    const Waiting& Held() const { return Wait; }
    void Restore(const Waiting& w) { Wait = w; }

  private:
    // Ends the waiting move now that `next` (null: none) is known, and hands `next` on.
    void Settle(const Move* next, bool nextActive, const ToolLookup& tools, std::vector<Move>& out,
                std::vector<NoseTrouble>& troubles);
    Waiting Wait;
};

// Without compensation, how far the nose's cut of a taper or an arc strays from the programmed
// contour at most (mm, measured across it): positive where it cuts into the part, negative where
// it leaves material on it; where (a point of the contour) and the contour's normal there towards
// the material. Error 0 for a move along an axis, a rapid, and a tip 0 or 9 tool (its programmed
// point is the nose centre: the program is written for the centre).
struct NoseError {
    double Error = 0;
    Point At, In;
};
NoseError UncompensatedError(const Move& m, const NoseTool& tool);

} // namespace stock
