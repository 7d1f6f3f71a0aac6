// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the machine holds: the stock, the work holding and the tools. Lengths in millimetres;
// X values are diameters where the operator writes them so (the stock's diameter, a drill's
// diameter), radii where the half-section needs them (a profile's points).

#include "stock/Geometry.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace stock {

// One piece of a stock profile: a straight line, or an arc, from the previous point to this one.
struct ProfilePoint {
    double Radius = 0, Z = 0;
    // 0: a straight line; otherwise an arc of this radius, counter-clockwise in the Z-right,
    // radius-up view when positive, clockwise when negative (the shorter way round).
    double Arc = 0;
    bool operator==(const ProfilePoint&) const = default;
};

struct Stock {
    enum class Kind { Bar, Tube, Profile };
    Kind Shape = Kind::Bar;
    double Diameter = 0; // bar, tube
    double Bore = 0;     // tube: the bore's diameter
    double Length = 0;   // bar, tube: from the raw front face back
    double FrontZ = 0;   // Z of the raw front face
    // Bar, tube: material in front of the finished face, which lies at FrontZ - FaceAllowance.
    double FaceAllowance = 0;
    // How deep a rapid may run into material and be only a rub (a warning); deeper is an error.
    double RubDepth = 0.1;
    std::vector<ProfilePoint> Profile; // closed: the last point is the first
    bool operator==(const Stock&) const = default;
};

struct WorkHolding {
    bool Chuck = true; // false: a tailstock alone was described
    double ChuckFaceZ = 0;
    double ChuckDiameter = 160;
    double GripLength = 20; // how far the jaws reach along the stock from the chuck face
    double JawHeight = 15;  // how far they stand above the gripped diameter
    // A stepped jaw: a step of this length along Z and height below the gripped diameter that
    // the stock's end rests on (0: plain jaws).
    double StepLength = 0, StepHeight = 0;
    std::optional<double> TailstockZ; // tip of the tailstock centre (a 60° cone), if one is used
    double GripDiameter = 0;          // filled from the stock when not given
    bool operator==(const WorkHolding&) const = default;
};

struct Tool {
    enum class Kind { Turning, Boring, Grooving, Parting, Thread, Drill };
    Kind Type = Kind::Turning;
    // Inserts: ISO shape letter (C, D, E, V, S, T, W, R), cutting-edge length, nose radius, tip
    // direction 1 to 9 (the imaginary tool tip), approach angle in degrees.
    char Shape = 'C';
    double EdgeLength = 12;
    double NoseRadius = 0.8;
    int TipDirection = 3;
    // NOTE: 90 unless given: the wall a 95° edge leaves when a pass ends in full material
    // overhangs, and a straight retract then scrapes it (a rapid into material).
    double ApproachAngle = 90;
    // Grooving and parting blades.
    double Width = 3, CornerRadius = 0.2, Reach = 20;
    // The axis a blade or a drill feeds along: X across the turning axis (a radial groove, a
    // cross hole, the drill pointing at the axis), Z along it (a face groove, a hole in the
    // face). Usual: X for blades, Z for drills. The blade's width lies across its feed.
    enum class Axis { Usual, X, Z };
    Axis FeedAxis = Axis::Usual;
    // A driven (live) tool turns itself, the spindle stands: its cuts (cross holes, holes off
    // the centre, flats) are not round the axis, so they remove nothing from the section.
    bool Driven = false;
    // Thread inserts.
    double IncludedAngle = 60, TipRadius = 0.1;
    // Drills.
    double DrillDiameter = 10, PointAngle = 118, FluteLength = 50;
    // The holder's outline, relative to the programmed tool point in machine directions
    // (radius up, Z right); empty: a plain bar behind the insert.
    Outline Holder;
    // Values that nothing said and that were assumed, by name ("nose radius 0.8").
    std::vector<std::string> Assumed;
    std::string Source; // where it came from: "setup file", "comment", "tool table", "default"
    // NOTE: written out, not defaulted: the holder's points have no comparison of their own.
    bool operator==(const Tool& o) const;
};

// The [program] table: the control a program is written for and its unit, so that the programs
// of a mixed archive are each read as their own machine reads them. An empty value says nothing.
struct ProgramChoice {
    std::string Control; // "kvz", "fanuc" or "iso"
    std::string Unit;    // "mm" or "inch"
    bool operator==(const ProgramChoice&) const = default;
};

struct Setup {
    std::string File; // where it was read from; empty for --stock
    std::optional<ProgramChoice> Program;
    Stock Material;
    std::optional<WorkHolding> Holding;
    std::map<int, Tool> Tools; // by tool number as the control reads it from the T word
    bool operator==(const Setup&) const = default;
};

// The first value that makes a setup unsound, by its key as the setup file writes it
// ("stock.bore", "chuck.grip_length", "tailstock.z", "tool.3.nose_radius"; "stock.profile" for the
// profile as a whole), and what is wrong with it. Both empty: the setup is whole and sound.
// The setup file's reader and the setup dialog judge by this one rule.
struct SetupProblem {
    std::string Field;
    std::string Message;
    size_t Point = 0; // the profile's or the holder's point at fault, counted from 1; 0: none
};
SetupProblem FindProblem(const Setup& setup);
// Whether the setup is whole and sound; otherwise the first problem, in words.
std::string Validate(const Setup& setup);
// No size or position of a lathe reaches 100 m; larger numbers are typing errors. Every number
// of a setup lies within it (and is a number at all).
inline constexpr double LargestSize = 1e5;
// A size that must be above 0 is at least this (mm): smaller ones are typing errors too, and the
// polygon arithmetic would lose them in its grid.
inline constexpr double SmallestSize = 0.001;
// The most points a stock profile and a holder outline may have: a turned part's outline has a
// few dozen corners, a CAM export a few thousand; beyond that each cut would take seconds.
inline constexpr size_t MostProfilePoints = 2000;
// The most points a profile's outline may have once its arcs are made chords (a half circle of
// radius 50 is some 350).
inline constexpr size_t MostOutlinePoints = 50000;
inline constexpr size_t MostHolderPoints = 100;
// The stock's half-section before the first cut.
Region StockRegion(const Stock& stock);
// The chuck with its jaws, and the tailstock centre, as areas the tool must never enter.
Region HoldingRegion(const WorkHolding& holding);

// The ISO shape letters known, with the included angle of the corner used ('R': round).
std::optional<double> ShapeAngle(char shape);

// A tool kind as the setup file writes it: "turning", "boring", "grooving", "parting", "thread",
// "drill".
const char* KindName(Tool::Kind kind);

} // namespace stock
