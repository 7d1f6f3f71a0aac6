// SPDX-License-Identifier: GPL-3.0-or-later
#include "CalcEngine.h"

#include "NumberFormat.h"

#include <cmath>
#include <utility>

namespace calc {

namespace {

constexpr char OperatorCaptions[] = {'/', '+', 'X', '-', '='};

Key OperatorKey(int Index) {
    return static_cast<Key>(static_cast<int>(Key::Divide) + Index);
}

} // namespace

CalcEngine::CalcEngine() = default;

void CalcEngine::Press(Key Pressed) {
    int Code = static_cast<int>(Pressed);
    if (Pressed <= Key::Number9) return Number_Click(Code - static_cast<int>(Key::Number0));
    if (Pressed <= Key::Equals) return Operator_Click(Code - static_cast<int>(Key::Divide));
    switch (Pressed) {
    case Key::Decima:
        return Decima_Click();
    case Key::PlasMuns:
        return PlasMuns_Click();
    case Key::Cancel:
        return Cancel_Click();
    case Key::CancelEntry:
        return CancelEntry_Click();
    case Key::MS:
        return MS_Click();
    case Key::MRead:
        return MRead_Click();
    case Key::MP:
        return MP_Click();
    case Key::Square:
        return Square_Click();
    case Key::Gyakusu:
        return Gyakusu_Click();
    case Key::SQRT:
        return SQRT_Click();
    case Key::Pai:
        return Pai_Click();
    case Key::swSIN:
        return swSIN_Click();
    case Key::swCOS:
        return swCOS_Click();
    case Key::swTAN:
        return swTAN_Click();
    case Key::swINV:
        return swINV_Click();
    case Key::Command1:
        return Command1_Click();
    case Key::Command2:
        return Command2_Click();
    case Key::Command3:
        return Command3_Click();
    case Key::Command4:
        return Command4_Click();
    case Key::Command5:
        return Command5_Click();
    default:
        return;
    }
}

bool CalcEngine::KeyDown(int Code) {
    auto Target = KeyDownTarget(Code, ShiftState);
    if (Target) Press(*Target);
    return Target.has_value();
}

bool CalcEngine::KeyPress(char32_t Character) {
    auto Target = KeyPressTarget(Character);
    if (Target) Press(*Target);
    return Target.has_value();
}

void CalcEngine::Form_Activate() {
    Cancel_Click();
}

bool CalcEngine::KeyLatched(Key Which) const {
    if (Which == Key::swINV) return ShiftState;
    if (Which >= Key::Command1 && Which <= Key::Command5) {
        return CommandDown[static_cast<int>(Which) - static_cast<int>(Key::Command1)];
    }
    return false;
}

std::vector<Key> CalcEngine::TakeFlashes() {
    return std::exchange(Flashes, {});
}

std::optional<std::string> CalcEngine::TakeClipboard() {
    return std::exchange(Clipboard, std::nullopt);
}

void CalcEngine::ShowError() {
    ReadoutText = "Error";
    // Shift belongs to the key that failed, not to the one after it.
    ResetShift();
}

double CalcEngine::ToNumber(const Operand& Value) {
    if (const double* Number = std::get_if<double>(&Value)) return Finite(*Number);
    auto Parsed = ParseNumber(std::get<std::string>(Value));
    if (!Parsed) throw Failure{};
    return *Parsed;
}

double CalcEngine::DisplayValue() const {
    return ToNumber(ReadoutText);
}

double CalcEngine::Finite(double Value) {
    if (!std::isfinite(Value)) throw Failure{};
    return Value;
}

void CalcEngine::ResetShift() {
    ShiftState = false;
}

void CalcEngine::Flash(Key Which) {
    Flashes.push_back(Which);
}

void CalcEngine::SetClipboard(std::string Text) {
    Clipboard = std::move(Text);
}

void CalcEngine::ShowResult(double Value) {
    ReadoutText = DefaultText(Finite(Value));
    ResultShown = true;
}

void CalcEngine::UpdateMemoryIndicator() {
    LabelMShown = MemoryValue != 0.0;
}

// ---- Number entry ------------------------------------------------------------------------------

void CalcEngine::Number_Click(int Index) {
    Guarded([&] {
        ResetShift();
        if (InputKind != InputKindValue::NUMS || ResultShown) {
            ReadoutText = ".";
            DecimalEntered = false;
            ResultShown = false;
        } else if (!ParseNumber(ReadoutText)) {
            throw Failure{};
        }
        char Digit = static_cast<char>('0' + Index);
        if (DecimalEntered) {
            ReadoutText += Digit;
        } else {
            // The digit goes in front of the point; after a sign change the text has no point yet.
            size_t Point = ReadoutText.find('.');
            ReadoutText = ReadoutText.substr(0, Point) + Digit + ".";
        }
        if (InputKind == InputKindValue::NEG) ReadoutText.insert(0, "-");
        InputKind = InputKindValue::NUMS;
        Flash(static_cast<Key>(static_cast<int>(Key::Number0) + Index));
    });
}

void CalcEngine::Decima_Click() {
    Guarded([&] {
        if (InputKind == InputKindValue::NEG) {
            ReadoutText = "-0.";
        } else if (InputKind != InputKindValue::NUMS || ResultShown) {
            ReadoutText = "0.";
        } else if (ReadoutText.find('.') == std::string::npos) {
            DisplayValue();
            ReadoutText += '.';
        }
        DecimalEntered = true;
        ResultShown = false;
        InputKind = InputKindValue::NUMS;
        Flash(Key::Decima);
    });
}

void CalcEngine::PlasMuns_Click() {
    Guarded([&] {
        ReadoutText = DefaultText(-DisplayValue());
        ResetShift();
    });
}

void CalcEngine::CancelEntry_Click() {
    ReadoutText = "0.";
    DecimalEntered = false;
    ResultShown = false;
    InputKind = InputKindValue::CE;
    ResetShift();
    Flash(Key::CancelEntry);
}

void CalcEngine::Cancel_Click() {
    ReadoutText = "0.";
    FirstOperand = SecondOperand = HeldOperand = 0.0;
    DecimalEntered = false;
    ResultShown = false;
    OperandCount = 0;
    InputKind = InputKindValue::NONE;
    PendingOp = ' ';
    HeldOp = ' ';
    ResetShift();
    Flash(Key::Cancel);
    Label1Text.clear();
    Label1Twips = Label1NormalWidth;
    Label1Shown = false;
    SpeedStep = CutSpeedStep = FeedStep = TimeStep = DmsStep = 0;
    CommandDown.fill(false);
    UpdateMemoryIndicator();
}

// ---- Operator keys -----------------------------------------------------------------------------

void CalcEngine::Operator_Click(int Index) {
    char Op = OperatorCaptions[Index];
    Guarded([&] {
        ResetShift();
        DisplayAtKey = ReadoutText;
        if (InputKind == InputKindValue::NUMS) ++OperandCount;
        CollectOperand(Op);
        if (InputKind != InputKindValue::NEG) {
            InputKind = InputKindValue::OPS;
            PendingOp = Op;
        }
        SetClipboard("");
        if (ReadoutText != "-") {
            double Shown = DisplayValue();
            SetClipboard(NumberText(Shown));
        }
        Flash(OperatorKey(Index));
        if (Op == '=') RunFunctionStep();
    });
}

void CalcEngine::CollectOperand(char Op) {
    switch (OperandCount) {
    case 0:
        // A minus sign before the first number.
        if (Op == '-' && InputKind != InputKindValue::NEG) {
            ReadoutText.insert(0, "-");
            InputKind = InputKindValue::NEG;
        }
        break;
    case 1:
        // NOTE: a second minus in a row must not take the lone "-" as the first operand.
        if (InputKind == InputKindValue::NEG) break;
        FirstOperand = ReadoutText;
        if (Op == '-' && InputKind != InputKindValue::NUMS && PendingOp != '=') {
            ReadoutText = "-"; // the minus sign that starts the second number
            InputKind = InputKindValue::NEG;
        }
        break;
    case 2:
        SecondOperand = DisplayAtKey;
        EvaluatePending(Op);
        ReadoutText = DefaultText(RoundHalfEven(ToNumber(FirstOperand), 9));
        OperandCount = 1;
        break;
    default:
        // Only after a failed operator: the arithmetic waits for AC.
        break;
    }
}

void CalcEngine::EvaluatePending(char Op) {
    switch (PendingOp) {
    case '+':
    case '-':
        if (Op == 'X' || Op == '/') {
            // Multiplication and division first: the addition waits.
            HeldOperand = FirstOperand;
            FirstOperand = SecondOperand;
            HeldOp = PendingOp;
        } else {
            FirstOperand = Apply(FirstOperand, PendingOp, SecondOperand);
        }
        break;
    case 'X':
    case '/':
        FirstOperand = Apply(FirstOperand, PendingOp, SecondOperand);
        CompleteHeld(Op);
        break;
    case '=':
        // A number typed after "=" starts a new calculation.
        FirstOperand = SecondOperand;
        CompleteHeld(Op);
        break;
    default:
        break;
    }
}

void CalcEngine::CompleteHeld(char Op) {
    if (Op != '+' && Op != '-' && Op != '=') return;
    if (HeldOp == '+' || HeldOp == '-') FirstOperand = Apply(HeldOperand, HeldOp, FirstOperand);
    HeldOp = ' ';
}

double CalcEngine::Apply(const Operand& Left, char Op, const Operand& Right) const {
    double A = ToNumber(Left);
    double B = ToNumber(Right);
    switch (Op) {
    case '+':
        return Finite(A + B);
    case '-':
        return Finite(A - B);
    case 'X':
        return Finite(A * B);
    default:
        if (B == 0.0) throw Failure{};
        return Finite(A / B);
    }
}

void CalcEngine::swINV_Click() {
    ShiftState = !ShiftState;
}

} // namespace calc
