// SPDX-License-Identifier: GPL-3.0-or-later
#include "cycles/CycleSteps.h"

#include <cmath>

#include "base/Alarms.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "motion/CuttingTime.h"
#include "motion/Motion.h"

namespace cycles::steps {

namespace {

constexpr double RapidRate = 20000; // mm/min on every axis, whatever the machine's own rapids

} // namespace

void RapidSegment(Machine& m, double x0, double z0, double x1, double z1) {
    motion::DrawRapidLine(m, x0, z0, x1, z1);
}

void CutSegment(Machine& m, double x0, double z0, double x1, double z1) {
    motion::DrawCutLine(m, x0, z0, x1, z1);
}

void ShowX(Machine& m, double v) {
    if (!m.Ui.WantsDisplay()) return;
    const std::string text = legacy::Format000(v);
    m.Ui.ShowCyclePosition(&text, nullptr);
}

void ShowZ(Machine& m, double v) {
    if (!m.Ui.WantsDisplay()) return;
    const std::string text = legacy::Format000(v);
    m.Ui.ShowCyclePosition(nullptr, &text);
}

void Pace(Machine& m) {
    interp::WaitSeconds(m, 0.5 - m.S.RunSpeed * 0.005);
}

void Marker(Machine& m) {
    motion::DrawPositionMark(m);
}

void ShowXPaceMark(Machine& m, double v) {
    ShowX(m, v);
    Pace(m);
    Marker(m);
}

void ShowZPaceMark(Machine& m, double v) {
    ShowZ(m, v);
    Pace(m);
    Marker(m);
}

void AddRapidTime(Machine& m, double d) {
    motion::AddCuttingTime(m, d / RapidRate * 60);
}

bool AddCutTime(Machine& m, double length) {
    return motion::AddCutTime(m, length, motion::SurfaceSpeed::CycleSpeed);
}

bool FeedMissing(Machine& m) {
    if (m.S.Feed > 0) return false;
    interp::RaiseAlarm(m, "Feed is 0.");
    return true;
}

void DepthOrHeightMissing(Machine& m, const std::string& message) {
    m.Ui.SetMainMessage(message);
    m.S.RunState = interp::RunAlarm;
}

double TaperTan(double angleDegrees) {
    return Finite(std::tan(angleDegrees * 2 * interp::Pi / 360));
}

void ReturnToStart(Machine& m) {
    m.S.CurX = m.S.LastX;
    m.S.CurZ = m.S.LastZ;
}

void LongBox(Machine& m, double xFrom, double xTo) {
    const double xs = m.S.LastX, zs = m.S.LastZ, xb = m.S.CurX, zb = m.S.CurZ;
    RapidSegment(m, xs, zs, xFrom, zs);
    ShowXPaceMark(m, xb);
    CutSegment(m, xFrom, zs, xTo, zb);
    ShowZPaceMark(m, zb);
    RapidSegment(m, xTo, zb, xs, zb);
    ShowXPaceMark(m, xs);
    RapidSegment(m, xs, zb, xs, zs);
    // A taper does not lengthen the cut: the control books the Z travel.
    AddRapidTime(m, std::fabs(zb - zs) + std::fabs(xb - xs));
    AddCutTime(m, std::fabs(zb - zs));
    ReturnToStart(m);
}

void FaceBox(Machine& m, double zFrom, double zTo) {
    const double xs = m.S.LastX, zs = m.S.LastZ, xb = m.S.CurX, zb = m.S.CurZ;
    RapidSegment(m, xs, zs, xs, zFrom);
    ShowZPaceMark(m, zb);
    CutSegment(m, xs, zFrom, xb, zTo);
    ShowXPaceMark(m, xb);
    RapidSegment(m, xb, zTo, xb, zs);
    ShowZPaceMark(m, zs);
    RapidSegment(m, xb, zs, xs, zs);
    // The Z legs count twice, the X leg as a radius.
    AddRapidTime(m, 2 * std::fabs(zb - zs) + std::fabs(xb - xs) / 2);
    AddCutTime(m, std::fabs(xb - xs) / 2);
    ReturnToStart(m);
}

} // namespace cycles::steps
