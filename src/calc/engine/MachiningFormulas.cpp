// SPDX-License-Identifier: GPL-3.0-or-later
// The guided machining functions: each "=" takes the display as the next input, shows the next
// prompt, and the last one shows the result and copies it for the operator.
#include "CalcEngine.h"

#include "NumberFormat.h"

#include <cmath>

namespace calc {

namespace {

// An ideographic space separates "deg" and "min" in the conversion's second prompt.
constexpr const char* DegMinPrompt = "deg\u3000min =";

} // namespace

void CalcEngine::StartFunction(int Index, const char* FirstPrompt) {
    Cancel_Click();
    LabelMShown = false;
    Label1Text = FirstPrompt;
    Label1Shown = true;
    std::int16_t* Steps[] = {&SpeedStep, &CutSpeedStep, &FeedStep, &TimeStep, &DmsStep};
    *Steps[Index] = 1;
    ResetShift();
    CommandDown[Index] = true;
}

void CalcEngine::Command1_Click() {
    StartFunction(0, "Cut speed(m/min) =");
}
void CalcEngine::Command2_Click() {
    StartFunction(1, "SP speed(min-1) =");
}
void CalcEngine::Command3_Click() {
    StartFunction(2, "Rough(Ra=1,Rz=2) =");
}
void CalcEngine::Command4_Click() {
    StartFunction(3, "Speed(min-1) =");
}

void CalcEngine::Command5_Click() {
    if (ShiftState) {
        DecimalToDms();
    } else {
        StartFunction(4, "deg =");
    }
}

void CalcEngine::ClearEntry() {
    ReadoutText = "0.";
}

// Called from "=" after its arithmetic. A step that fails leaves its counter where it was, so the
// operator can give the same input again.
void CalcEngine::RunFunctionStep() {
    if (SpeedStep != 0) {
        SpeedFunctionStep();
    } else if (CutSpeedStep != 0) {
        CutSpeedFunctionStep();
    } else if (FeedStep != 0) {
        FeedFunctionStep();
    } else if (TimeStep != 0) {
        TimeFunctionStep();
    } else if (DmsStep != 0) {
        DmsFunctionStep();
    }
}

// Spindle speed N (min-1) from cutting speed V (m/min) and diameter D (mm).
void CalcEngine::SpeedFunctionStep() {
    if (SpeedStep == 1) {
        StepInputs[0] = ReadoutText;
        Label1Text = "DIA(mm) =";
        ClearEntry();
        SpeedStep = 2;
    } else if (SpeedStep == 2) {
        double V = ToNumber(StepInputs[0]);
        double D = DisplayValue();
        double N = RoundHalfEven(Finite(1000.0 * V / (Pi * D)), 0);
        ReadoutText = DefaultText(N);
        Label1Text = "Speed(min-1) =";
        SetClipboard(NumberText(N));
        SpeedStep = 3;
    }
}

// Cutting speed V (m/min) from spindle speed N (min-1) and diameter D (mm).
void CalcEngine::CutSpeedFunctionStep() {
    if (CutSpeedStep == 1) {
        StepInputs[0] = ReadoutText;
        Label1Text = "DIA(mm) =";
        ClearEntry();
        CutSpeedStep = 2;
    } else if (CutSpeedStep == 2) {
        double N = ToNumber(StepInputs[0]);
        double D = DisplayValue();
        double V = RoundHalfEven(Finite(Pi * D * N / 1000.0), 0);
        ReadoutText = DefaultText(V);
        Label1Text = "Speed V(m/min) =";
        SetClipboard(NumberText(V));
        CutSpeedStep = 3;
    }
}

// Feed per revolution from the roughness the drawing asks for and the nose radius of the insert:
// Rz = f² / 8r, with Ra taken as a quarter of Rz.
void CalcEngine::FeedFunctionStep() {
    if (FeedStep == 1) {
        StepInputs[0] = ReadoutText;
        Label1Text = "Rough(\u03bcm) =";
        ClearEntry();
        FeedStep = 2;
    } else if (FeedStep == 2) {
        StepInputs[1] = ReadoutText;
        Label1Text = "Nose-R(mm) =";
        ClearEntry();
        FeedStep = 3;
    } else if (FeedStep == 3) {
        double R = DisplayValue();
        double Kind = ToNumber(StepInputs[0]);
        double H = ToNumber(StepInputs[1]);
        if (Kind == 1.0) H = 4.0 * H;
        double Square = Finite(8.0 * R * H / 1000.0);
        if (Square < 0.0) throw Failure{};
        double Feed = std::sqrt(Square);
        Label1Text = "Feed(mm/rev)=";
        ReadoutText = NumberText(Feed);
        SetClipboard(NumberText(Feed));
        FeedStep = 4;
    }
}

// Machining time of a cut of length L at spindle speed N and feed f, as hh:mm:ss.s.
void CalcEngine::TimeFunctionStep() {
    if (TimeStep == 1) {
        StepInputs[0] = ReadoutText;
        Label1Text = "Feed(mm/rev) =";
        ClearEntry();
        TimeStep = 2;
    } else if (TimeStep == 2) {
        StepInputs[1] = ReadoutText;
        Label1Text = "Cut Length(mm) =";
        ClearEntry();
        TimeStep = 3;
    } else if (TimeStep == 3) {
        double L = DisplayValue();
        double N = ToNumber(StepInputs[0]);
        double F = ToNumber(StepInputs[1]);
        if (N == 0.0 || F == 0.0) throw Failure{};
        double Seconds = Finite(60.0 * (L / N) / F);
        // NOTE: a negative time can only come from a slip of the finger; it is no time at all.
        if (Seconds < 0.0) throw Failure{};
        // NOTE: rounded to the tenth shown before it is split, so that 119.99 s reads 00:02:00.0
        // and never 00:01:60.0.
        Seconds = std::round(Seconds * 10.0) / 10.0;
        double Minutes = std::floor(Seconds / 60.0 + 0.00001);
        Seconds -= 60.0 * Minutes;
        double Hours = std::floor(Minutes / 60.0);
        Minutes -= 60.0 * Hours;
        Label1Text = "Time ";
        Label1Twips = Label1TimeWidth;
        ReadoutText = TwoDigits(Hours) + ":" + TwoDigits(Minutes) + ":" + TwoDigitsOneDecimal(Seconds);
        SetClipboard(ReadoutText);
        TimeStep = 4;
    }
}

// Degrees, minutes and seconds to decimal degrees.
void CalcEngine::DmsFunctionStep() {
    if (DmsStep == 1) {
        DmsDegrees = DisplayValue();
        Label1Text = NumberText(DmsDegrees) + DegMinPrompt;
        ClearEntry();
        DmsStep = 2;
    } else if (DmsStep == 2) {
        DmsMinutes = DisplayValue();
        Label1Text = NumberText(DmsDegrees) + "deg" + TwoDigits(DmsMinutes) + "min" + "  sec =";
        ClearEntry();
        DmsStep = 3;
    } else if (DmsStep == 3) {
        double Seconds = DisplayValue();
        double Result = Finite(DmsDegrees + DmsMinutes / 60.0 + Seconds / 3600.0);
        Label1Text =
            NumberText(DmsDegrees) + "deg" + TwoDigits(DmsMinutes) + "min" + TwoDigits(Seconds) + "sec  =";
        ReadoutText = NumberText(Result);
        SetClipboard(ReadoutText);
        DmsStep = 4;
    }
}

// Decimal degrees on the display to degrees'minutes'seconds, at once (shift, then H).
void CalcEngine::DecimalToDms() {
    Guarded([&] {
        Flash(Key::Command5);
        double Value = DisplayValue();
        double Degrees = std::floor(Value);
        // NOTE: the minutes and seconds are taken from the seconds rounded as they are shown, so
        // that 12.1 reads 12'6'0 and not 12'5'60 because of binary fractions.
        double Rest = RoundHalfEven(3600.0 * (Value - Degrees), 3);
        if (Rest >= 3600.0) {
            Degrees += 1.0;
            Rest -= 3600.0;
        }
        double Minutes = std::floor(Rest / 60.0);
        double Seconds = Rest - 60.0 * Minutes;
        LabelMShown = false;
        Label1Shown = true;
        Label1Twips = Label1DmsWidth;
        Label1Text = DefaultText(Value) + "deg  =";
        ReadoutText = NumberText(Degrees) + "'" + NumberText(Minutes) + "'" + NumberText(Seconds);
        SetClipboard(ReadoutText);
        ResetShift();
    });
}

} // namespace calc
