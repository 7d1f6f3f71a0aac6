// SPDX-License-Identifier: GPL-3.0-or-later
// The one-argument keys, π and the memory of the calculator.
#include "CalcEngine.h"

#include "NumberFormat.h"

#include <cmath>

namespace calc {

namespace {

constexpr double DegreesPerRadian = 180.0 / Pi;

// √(1 − x²) of the inverse sine and cosine; ±1 and beyond have no usable value there.
double Cosine(double X, bool& Valid) {
    double Rest = 1.0 - X * X;
    Valid = Rest > 0.0;
    return Valid ? std::sqrt(Rest) : 0.0;
}

} // namespace

void CalcEngine::Square_Click() {
    Guarded([&] {
        double X = DisplayValue();
        ShowResult(X * X);
        ResetShift();
        Flash(Key::Square);
    });
}

void CalcEngine::Gyakusu_Click() {
    Guarded([&] {
        double X = DisplayValue();
        if (X != 0.0) ShowResult(1.0 / X);
        ResetShift();
        Flash(Key::Gyakusu);
    });
}

void CalcEngine::SQRT_Click() {
    Guarded([&] {
        double X = DisplayValue();
        if (X < 0.0) throw Failure{};
        ShowResult(std::sqrt(X));
        ResetShift();
        Flash(Key::SQRT);
    });
}

void CalcEngine::Pai_Click() {
    ShowResult(Pi);
    InputKind = InputKindValue::NUMS;
    ResetShift();
    Flash(Key::Pai);
}

void CalcEngine::swSIN_Click() {
    Guarded([&] {
        double X = DisplayValue();
        if (ShiftState) {
            bool Valid = false;
            double Root = Cosine(X, Valid);
            if (!Valid) throw Failure{};
            ShowResult(std::atan(X / Root) * DegreesPerRadian);
        } else {
            ShowResult(std::sin(X * Pi / 180.0));
        }
        ResetShift();
        Flash(Key::swSIN);
    });
}

void CalcEngine::swCOS_Click() {
    Guarded([&] {
        double X = DisplayValue();
        if (ShiftState) {
            bool Valid = false;
            double Root = Cosine(X, Valid);
            if (!Valid) throw Failure{};
            ShowResult((std::atan(-X / Root) + 2.0 * std::atan(1.0)) * DegreesPerRadian);
        } else {
            ShowResult(std::cos(X * Pi / 180.0));
        }
        ResetShift();
        Flash(Key::swCOS);
    });
}

void CalcEngine::swTAN_Click() {
    Guarded([&] {
        double X = DisplayValue();
        ShowResult(ShiftState ? std::atan(X) * DegreesPerRadian : std::tan(X * Pi / 180.0));
        ResetShift();
        Flash(Key::swTAN);
    });
}

void CalcEngine::MS_Click() {
    ResetShift();
    try {
        MemoryValue = DisplayValue();
    } catch (const Failure&) {
        Cancel_Click();
        ShowError();
        return;
    }
    UpdateMemoryIndicator();
    Flash(Key::MS);
}

void CalcEngine::MP_Click() {
    ResetShift();
    try {
        MemoryValue = Finite(MemoryValue + DisplayValue());
    } catch (const Failure&) {
        // Like a failed memory store: the memory keeps its value, the calculation starts over.
        Cancel_Click();
        ShowError();
        return;
    }
    UpdateMemoryIndicator();
    Flash(Key::MP);
}

void CalcEngine::MRead_Click() {
    Guarded([&] {
        ShowResult(MemoryValue);
        InputKind = InputKindValue::NUMS;
        ResetShift();
        Flash(Key::MRead);
    });
}

} // namespace calc
