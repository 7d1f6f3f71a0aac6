// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Checker.h"

#include "base/Machine.h"
#include "base/OtherCore.h"
#include "check/Decode.h"
#include "input/Subprogram.h"
#include "interp/RunControl.h"
#include "iso/IsoControl.h"
#include "machine/Watch.h"
#include "motion/Motion.h"
#include "nav/DisplayOptions.h"
#include "stock/ToolSources.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace check {

namespace {

// Line of the block being executed: 1 + the CR LF pairs before its terminating CR LF. Counted
// incrementally, since blocks are read in text order. A place asked for after a later one (the
// machine's findings, placed once the run is over) is counted from the last mark before it, and
// so is a place beyond a mark already counted to.
class LineCounter {
  public:
    explicit LineCounter(const std::u16string& text) : Text(text) {}
    int64_t LineOf(int64_t blockEndPos) {
        const size_t end = blockEndPos > 0 ? static_cast<size_t>(blockEndPos - 1) : 0; // 0-based CR
        if (end < Pos || end >= Pos + MarkEvery) { // from the last mark before it, if that is nearer
            const Mark& from = *(std::upper_bound(Marks.begin(), Marks.end(), end,
                                                  [](size_t at, const Mark& m) { return at < m.Pos; }) -
                                 1);
            if (end < Pos || from.Pos > Pos) Pos = from.Pos, Pairs = from.Pairs;
        }
        const size_t stop = std::min(end, Text.size());
        while (Pos < stop) {
            const size_t next = (Pos / MarkEvery + 1) * MarkEvery;
            CountTo(std::min(stop, next));
            if (Pos == next && Marks.back().Pos < next) Marks.push_back({Pos, Pairs});
        }
        return Pairs + 1;
    }

  private:
    // The pairs whose CR lies in [Pos, to), eight places at a time where the processor can: each
    // lane of `count` counts the pairs found in it (a lane that matched is all ones, -1).
    void CountTo(size_t to) {
        const char16_t* d = Text.data();
        const size_t n = Text.size();
        size_t i = Pos;
#if defined(__SSE2__)
        const __m128i cr = _mm_set1_epi16(u'\r'), lf = _mm_set1_epi16(u'\n');
        const size_t last = std::min(to, n - 1); // a CR's LF is read one place on
        while (i + 8 <= last) {
            __m128i count = _mm_setzero_si128();
            // At most 32767 steps before the lanes are added up.
            for (const size_t stop = std::min(last, i + 8 * 32767); i + 8 <= stop; i += 8) {
                const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
                const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 1));
                count =
                    _mm_sub_epi16(count, _mm_and_si128(_mm_cmpeq_epi16(here, cr), _mm_cmpeq_epi16(next, lf)));
            }
            alignas(16) uint16_t lanes[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(lanes), count);
            for (uint16_t lane : lanes)
                Pairs += lane;
        }
#endif
        for (; i < to && i + 1 < n; ++i)
            Pairs += d[i] == u'\r' && d[i + 1] == u'\n';
        Pos = to;
    }

    static constexpr size_t MarkEvery = size_t{1} << 16; // characters
    struct Mark {
        size_t Pos;
        int64_t Pairs; // before Pos
    };
    const std::u16string& Text;
    size_t Pos = 0;
    int64_t Pairs = 0;
    std::vector<Mark> Marks{{0, 0}}; // every MarkEvery characters counted so far
};

// The host of a silent check: no window, no waiting; remembers the message panels and records
// alarms and tool times after every block.
class CheckHost final : public interp::Host {
  public:
    CheckHost(const std::u16string& text, CheckReport& report) : Text(text), Lines(text), Report(report) {}
    interp::Machine* M = nullptr;
    advice::RunAdvisor* Advisor = nullptr; // watches every block when advice is asked for
    stock::Machining* Stock = nullptr;     // cuts the stock along the path when one is given
    // Plans the machine's own time when a machine is given.
    machine::Watch* MachineWatch = nullptr;
    std::function<void(int64_t, double)> OnBlock;
    std::function<void(const stock::Machining&)> OnStockCut;

    std::string ProgramPath; // empty: no file, so none beside it

