// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keys.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The pocket calculator of the shop floor as a state machine: key presses go in, the display, the
// prompt line, the indicators and the clipboard text come out. The window only mirrors this state.
namespace calc {

// What was entered last.
enum class InputKindValue {
    NONE, // nothing since the last clear
    NUMS, // a number
    OPS,  // an operator
    NEG,  // a minus sign that starts a negative number
    CE,   // clear entry
};

// An operand holds either the display text it was taken from or a computed value.
using Operand = std::variant<double, std::string>;

// Widths of the prompt line, in twips.
inline constexpr int Label1NormalWidth = 1900;
inline constexpr int Label1TimeWidth = 1150;
inline constexpr int Label1DmsWidth = 1100;

class CalcEngine {
  public:
    CalcEngine();

    // Presses one key of the window.
    void Press(Key Pressed);
    // A key going down (upper-case letter codes, Enter, Shift); false when the calculator ignores it.
    bool KeyDown(int Code);
    // A typed character; false when the calculator ignores it.
    bool KeyPress(char32_t Character);
    // The window became active: the display starts cleared, the memory stays.
    void Form_Activate();

    void Number_Click(int Index);
    void Operator_Click(int Index);
    void Decima_Click();
    void PlasMuns_Click();
    void Cancel_Click();
    void CancelEntry_Click();
    void MS_Click();
    void MRead_Click();
    void MP_Click();
    void Square_Click();
    void Gyakusu_Click();
    void SQRT_Click();
    void Pai_Click();
    void swSIN_Click();
    void swCOS_Click();
    void swTAN_Click();
    void swINV_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    const std::string& Readout() const { return ReadoutText; }
    const std::string& Label1Caption() const { return Label1Text; }
    bool Label1Visible() const { return Label1Shown; }
    int Label1Width() const { return Label1Twips; }
    bool LabelMVisible() const { return LabelMShown; }
    bool ShiftOn() const { return ShiftState; }
    double Memory() const { return MemoryValue; }
    // True for keys that stay pressed: shift while it is on, the active machining function.
    bool KeyLatched(Key Which) const;

    // Keys to flash as press feedback since the last call, in order.
    std::vector<Key> TakeFlashes();
    // The new clipboard contents since the last call: empty text means the clipboard was cleared.
    std::optional<std::string> TakeClipboard();

  private:
    struct Failure {};

    template <class Body> void Guarded(Body&& Run);
    void ShowError();
    double DisplayValue() const;
    static double ToNumber(const Operand& Value);
    static double Finite(double Value);
    void ResetShift();
    void Flash(Key Which);
    void SetClipboard(std::string Text);
    void ShowResult(double Value);
    void UpdateMemoryIndicator();

    // Arithmetic of the operator keys.
    void CollectOperand(char Op);
    void EvaluatePending(char Op);
    void CompleteHeld(char Op);
    double Apply(const Operand& Left, char Op, const Operand& Right) const;

    // Machining functions.
    void StartFunction(int Index, const char* FirstPrompt);
    void RunFunctionStep();
    void SpeedFunctionStep();
    void CutSpeedFunctionStep();
    void FeedFunctionStep();
    void TimeFunctionStep();
    void DmsFunctionStep();
    void DecimalToDms();
    void ClearEntry();

    std::string ReadoutText = "0.";
    std::string Label1Text;
    bool Label1Shown = false;
    int Label1Twips = Label1NormalWidth;
    bool LabelMShown = false;

    Operand FirstOperand = 0.0;  // left operand and running result
    Operand SecondOperand = 0.0; // right operand of the pending operation
    Operand HeldOperand = 0.0;   // left operand of an addition or subtraction on hold
    char PendingOp = ' ';        // ' ', '+', '-', 'X', '/' or '='
    char HeldOp = ' ';           // ' ', '+' or '-'
    int OperandCount = 0;        // operands collected; stays above 2 after a failed operator
    InputKindValue InputKind = InputKindValue::NONE;
    bool DecimalEntered = false;
    std::string DisplayAtKey;
    bool ShiftState = false;
    double MemoryValue = 0.0;
    // NOTE: set by the keys that put a finished value on the display (x², 1/x, √, π, trigonometry,
    // MR) while a number is being typed: the next digit or point then starts a new number instead
    // of being glued onto the result.
    bool ResultShown = false;

    std::int16_t SpeedStep = 0;
    std::int16_t CutSpeedStep = 0;
    std::int16_t FeedStep = 0;
    std::int16_t TimeStep = 0;
    std::int16_t DmsStep = 0;
    std::array<bool, 5> CommandDown{};
    std::array<std::string, 2> StepInputs; // display texts taken by the earlier steps
    double DmsDegrees = 0.0;               // degrees of the conversion, as shown in the prompt
    double DmsMinutes = 0.0;

    std::vector<Key> Flashes;
    std::optional<std::string> Clipboard;
};

} // namespace calc

namespace calc {

// Runs one key's work; a value that is no number, a division by zero or a result out of range
// ends it with "Error" on the display, leaving the operands as they were at that moment.
template <class Body> void CalcEngine::Guarded(Body&& Run) {
    try {
        Run();
    } catch (const Failure&) {
        ShowError();
    }
}

} // namespace calc
