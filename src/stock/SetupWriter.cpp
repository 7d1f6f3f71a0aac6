// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/SetupWriter.h"

#include <charconv>
#include <initializer_list>
#include <sstream>

namespace stock {

std::string SetupNumberText(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

namespace {

std::string Num(double v) {
    return SetupNumberText(v);
}

// The tool the reader starts from for a kind: the defaults, with the tip the kind implies.
Tool KindDefaults(Tool::Kind k) {
    Tool t;
    t.Type = k;
    if (k == Tool::Kind::Boring) t.TipDirection = 2;
    if (k == Tool::Kind::Thread) t.TipDirection = 8;
    return t;
}

void WriteTool(std::ostream& out, int number, const Tool& t) {
    const Tool d = KindDefaults(t.Type);
    const bool insert = t.Type == Tool::Kind::Turning || t.Type == Tool::Kind::Boring;
    const bool blade = t.Type == Tool::Kind::Grooving || t.Type == Tool::Kind::Parting;
    const bool thread = t.Type == Tool::Kind::Thread, drill = t.Type == Tool::Kind::Drill;
    out << "\n[[tool]]\nnumber = " << number << "\nkind = \"" << KindName(t.Type) << "\"\n";
    if (insert || t.Shape != d.Shape) out << "shape = \"" << t.Shape << "\"\n";
    // A value is written when its kind uses it or when it is not what the reader would assume.
    const auto value = [&](const char* key, double v, double dv, bool used) {
        if (used || v != dv) out << key << " = " << Num(v) << "\n";
    };
    value("edge_length", t.EdgeLength, d.EdgeLength, insert);
    value("nose_radius", t.NoseRadius, d.NoseRadius, insert);
    out << "tip = " << t.TipDirection << "\n";
    value("approach_angle", t.ApproachAngle, d.ApproachAngle, insert);
    value("width", t.Width, d.Width, blade);
    value("corner_radius", t.CornerRadius, d.CornerRadius, blade);
    value("reach", t.Reach, d.Reach, blade);
    value("included_angle", t.IncludedAngle, d.IncludedAngle, thread);
    value("tip_radius", t.TipRadius, d.TipRadius, thread);
    value("diameter", t.DrillDiameter, d.DrillDiameter, drill);
    value("point_angle", t.PointAngle, d.PointAngle, drill);
    value("flute_length", t.FluteLength, d.FluteLength, drill);
    if (t.FeedAxis != Tool::Axis::Usual)
        out << "axis = \"" << (t.FeedAxis == Tool::Axis::Z ? 'z' : 'x') << "\"\n";
    if (t.Driven) out << "driven = true\n";
    if (!t.Holder.empty()) out << "holder = " << HolderText(t.Holder) << "\n";
}

void WriteStock(std::ostream& out, const Stock& s) {
    out << "[stock]\n";
    if (s.Shape == Stock::Kind::Profile) {
        out << "kind = \"profile\"\nprofile = [\n";
        for (const ProfilePoint& p : s.Profile) {
            out << "  {radius = " << Num(p.Radius) << ", z = " << Num(p.Z);
            if (p.Arc != 0) out << ", arc = " << Num(p.Arc);
            out << "},\n";
        }
        out << "]\n";
        return;
    }
    out << "kind = \"" << (s.Shape == Stock::Kind::Tube ? "tube" : "bar") << "\"\n";
    out << "diameter = " << Num(s.Diameter) << "\n";
    if (s.Shape == Stock::Kind::Tube) out << "bore = " << Num(s.Bore) << "\n";
    out << "length = " << Num(s.Length) << "\nfront_z = " << Num(s.FrontZ)
        << "\nface_allowance = " << Num(s.FaceAllowance) << "\n";
    if (s.RubDepth != Stock{}.RubDepth) out << "rub_depth = " << Num(s.RubDepth) << "\n";
}

void WriteHolding(std::ostream& out, const WorkHolding& h) {
    if (h.Chuck) {
        out << "\n[chuck]\nface_z = " << Num(h.ChuckFaceZ) << "\ndiameter = " << Num(h.ChuckDiameter) << "\n";
        if (h.GripDiameter != 0) out << "grip_diameter = " << Num(h.GripDiameter) << "\n";
        out << "grip_length = " << Num(h.GripLength) << "\njaw_height = " << Num(h.JawHeight) << "\n";
        if (h.StepLength != 0 || h.StepHeight != 0)
            out << "step = {length = " << Num(h.StepLength) << ", height = " << Num(h.StepHeight) << "}\n";
    }
    if (h.TailstockZ) out << "\n[tailstock]\nz = " << Num(*h.TailstockZ) << "\n";
}

} // namespace

std::string HolderText(const Outline& holder) {
    std::ostringstream out;
    out << "[";
    for (size_t i = 0; i < holder.size(); ++i)
        out << (i ? ", [" : "[") << Num(holder[i].z) << ", " << Num(holder[i].x) << "]";
    out << "]";
    return out.str();
}

std::string ToolTableText(int number, const Tool& tool) {
    std::ostringstream out;
    WriteTool(out, number, tool);
    return out.str();
}

std::string HoldingTablesText(const WorkHolding& holding) {
    std::ostringstream out;
    WriteHolding(out, holding);
    return out.str();
}

std::string WriteSetup(const Setup& setup, const std::string& program) {
    std::ostringstream out;
    out << "# Setup" << (program.empty() ? "" : " of " + program)
        << ": the stock, the work holding and the tools. Lengths in mm, X sizes as diameters.\n\n";
    if (const std::optional<ProgramChoice>& p = setup.Program) {
        out << "[program]\n";
        if (!p->Control.empty()) out << "control = \"" << p->Control << "\"\n";
        if (!p->Unit.empty()) out << "unit = \"" << p->Unit << "\"\n";
        out << "\n";
    }
    WriteStock(out, setup.Material);
    if (setup.Holding) WriteHolding(out, *setup.Holding);
    for (const auto& [number, tool] : setup.Tools)
        WriteTool(out, number, tool);
    return out.str();
}

} // namespace stock