    const std::u16string& ProgramText() override { return Text; }
    int SubprogramFile(double number, std::string& name, std::u16string& text, std::string& why) override {
        if (ProgramPath.empty() || number < 0 || number > 99999999) return 0;
        input::SubprogramFile file;
        const int found = input::ReadSubprogramFile(ProgramPath, static_cast<long>(number), file, why);
        if (found <= 0) return found;
        name = file.Name;
        text = DecodeProgram(file.Bytes);
        return 1;
    }
    int64_t CaretOffset() override { return 0; }
    void HighlightBlock(int64_t, int64_t) override {}
    void FocusProgram() override {}
    void SetMessage(const std::string& mainBar, const std::string&) override { MainMessage = mainBar; }
    void SetMainMessage(const std::string& text) override { MainMessage = text; }
    void SetDialectPanel(const std::string&) override {}
    void SetUnitPanel(const std::string&) override {}
    bool WantsDisplay() const override { return false; }
    void ShowDisplay(const motion::DisplayTexts&) override {}
    void ShowBlockCount(int32_t) override {}
    void ShowCyclePosition(const std::string*, const std::string*) override {}
    void ShowPressed(interp::Command, bool) override {}
    void WaitSeconds(double) override {}
    void DoEvents() override {}

    int64_t CurrentLine() { return Lines.LineOf(M->S.BlockEndPos); }
    int64_t LineOf(int64_t blockEndPos) { return Lines.LineOf(blockEndPos); }
    void AlarmRaised() override { AlarmInBlock = true; }

    void BlockExecuted() override {
        const interp::MachineState& s = M->S;
        // An alarm of the block counts even when a later M00/M01/M02/M30 took over the run state.
        if (s.RunState == interp::RunAlarm || AlarmInBlock)
            Report.Alarms.push_back({CurrentLine(), MainMessage});
        AlarmInBlock = false;
        if (Advisor) Advisor->BlockExecuted(s);
        if (OnBlock) OnBlock(CurrentLine(), motion::ToolNumberOf(*M));
        if (MachineWatch) MachineWatch->Block(*M, s.CuttingTime);
        const double total = s.CuttingTime;
        if (total != LastTotal) {
            // The tool's entries are looked up again only when the T word changes.
            if (!ToolTime || s.TWord != ToolTWord || s.TGFlag != ToolTG) {
                const int tool = motion::ToolNumberOf(*M);
                ToolTime = &Report.ToolTimes[tool];
                ToolColors = &Report.ToolColors[tool];
                ToolTWord = s.TWord;
                ToolTG = s.TGFlag;
            }
            *ToolTime += total - LastTotal;
            if (ToolColors->empty() || ToolColors->back() != s.CutColor) ToolColors->push_back(s.CutColor);
            LastTotal = total;
        }
    }

  private:
    const std::u16string& Text;
    LineCounter Lines;
    CheckReport& Report;
    std::string MainMessage;
    bool AlarmInBlock = false; // an alarm was raised in the block being executed
    double LastTotal = 0;
    double* ToolTime = nullptr;                 // entry of the T word ToolTWord / ToolTG in Report.ToolTimes
    std::vector<int32_t>* ToolColors = nullptr; // and in Report.ToolColors
    double ToolTWord = 0;
    bool ToolTG = false;
};

// Whether the control reads any block of the text: a block ends at CR LF, so a text with line
// breaks (LF or CR alone, UTF-16 with a NUL between CR and LF) but no CR LF reads none.
bool NoCrLfLineEnds(const std::u16string& text) {
    bool breaks = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') return false;
        breaks = breaks || text[i] == u'\r' || text[i] == u'\n';
    }
    return breaks;
}

// Text written as UTF-16 and read byte by byte: a byte order mark, or the bytes of one parity
// mostly NUL and those of the other hardly ever.
bool LooksLikeUtf16(const std::u16string& text) {
    if (text.size() >= 2 && ((text[0] == 0xFF && text[1] == 0xFE) || (text[0] == 0xFE && text[1] == 0xFF)))
        return true;
    size_t zeros[2] = {}, count[2] = {};
    for (size_t i = 0; i < text.size(); ++i) {
        ++count[i & 1];
        zeros[i & 1] += text[i] == 0;
    }
    for (int p : {0, 1})
        if (count[p] > 0 && zeros[p] * 2 >= count[p] && zeros[1 - p] * 10 <= count[1 - p]) return true;
    return false;
}

