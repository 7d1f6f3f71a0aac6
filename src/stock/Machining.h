// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Material removal: the stock's half-section, cut move by move by the tools of a setup, and the
// findings about what the tools hit. Plain data in, plain data out, no drawing and no window, so
// that the checker runs it beside a run and a window can run it off its GUI thread.

#include "findings/Findings.h"
#include "stock/Geometry.h"
#include "stock/Move.h"
#include "stock/NoseCompensation.h"
#include "stock/Setup.h"
#include "stock/ToolShape.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace stock {

// The one scale of every finding.
using findings::Severity;
using findings::SeverityName;

struct Finding {
    int64_t Line = 0;
    std::string Code;
    Severity Level = Severity::Warning;
    std::string Message;
    int Tool = 0;
    double X = 0, Z = 0; // where the tool was programmed to be at the end of the move (X a diameter)
    std::string N;       // the sequence number in force, or empty
};

struct ToolResult {
    int Tool = 0;
    double RemovedMm3 = 0;
    double FeedLength = 0, AirLength = 0; // mm of feed moves, and of those that cut nothing
};

struct Result {
    double StockMm3 = 0, RemovedMm3 = 0, LeftMm3 = 0;
    std::vector<ToolResult> Tools; // in tool order, tools that made a feed move
    bool PartLeft = false;
    double MaxDiameter = 0, PartLength = 0; // of what is left
    std::vector<Finding> Findings;          // in line order
    std::vector<std::string> Assumed;       // per tool: "tool 1 assumed: edge length 12, tip direction 3"
    // Where thread passes ran: their Z span and the radii of their passes (the root the lowest).
    // NOTE: the section is turned round the axis, so a pass takes the whole ring down to its
    // depth, where the helical groove takes a part of it: these zones say where that is so.
    std::vector<Box> ThreadZones;
    // Where the nose radius compensation moved the programmed point: the path the control takes
    // instead of the programmed one, as runs of points (Z, radius).
    std::vector<Outline> NosePath;
    Region Part; // the half-section left at the end
    // Why the stock could not be cut (the polygon arithmetic failed on a move): then nothing
    // above counts, and the program is to be taken as checked without the stock. Empty when cut.
    std::string Failure;
};

// Thrown out of Machining::Apply when its stop flag is set: the check is given up. Not an
// std::exception, so that nothing on its way out takes it for a failure of the arithmetic.
struct Cancelled {};

struct Tolerances {
    // How deep a rapid or a holder may graze material unnoticed, and how thin a neck holds
    // material to the part: what hangs on by less flies off when it is cut free.
    double Depth = 0.01;
    double AirShare = 0.5; // air-cutting is told from this share of a tool's feed path on
    // How far a taper or an arc cut without nose radius compensation may lie off its contour.
    double NoseError = 0.01;
};

class Machining {
  public:
    // Tools the setup does not describe are taken as a default turning insert (and said so).
    // `stop`, when given, is looked at between the steps of each move, so that a check of a long
    // or costly move is given up within a moment (Apply throws Cancelled).
    explicit Machining(const Setup& setup, Tolerances tolerances = {},
                       const std::atomic<bool>* stop = nullptr);
    // An exception of the polygon arithmetic never leaves Apply or Finish: the machining stops
    // cutting and Finish tells why (Result::Failure). Running out of memory does leave them.
    void Apply(const Move& move);
    Result Finish();
    const std::string& Failure() const { return Failed; }

    // The material left so far, tile by tile along Z (side by side they make the section), and
    // a tile's material put back as it was kept from a machining of the same setup: a view that
    // follows a run goes on cutting from a kept state instead of from the raw stock.
    size_t TileCount() const { return Tiles.size(); }
    const Region& TileMaterial(size_t i) const { return Tiles[i].Material; }
    void SetTileMaterial(size_t i, Region material);
    // The compensated move waiting for the move after it (the nose radius compensation looks
    // one move ahead), kept and put back with the tiles.
    const NoseCompensation::Waiting& NoseWaiting() const { return Nose.Held(); }
    // Told of every move as the stock takes it: the path of the programmed point as the control
    // moves it, the nose radius compensation applied.
    std::function<void(const Move&)> Applied;
    void SetNoseWaiting(const NoseCompensation::Waiting& w) { Nose.Restore(w); }

