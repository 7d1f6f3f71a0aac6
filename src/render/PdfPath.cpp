// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/PdfPath.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace render {

namespace {

// Room for a number as written: a sign, ten digits and the point, and the space after it.
constexpr size_t NumberRoom = 16;

// Writes the number at `at` as WritePdfNumber does; returns where it ends.
char* PutNumber(char* at, double value) {
    // Most numbers of a path are whole (drawing units).
    if (value > -2147483648.0 && value < 2147483648.0) {
        const int32_t whole = static_cast<int32_t>(value);
        if (whole == value) {
            at = std::to_chars(at, at + NumberRoom, whole).ptr;
            *at++ = ' ';
            return at;
        }
    }
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<uint32_t>::max()) {
        *at++ = '0', *at++ = ' ';
        return at;
    }
    if (value < 0) *at++ = '-', value = -value;
    double whole = 0;
    const double fraction = std::modf(value, &whole);
    uint32_t integer = static_cast<uint32_t>(whole);
    int digits = static_cast<int>(fraction * 1e9); // nine digits after the point, cut
    if (digits == 1000000000) ++integer, digits = 0;
    const char* start = at;
    at = std::to_chars(at, at + NumberRoom, integer).ptr;
    if (digits) {
        // Nine digits in all: the whole part's digits (but 0) leave fewer after the point.
        const int wholeDigits = integer ? static_cast<int>(at - start) : 0;
        int place = 100000000;
        for (int i = 0; i < wholeDigits; ++i)
            place /= 10, digits /= 10;
        if (digits) {
            *at++ = '.';
            for (; place; place /= 10)
                *at++ = static_cast<char>('0' + digits / place % 10);
        }
    }
    *at++ = ' ';
    return at;
}

// Text put together in a buffer of its own and added to a string some kB at a time: a path is
// millions of short numbers and operators.
class TextWriter {
  public:
    explicit TextWriter(std::string& out) : Out(out) {}
    ~TextWriter() { Out.append(Buffer, End); }
    void Number(double value) {
        Room(NumberRoom);
        End = PutNumber(End, value);
    }
    void Put(const char (&text)[3]) { // an operator and its line end
        Room(2);
        *End++ = text[0], *End++ = text[1];
    }
    void Put(const char (&text)[8]) {
        Room(7);
        End = std::copy_n(text, 7, End);
    }

  private:
    void Room(size_t n) {
        if (End + n > Buffer + sizeof Buffer) Out.append(Buffer, End), End = Buffer;
    }
    std::string& Out;
    char Buffer[16384];
    char* End = Buffer;
};

} // namespace

void PdfPath::MoveTo(PathPoint p) {
    Reopen = false;
    if (!Elements.empty() && Elements.back().Type == Kind::Move)
        MoveLast(p);
    else
        Add(p, Kind::Move);
}

void PdfPath::BeginAfterOutline() {
    if (Elements.empty()) Add({}, Kind::Move);
    if (!Reopen) return;
    Reopen = false;
    Add(Current(), Kind::Move);
}

void PdfPath::LineTo(PathPoint p) {
    BeginAfterOutline();
    if (p == Current()) return;
    Add(p, Kind::Line);
}

void PdfPath::CubicTo(PathPoint c1, PathPoint c2, PathPoint end) {
    BeginAfterOutline();
    if (Current() == c1 && c1 == c2 && c2 == end) return;
    Add(c1, Kind::Curve);
    Add(c2, Kind::CurveData);
    Add(end, Kind::CurveData);
}

void PdfPath::Outline(PathPoint start, const PathPoint* curves) {
    MoveTo(start);
    for (int i = 0; i < 12; i += 3) {
        Add(curves[i], Kind::Curve);
        Add(curves[i + 1], Kind::CurveData);
        Add(curves[i + 2], Kind::CurveData);
    }
    Reopen = true;
}

void PdfPath::Write(std::string& out) const {
    TextWriter text(out);
    // A figure ends where it began: closed ("h"), so that its ends are joined, not capped.
    int start = -1;
    auto close = [&](int last) {
        if (start >= 0 && Elements[start].X == Elements[last].X && Elements[start].Y == Elements[last].Y)
            text.Put("h\n");
    };
    for (int i = 0; i < Count(); ++i) {
        const Element& e = Elements[i];
        if (e.Type == Kind::Move) {
            close(i - 1);
            start = i;
        }
        text.Number(e.X);
        text.Number(e.Y);
        if (e.Type == Kind::Curve && i + 2 < Count()) {
            for (int k = 1; k <= 2; ++k) {
                text.Number(Elements[i + k].X);
                text.Number(Elements[i + k].Y);
            }
            text.Put("c\n");
            i += 2;
        } else {
            text.Put(e.Type == Kind::Move ? "m\n" : "l\n");
        }
    }
    if (!Elements.empty()) close(Count() - 1);
}

void WriteSquares(std::string& out, const std::vector<PathPoint>& corners) {
    TextWriter text(out);
    for (const PathPoint& c : corners) {
        text.Number(c.X);
        text.Number(c.Y);
        text.Put("1 1 re\n");
    }
}

void WritePdfNumber(std::string& out, double value) {
    char text[NumberRoom];
    out.append(text, PutNumber(text, value));
}

} // namespace render