// Adds the control characters (tab, line breaks, form feed and end-of-file aside) and the NULs
// among `n` characters at `p`. In small counters and without a branch a character, so that the
// compiler takes many characters a step (twice as many where the processor has the wider
// registers); `n` is at most ControlChunk, which the counters hold.
#if defined(__x86_64__) && defined(__GNUC__)
#define ZARVIK_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ZARVIK_WIDE_CLONES
#endif
constexpr size_t ControlChunk = 32768;
ZARVIK_WIDE_CLONES void CountControls(const char16_t* p, size_t n, size_t& controls, size_t& nuls) {
    uint16_t c16 = 0, n16 = 0;
    for (size_t k = 0; k < n; ++k) {
        const char16_t c = p[k];
        const bool allowed = c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == 0x1A;
        c16 += static_cast<uint16_t>((c < 0x20 && !allowed) || c == 0x7F);
        n16 += static_cast<uint16_t>(c == 0);
    }
    controls += c16;
    nuls += n16;
}

bool OnlyBlanks(const std::u16string& text) {
    for (char16_t c : text)
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') return false;
    return true;
}

// The trace canvas of a check: hands every path piece on with its line, and every primitive to
// each picture.
class TraceCanvas final : public motion::Canvas {
  public:
    TraceCanvas(CheckHost& host, const std::function<void(const TracedSegment&)>& onSegment,
                const std::vector<motion::Canvas*>& pictures)
        : Host(host), OnSegment(onSegment), Pictures(pictures) {}

    bool Seen() const override { return !Pictures.empty(); }
    void Resize(double w, double h) override {
        Canvas::Resize(w, h);
        for (motion::Canvas* p : Pictures)
            p->Resize(w, h);
    }
    void Line(double x1, double y1, double x2, double y2, int32_t color) override {
        for (motion::Canvas* p : Synced())
            p->Line(x1, y1, x2, y2, color);
    }
    void PSet(double x, double y, int32_t color) override {
        for (motion::Canvas* p : Synced())
            p->PSet(x, y, color);
    }
    void Circle(double cx, double cy, double r, int32_t color, bool full, double a, double b) override {
        for (motion::Canvas* p : Synced())
            p->Circle(cx, cy, r, color, full, a, b);
    }
    void Print(const std::string& text) override {
        if (Pictures.empty()) return;
        for (motion::Canvas* p : Synced())
            p->Print(text);
        CurrentX = Pictures.front()->CurrentX;
        CurrentY = Pictures.front()->CurrentY;
    }
    double TextWidth(const std::string& text) override {
        if (!Pictures.empty()) return Synced().front()->TextWidth(text);
        // Without a picture: a plain monospace estimate, 0.6 em a character.
        return 0.6 * FontSize * 20 * static_cast<double>(text.size()) * ScaleWidth / Width;
    }
    double TextHeight(const std::string&) override {
        if (!Pictures.empty()) return Synced().front()->TextHeight("A");
        return 1.15 * FontSize * 20 * ScaleHeight / Height;
    }
    void Cls() override {
        for (motion::Canvas* p : Synced())
            p->Cls();
    }
    void Path(const motion::PathSegment& segment) override {
        if (OnSegment) OnSegment({Host.CurrentLine(), segment, Host.M->S.GNoseR});
        if (Host.MachineWatch) Host.MachineWatch->Segment(segment, *Host.M);
        if (Host.Stock) {
            const stock::Move move = StockMove(segment);
            Host.Stock->Apply(move);
            if (Host.OnStockCut) Host.OnStockCut(*Host.Stock);
        }
        for (motion::Canvas* p : Pictures) // a framing picture tells the part by the pieces' kinds
            p->Path(segment);
    }