  private:
    struct Tile {
        double Z0, Z1;
        Region Material;
        Box Bounds;
        double Moment = 0; // Material.AxisMoment(), kept with it
    };
    struct ToolState {
        ToolShape Shape;
        Box CuttingBounds, HolderBounds; // of the shape's parts at the programmed point
        ToolResult Totals;
        int64_t FirstLine = 0;             // of its first feed move
        std::string FirstN;                // the sequence number in force there
        double FirstX = 0, FirstZ = 0;     // where that move ends (X a diameter)
        std::string Assumed;               // "tool 1 assumed: ...", empty when nothing was
        bool Driven = false;               // a live tool: its cuts remove nothing from the section
        bool Insert = false;               // a turning or boring insert: its back is checked (BackCuts)
        bool Thread = false;               // a thread insert: its feed moves mark a thread zone
        std::vector<Point> CuttingCorners; // the corners of Shape.Cutting's outlines
        // What a driven tool's feed moves swept through material: the holes it made, open to its
        // own cutting part on later rapids (a retract out of a cross hole), to nothing else.
        Region Opened;
        // The tapers and arcs it cut off their contour without nose radius compensation: judged
        // at the end against the part (a later pass may have taken the error away).
        std::vector<std::pair<NoseError, Finding>> NoseErrors;
    };
    // Hands the move (null: the end of the path) through the nose radius compensation.
    void ApplyCompensated(const Move* move);
    void ApplyMove(const Move& move);
    void NoteUncompensated(const Move& move, ToolState& tool);
    // The finding of the largest error the part still shows, if any.
    void ReportUncompensated(ToolState& tool, const Region& part);
    // Throws Cancelled when the stop flag is set.
    void Poll() const {
        if (Stop && Stop->load(std::memory_order_relaxed)) throw Cancelled{};
    }
    void Fail(const Move* move, const char* what);
    ToolState& ToolOf(int number);
    std::vector<Point> PathOf(const Move& move) const;
    // What a cut took from a tile: the piece itself, or, until the depth of cut needs it, the
    // tile's material before the cut and a box the piece lies within.
    struct Removed {
        Region Piece, Before;
        Box Within;
        bool Made = false;
    };
    // Removes the swept area; returns the volume removed.
    double Cut(const Region& swept, std::vector<Removed>* removed);
    // Whether a region within `bounds` may cut a tile (Cut may remove something).
    bool MayCut(const Box& bounds) const;
    // Material within `region` deeper than the tolerance, from the tiles it reaches, leaving
    // out what `open` covers (if given).
    bool Enters(const Region& region, const Region* open = nullptr) const;
    // That material itself (empty when none lies deeper than the tolerance).
    Region Entered(const Region& region, const Region* open = nullptr) const;
    // A rapid that reached into `hit`: the material it enters (not what it leaves, where the tool
    // sat when the move began) as a rub or a rapid into the stock, with its depth.
    void ReportEntry(const Move& move, const ToolState& tool, bool sameTool, const Region& hit);
    // Material near `bounds` joined to the rest only through a neck thinner than the tolerance
    // flies off: it is taken from the tiles. Returns its volume.
    double DropLoose(const Box& bounds);
    // Whether a region within `bounds` may enter material (Enters may be true).
    bool MayEnter(const Box& bounds) const;
    // Whether the insert, swept along `path`, reaches past the nose on both sides of a piece of
    // it and removes material there: its back gouging the part.
    bool BackCuts(const ToolState& tool, const std::vector<Point>& path) const;
    void Report(const Move& move, const char* code, Severity level, std::string message);
    void CheckPip(const Move& move, const ToolShape& shape);
    void CheckEngagement(const Move& move, const ToolShape& shape, const Region& swept,
                         std::vector<Removed>& removed);

    Setup Given;
    Tolerances Tol;
    const std::atomic<bool>* Stop = nullptr;
    std::string Failed;
    std::vector<Tile> Tiles;
    Region Holding;
    Box HoldingBounds;
    double StockVolume = 0;
    std::map<int, ToolState> Tools;
    NoseCompensation Nose;
    std::vector<Finding> Findings;
    std::vector<std::string> Assumed;
    std::vector<std::pair<int, Box>> ThreadZones; // by tool, as Result's, joined where they overlap
    std::vector<Outline> NosePath;                // as Result's
    bool StopWarned = false;     // cutting-with-spindle-stopped said since the spindle last ran
    int LastTool = -1;           // the tool of the last move applied (-1: none yet)
    int64_t LastReportLine = -1; // one finding of a code per line
    std::vector<std::string> ReportedOnLine;
};

// A turning insert for a tool that nothing describes: C 80°, edge 12, nose radius 0.8, tip 3.
Tool DefaultTool();

} // namespace stock
