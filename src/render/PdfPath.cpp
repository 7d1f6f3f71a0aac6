#include "render/PdfPath.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace render {

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
    // A figure ends where it began: closed ("h"), so that its ends are joined, not capped.
    int start = -1;
    auto close = [&](int last) {
        if (start >= 0 && Elements[start].X == Elements[last].X && Elements[start].Y == Elements[last].Y)
            out += "h\n";
    };
    for (int i = 0; i < Count(); ++i) {
        const Element& e = Elements[i];
        if (e.Type == Kind::Move) {
            close(i - 1);
            start = i;
        }
        WritePdfNumber(out, e.X);
        WritePdfNumber(out, e.Y);
        if (e.Type == Kind::Curve && i + 2 < Count()) {
            for (int k = 1; k <= 2; ++k) {
                WritePdfNumber(out, Elements[i + k].X);
                WritePdfNumber(out, Elements[i + k].Y);
            }
            out += "c\n";
            i += 2;
        } else {
            out += e.Type == Kind::Move ? "m\n" : "l\n";
        }
    }
    if (!Elements.empty()) close(Count() - 1);
}

void WriteSquares(std::string& out, const std::vector<PathPoint>& corners) {
    for (const PathPoint& c : corners) {
        WritePdfNumber(out, c.X);
        WritePdfNumber(out, c.Y);
        out += "1 1 re\n";
    }
}

void WritePdfNumber(std::string& out, double value) {
    char text[32];
    char* end = text;
    // Most numbers of a path are whole (drawing units).
    if (value > -2147483648.0 && value < 2147483648.0) {
        const int32_t whole = static_cast<int32_t>(value);
        if (whole == value) {
            end = std::to_chars(text, text + sizeof text, whole).ptr;
            *end++ = ' ';
            out.append(text, end);
            return;
        }
    }
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<uint32_t>::max()) {
        out += "0 ";
        return;
    }
    if (value < 0) *end++ = '-', value = -value;
    double whole = 0;
    const double fraction = std::modf(value, &whole);
    uint32_t integer = static_cast<uint32_t>(whole);
    int digits = static_cast<int>(fraction * 1e9); // nine digits after the point, cut
    if (digits == 1000000000) ++integer, digits = 0;
    const char* start = end;
    end = std::to_chars(end, text + sizeof text, integer).ptr;
    if (digits) {
        // Nine digits in all: the whole part's digits (but 0) leave fewer after the point.
        const int wholeDigits = integer ? static_cast<int>(end - start) : 0;
        int place = 100000000;
        for (int i = 0; i < wholeDigits; ++i)
            place /= 10, digits /= 10;
        if (digits) {
            *end++ = '.';
            for (; place; place /= 10)
                *end++ = static_cast<char>('0' + digits / place % 10);
        }
    }
    *end++ = ' ';
    out.append(text, end);
}

} // namespace render