  private:
    // The piece of path with what the stock needs of the machine's state: the tool in force and
    // whether the spindle turns.
    stock::Move StockMove(const motion::PathSegment& p) {
        using Kind = motion::PathSegment::Kind;
        stock::Move m;
        m.Type = p.kind == Kind::Rapid   ? stock::Move::Kind::Rapid
                 : p.kind == Kind::Cut   ? stock::Move::Kind::Cut
                 : p.kind == Kind::ArcCW ? stock::Move::Kind::ArcCW
                                         : stock::Move::Kind::ArcCCW;
        m.Line = Host.CurrentLine();
        m.Tool = motion::ToolNumberOf(*Host.M);
        m.SpindleRunning = Host.M->S.MSpindle == 3 || Host.M->S.MSpindle == 4;
        m.Compensation = Host.M->S.GNoseR;
        for (char16_t c : Host.M->S.SequenceNumber) // digits
            m.N += c < 0x80 ? static_cast<char>(c) : '?';
        // The path is in millimetres whatever the program's unit, as the setup is.
        m.X0 = p.x0, m.Z0 = p.z0, m.X1 = p.x1, m.Z1 = p.z1;
        m.CX = p.cx, m.CZ = p.cz, m.R = p.r;
        return m;
    }
    // The pictures, each given this canvas's scale and drawing attributes.
    const std::vector<motion::Canvas*>& Synced() {
        for (motion::Canvas* p : Pictures) {
            p->SetScale(ScaleLeft, ScaleTop, ScaleWidth, ScaleHeight);
            p->Style = Style;
            p->Mode = Mode;
            p->ForeColor = ForeColor;
            p->BackColor = BackColor;
            p->FontSize = FontSize;
            p->CurrentX = CurrentX;
            p->CurrentY = CurrentY;
        }
        return Pictures;
    }
    CheckHost& Host;
    const std::function<void(const TracedSegment&)>& OnSegment;
    const std::vector<motion::Canvas*>& Pictures;
};

} // namespace

bool NotText(const std::u16string& text) {
    // Text written as UTF-16 and read as 8-bit is full of zeros; it is reported for its line ends,
    // not as binary. Only a text with a NUL or dense control characters needs that asked.
    size_t controls = 0, nuls = 0;
    for (size_t from = 0; from < text.size(); from += ControlChunk)
        CountControls(text.data() + from, std::min(ControlChunk, text.size() - from), controls, nuls);
    if (nuls > 0) return !LooksLikeUtf16(text);
    return controls * 10 > text.size() && !LooksLikeUtf16(text);
}

const char* CheckReport::FailureMessage() const {
    if (Empty) return EmptyMessage;
    if (NotText) return NotTextMessage;
    if (NoCrLf) return NoCrLfMessage;
    return nullptr;
}

namespace {

// Where a deviation's block ends, as the program writes positions: an inch program in inches.
void ToProgramUnit(target::Comparison& c, double mmPerUnit) {
    for (target::Deviation& d : c.Deviations)
        d.X /= mmPerUnit, d.Z /= mmPerUnit;
}

} // namespace

