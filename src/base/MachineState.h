// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one record of the simulated lathe control: modal state, block reading, words, position,
// soft limits, run switches and display options. Field names and types are those the control's
// behaviour depends on; several results depend on single precision (CuttingTime, NVLZ, XSign).

#include "base/IsoState.h"

#include <cstdint>
#include <string>

namespace interp {

inline constexpr double Pi = 3.14159265358979; // the control's own pi; tan(Pi) is not exactly 0

// RunState codes.
inline constexpr int16_t RunRunning = -1;
inline constexpr int16_t RunProgramStop = 0;  // M00
inline constexpr int16_t RunOptionalStop = 1; // M01
inline constexpr int16_t RunEndM02 = 2;       // M02
inline constexpr int16_t RunEndM30 = 30;      // M30
inline constexpr int16_t RunHold = 3;         // Hold stop requested
inline constexpr int16_t RunAlarm = 4;        // alarm raised in this block
inline constexpr int16_t RunReset = 5;        // Reset requested

struct MachineState {
    // --- Block reading (positions are 1-based into the program text; CR LF counts as two) ---
    int64_t NextBlockPos = 1; // where the next block begins; set by ReadNextBlock, Start, Reset, Restart
    int64_t BlockEndPos = 0;  // position of the CR ending the block just read; 0 = no further CR LF
    std::u16string BlockText; // text of the current block (without its CR LF)
    int32_t BlockCount = 0;   // blocks read since the last reset; label Block
    int64_t BlockLen = 0;     // length of BlockText, taken at the start of ExecuteBlock
    // NOTE: the scan position is wide so that blocks of any length are scanned.
    int64_t ScanPos = 0;           // 1-based index into BlockText; shared by the scan loop and the readers
    std::string WordText;          // result of the last word reader that makes one; empty = no value
    bool InComment = false;        // inside "(" ... ")"; survives the end of a block
    bool HasPoint = false;         // the last ReadValue value had a decimal point (or was 0)
    std::u16string ProgramNumber;  // text after O
    std::u16string SequenceNumber; // text after N
    double GWord = 0;              // value of the last G word
    int16_t UnitCode = 1;          // input unit: 1 = 1 mm, 2 = 0.01 mm, 3 = 0.001 mm, 4 = 1 inch

    // --- Modal groups ---
    double GMode = 0;        // motion/cycle group; selects the dispatch at the end of the block
    double PrevGMode = 0;    // last GMode other than 4; restored after a dwell block is shown
    int16_t GAbsInc = 90;    // 90 absolute, 91 incremental
    int16_t GFeedMode = 95;  // 94 per minute, 95 per revolution
    int16_t GSpeedMode = 97; // 96 constant surface speed, 97 constant spindle speed
    int16_t GNoseR = 40;     // 40/41/42, shown only
    int16_t G75Mode = 0;     // 75/76, stored only
    double MWord = -1;       // value of the last M word
    int16_t MSpindle = 5;    // 3, 4, 5, 19
    int16_t MCoolant = 9;    // 8, 9
    // NOTE: wider than the control's 16 bits so that any M value is kept without failing.
    int32_t MOther = -1;           // other M code of the latest block that had one; -1 = none
    int16_t RunState = RunRunning; // see the Run* codes

    // --- Position and words (X diameter mm, Z mm, angles degrees) ---
    double CurX = 500, CurZ = 200;   // end point of the current block
    double LastX = 500, LastZ = 200; // end point of the previous block = start of this one
    double TaperAngle = 0;           // A or B word; cleared every block
    double UWord = 0, WWord = 0;     // U/W increments or cycle parameters; cleared every block
    double IWord = 0, KWord = 0;     // arc centre or cycle parameters; cleared every block
    double RWord = 0, DWord = 0, LWord = 0, PWord = 0; // cleared every block
    double HWord = 0, YWord = 0;                       // kept
    double CWord = 0;                                  // C axis angle
    double Feed = 0;                                   // F word (unit-converted)
    double SWord = 0;                                  // spindle speed (G97) or cutting speed m/min (G96)
    double SBWord = 0;                                 // S word written SB
    double TWord = 0;                                  // T word as written (T0101 gives 101)
    double PrevTWord = 0;                              // T word at the last tool-change check
    bool TGFlag = false;                               // the last T word was written TG
    bool UGiven = false, WGiven = false;               // block has U (W); FANUC dialect only
    std::string Turret = "A";                          // "A" (G13) or "B" (G14)
    float XSign = 1;                                   // +1 / -1: side of the canvas on which +X is drawn
    float CuttingTime = 0;                             // accumulated machining time, s
    double ArcCentreX = 0, ArcCentreZ = 0;             // centre of the last arc (X diameter)

    // --- Soft limits (plus limits are also the home point) ---
    double PVLX = 500, PVLZ = 200, NVLX = -200;
    float NVLZ = -200; // single precision: -150.3 compares as the nearest float

    // --- Run control switches ---
    bool SingleBlock = false, BlockDelete = false, OptionalStop = false;
    bool AutoStart = true;
    bool FanucMode = false;     // FANUC dialect with the point check
    bool IsoMode = false;       // the ISO control (src/iso) reads the blocks instead of both dialects
    bool Replay = false;        // a silent re-run is in progress
    bool RestartSearch = false; // Restart is running up to the caret
    bool FkeyBar = false;       // function-key bar shown instead of the main status bar
    float RunSpeed = 100;       // run-speed slider, 0..100

    // --- Display options and drawing state ---
    bool G2mirror = false, Xmirror = false, BTurretUpper = true, Vertical = false;
    bool WhiteBackground = false;
    bool ColorPerTool = true;   // every new tool takes the next colour of the cycle
    int16_t ColorIndex = 1;     // next entry of the colour cycle, 1..6
    bool RapidArrow = true;     // arrow heads on rapid moves
    bool ShowToolNumber = true; // print tool labels
    bool ToolLabelDone = false; // the current tool's label has been printed
    int16_t ToolLabelCount = 1; // labels printed since the last reset, from 1
    bool ShowPosition = false;  // end-point annotation on
    int16_t PositionTool = 0;   // tool whose moves are annotated; 0 = every tool
    bool ToolClear = false;     // clear the canvas at every tool change
    bool XSnap = false, ZSnap = false;
    int32_t RapidColor = 0xFF00FF, CutColor = 0x00FFFF, ToolColor = 0x00FF00; // &HBBGGRR
    double LabelColor = 0xFFFFFF;

    // --- The ISO control's own state; untouched by the two dialects ---
    iso::IsoState Iso;
};

} // namespace interp