CheckReport CheckProgram(const std::u16string& given, const CheckOptions& options,
                         const std::function<void(const TracedSegment&)>& onSegment,
                         const std::vector<motion::Canvas*>& pictures, double pictureWidthPx,
                         double pictureHeightPx) {
    const std::u16string isoText =
        options.Lathe.Iso && options.IsoBlockEnds ? iso::WithBlockEnds(given) : std::u16string();
    const std::u16string& text = isoText.empty() ? given : isoText;
    CheckReport report;
    report.Fanuc = options.Lathe.Fanuc;
    report.Iso = options.Lathe.Iso;
    report.Unit = options.Lathe.Unit;
    CheckHost host(text, report);
    TraceCanvas trace(host, onSegment, pictures);
    motion::View view;
    // The picture is the viewport, at 15 twips a pixel (96 dots an inch).
    view.ViewportWidth = pictureWidthPx * 15;
    view.ViewportHeight = pictureHeightPx * 15;
    // Tool labels as the window places them: a label that would cover another moves along its move.
    view.SpreadToolLabels = true;
    interp::Machine m(view, trace, host);
    host.M = &m;
    host.ProgramPath = options.ProgramPath;
    host.OnBlock = options.OnBlock;
    host.OnStockCut = options.OnStockCut;
    // What the text alone tells: whether it is one the control reads at all.
    struct TextChecks {
        bool NoCrLf = false, Empty = false, NotText = false;
    } textChecks;
    const auto checkText = [&text, &textChecks] {
        textChecks.NoCrLf = NoCrLfLineEnds(text);
        textChecks.Empty = OnlyBlanks(text);
        textChecks.NotText = !textChecks.Empty && NotText(text);
    };
    // Advice watches the same run; it reads the state only.
    std::optional<advice::MarksAhead> marksAhead;
    std::optional<advice::ProgramText> adviceText;
    std::optional<advice::RunAdvisor> advisor;
    if (options.Advice) {
        if (options.SecondCore)
            adviceText.emplace(text, marksAhead.emplace(text)); // marked on the second thread
        else
            adviceText.emplace(text, true, true); // marked as the run goes
        advisor.emplace(*adviceText, [&host](int64_t blockEndPos) { return host.LineOf(blockEndPos); });
        host.Advisor = &*advisor;
    }
    // Helper threads are sent to another core at once, which a sleeping core makes them wait
    // for (a tenth of a millisecond and more), a busy one longer: worth it for a long text.
    constexpr size_t SentFrom = size_t{1} << 18; // characters of text
    const bool sent = text.size() >= SentFrom;
    // Joined before the checks' results are read, and on the way out before what it writes to.
    base::OtherCore aheadPlace;
    std::jthread ahead;
    if (options.SecondCore) {
        // The marks stay off the run's core: let go anywhere, they were now and then moved onto it
        // beside a planning thread, and a long text's run then shared its core with them.
        ahead = std::jthread([&marksAhead, &checkText] {
            if (marksAhead) marksAhead->Produce(); // first: the run waits for its first part
            checkText();
        });
        if (sent) aheadPlace.Send(ahead.native_handle());
    }
    std::optional<stock::Machining> machining;
    std::optional<stock::Setup> cutWith; // with a target: the tools, to sweep them again
    std::vector<stock::Move> moves;
    std::optional<stock::Region> beforeThreads;
    if (options.Stock) {
        stock::Setup setup = stock::WithProgramTools(*options.Stock, text, options.Lathe.Unit == 4);
        if (options.Target || options.KeepCut) cutWith = setup;
        machining.emplace(std::move(setup), stock::Tolerances{}, options.StockStop);
        machining->Applied = options.OnNoseMove;
        // With a target, the moves as the stock took them (the nose compensated) are kept, to
        // find the block behind each deviation, and the section as it stood before the first
        // thread pass, on which the thread's crests are compared and measured.
        if (options.Target || options.KeepCut)
            machining->Applied = [&moves, &beforeThreads, &machining, &cutWith,
                                  nose = options.OnNoseMove](const stock::Move& m) {
                moves.push_back(m);
                if (!beforeThreads && m.Type != stock::Move::Kind::Rapid && m.SpindleRunning) {
                    const auto tool = cutWith->Tools.find(m.Tool);
                    if (tool != cutWith->Tools.end() && tool->second.Type == stock::Tool::Kind::Thread) {
                        std::vector<const stock::Region*> tiles;
                        for (size_t i = 0; i < machining->TileCount(); ++i)
                            tiles.push_back(&machining->TileMaterial(i));
                        beforeThreads = stock::Region::UnionOf(tiles);
                    }
                }
                if (nose) nose(m);
            };
        host.Stock = &*machining;
    }
    std::optional<machine::Watch> machineWatch;
    if (options.Machine) {
        // A thread's run-in ends at the finished face, which the threads follow (Z0 without a stock).
        const double face =
            options.Stock ? options.Stock->Material.FrontZ - options.Stock->Material.FaceAllowance : 0;
        using machine::PlanOn;
        machineWatch.emplace(*options.Machine, face, options.MachineRecording,
                             !options.SecondCore ? PlanOn::Run
                             : sent              ? PlanOn::OtherCore
                                                 : PlanOn::Thread);
        host.MachineWatch = &*machineWatch;
    }
    interp::MachineState& s = m.S;
    interp::ApplyParameters(s, options.Lathe);
    s.BlockDelete = options.BlockDelete;
    s.WhiteBackground = options.WhiteBackground;
    nav::ApplyBackground(m);
    motion::NextToolColors(m);
    motion::SetStandardView(m);
    if (options.Frame) picture::ShowArea(m.Trace, m.Screen, *options.Frame);

    interp::RunControl run(m);
    s.Replay = true;
    run.Reset();
    run.Start();
    s.Replay = false;

    if (ahead.joinable())
        ahead.join();
    else
        checkText();
    report.NoCrLf = textChecks.NoCrLf;
    report.Empty = textChecks.Empty;
    report.NotText = textChecks.NotText;
    report.Blocks = s.BlockCount;
    // The ISO control ends at an M30 in the last block too; the dialects read no end there.
    report.ProgramEnd = (s.RunState == interp::RunEndM02 || s.RunState == interp::RunEndM30) &&
                        (s.BlockEndPos != 0 || (options.Lathe.Iso && options.IsoBlockEnds));
    report.CuttingTime = s.CuttingTime;
    report.FinalX = s.LastX;
    report.FinalZ = s.LastZ;
    report.Visible = picture::VisibleArea(m.Trace, m.Screen);
    report.Mapping = picture::RulerMapping{s.Vertical, s.XSign};
    if (advisor) {
        advisor->RunEnded();
        report.Advice =
            advice::Merge(advice::TextFindings(*adviceText, options.Lathe.Iso), advisor->Findings());
    }
    if (machineWatch) report.Machine = machineWatch->Finish([&host](int64_t at) { return host.LineOf(at); });
    if (machining) {
        report.Stock = machining->Finish();
        if (!report.Stock->Failure.empty()) {
            report.StockError = std::move(report.Stock->Failure);
            report.Stock.reset();
        }
    }
    if (report.Stock) {
        // Positions as the program writes them: an inch program in inches.
        const double mmPerUnit = options.Lathe.Unit == 4 ? 25.4 : 1;
        for (stock::Finding& f : report.Stock->Findings)
            f.X /= mmPerUnit, f.Z /= mmPerUnit;
        // --- The part on the drawing ---
        if (options.Target) {
            // A drawing's threads are compared at their crests, not as the grooves the section
            // shows (a program's own section in --diff has no drawn pieces: compared as it is).
            const target::ThreadCuts threads{report.Stock->ThreadZones,
                                             beforeThreads.value_or(stock::Region{})};
            const bool drawing = !options.Target->Pieces.empty();
            stock::Region compared = report.Stock->Part;
            if (drawing && !threads.Zones.empty()) {
                // The crests as far as the drawn part goes: a drawing of the thread's root (a
                // program's own profile) is compared with the root, one of its crests with them.
                const target::TargetOptions& o = options.Target->Options;
                const stock::Region drawn =
                    o.Allowance > 0 ? options.Target->Section.Offset(o.Allowance) : options.Target->Section;
                compared = target::WithThreadCrests(report.Stock->Part, threads, &drawn);
            }
            report.Target = target::Compare(compared, *options.Target, options.Target->Options, &moves,
                                            cutWith ? &*cutWith : nullptr);
            if (drawing)
                report.Target->Inspection =
                    target::InspectionOf(report.Stock->Part, *options.Target, threads);
            ToProgramUnit(*report.Target, mmPerUnit);
        }
        if (options.KeepCut)
            report.Cut = std::make_shared<const CutRecord>(
                CutRecord{std::move(moves), std::move(*cutWith), mmPerUnit});
    }
    CollectFindings(report);
    return report;
}

void CompareCut(CheckReport& report, const target::Target& drawn) {
    if (!report.Stock || !report.Cut) return;
    report.Target =
        target::Compare(report.Stock->Part, drawn, drawn.Options, &report.Cut->Moves, &report.Cut->CutWith);
    ToProgramUnit(*report.Target, report.Cut->MmPerUnit);
    CollectFindings(report);
}

} // namespace check
