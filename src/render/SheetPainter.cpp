// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/SheetPainter.h"

#include "motion/ClipLine.h"
#include "render/ArcCurves.h"
#include "render/ImageCanvas.h"
#include "render/PdfPath.h"
#include "render/PdfSplice.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace render {

namespace {

constexpr double TwoPi = 6.283185307179586;
constexpr double TwipsPerPixel = 15;

QFont FaceOf(double pointSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pointSize * 96.0 / 72.0))));
    font.setBold(bold);
    return font;
}

QColor ColorOf(int32_t color) {
    return QColor::fromRgb(ToRgb(color));
}

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The part of a line inside a box; false when none is (a line far off the page is not painted).
// A line inside it comes out as the clipping computes it (its end from its start and length), at
// a fraction of the clipping's cost: most lines of a page are inside.
bool ClipLine(double& x1, double& y1, double& x2, double& y2, const QRectF& box) {
    const double lo = box.left(), hi = box.right(), top = box.top(), bottom = box.bottom();
    if (x1 >= lo && x1 <= hi && x2 >= lo && x2 <= hi && y1 >= top && y1 <= bottom && y2 >= top &&
        y2 <= bottom) {
        x2 = x1 + (x2 - x1), y2 = y1 + (y2 - y1);
        return true;
    }
    return motion::ClipLine(x1, y1, x2, y2, lo, hi, top, bottom);
}

// std::round (halves away from zero), without a call into the maths library.
double RoundHalfAway(double v) {
    if (!(std::fabs(v) < 4503599627370496.0)) return std::round(v); // 2^52: whole already, or not finite
    const double whole = static_cast<double>(static_cast<int64_t>(v));
    return std::copysign(std::fabs(v - whole) >= 0.5 ? std::fabs(whole) + 1 : std::fabs(whole), v);
}

// Painting handed to a second thread and done there in the order it was handed: the page's
// drawing (the path written out as the page's text) goes on while the program is interpreted.
// The painter is used by one thread at a time: the owner settles the queue before it paints.
class PaintQueue {
  public:
    using Job = std::function<void(QPainter&)>;
    explicit PaintQueue(QPainter& painter) : P(painter), Worker([this] { Run(); }) {}
    ~PaintQueue() {
        Settle();
        {
            std::lock_guard<std::mutex> lock(Lock);
            Stop = true;
        }
        Changed.notify_all();
        Worker.join();
    }
    // `weight`: about how many path elements the job paints; jobs are handed over in batches of
    // some thousands, not one by one (a long program has tens of thousands of colour changes).
    void Add(Job job, size_t weight) {
        Outgoing.push_back(std::move(job));
        OutgoingWeight += weight;
        if (OutgoingWeight >= BatchWeight) Hand();
    }
    // Waits until everything handed over is painted.
    void Settle() {
        Hand();
        std::unique_lock<std::mutex> lock(Lock);
        Changed.wait(lock, [this] { return Queue.empty() && !Busy; });
    }

  private:
    void Hand() {
        if (Outgoing.empty()) return;
        std::unique_lock<std::mutex> lock(Lock);
        Changed.wait(lock, [this] { return Queue.size() < Depth; });
        Queue.push_back(std::move(Outgoing));
        Outgoing = {};
        OutgoingWeight = 0;
        Changed.notify_all();
    }
    void Run() {
        std::unique_lock<std::mutex> lock(Lock);
        for (;;) {
            Changed.wait(lock, [this] { return !Queue.empty() || Stop; });
            if (Queue.empty()) return;
            std::vector<Job> batch = std::move(Queue.front());
            Queue.pop_front();
            Busy = true;
            Changed.notify_all();
            lock.unlock();
            for (const Job& job : batch)
                job(P);
            lock.lock();
            Busy = false;
            Changed.notify_all();
        }
    }

    static constexpr size_t BatchWeight = 8192, Depth = 4;
    QPainter& P;
    std::vector<Job> Outgoing; // gathered by the interpreting thread, not handed over yet
    size_t OutgoingWeight = 0;
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<std::vector<Job>> Queue;
    bool Busy = false, Stop = false;
    std::thread Worker; // last: started when the rest is ready
};

// A viewport pixel in the page's drawing units. The path is written in whole units of 1/64 of a
// pixel (about 4 micrometres on paper): a whole number is written in a few digits where a
// fraction takes nine, and a long program's page is mostly numbers, all of them compressed.
constexpr double UnitsPerPixel = 64;

// The parts of the path written by our own code (PdfPath.h), by their marks' numbers; filled by
// the thread that paints, put into the page by Finish (PdfSplice.h).
using PathParts = std::vector<std::string>;

// The marks that Qt paints in place of a part (PdfSplice.h), in the part's style.
QPainterPath PathMark(size_t part) {
    QPainterPath mark;
    mark.moveTo(static_cast<double>(part), MarkY);
    mark.lineTo(static_cast<double>(part), MarkEndY);
    return mark;
}

QRectF SquaresMark(size_t part) {
    return {static_cast<double>(part), MarkY, MarkSide, MarkSide};
}

// A piece in whole drawing units (a pixel when the end is 0, 0).
struct Piece {
    double X1, Y1, X2, Y2;
    bool operator==(const Piece&) const = default;
};

// The pieces of one part of the path, to find a piece drawn again: open addressing in a table
// that grows with the part and is emptied in one step (a long program's page empties it some
// ten thousand times, and adds millions of pieces).
class PieceSet {
  public:
    // False when the piece is there already.
    bool Insert(const Piece& p) {
        if (2 * (Count + 1) > Slots.size()) Grow();
        for (size_t i = HashOf(p);; ++i) {
            Slot& s = Slots[i & (Slots.size() - 1)];
            if (s.Stamp != Stamp) {
                s = {p, Stamp};
                ++Count;
                return true;
            }
            if (s.Held == p) return false;
        }
    }
    void Clear() {
        Count = 0;
        if (++Stamp != 0) return;
        for (Slot& s : Slots) // the stamps went round: no slot may look filled
            s.Stamp = 0;
        Stamp = 1;
    }

  private:
    struct Slot {
        Piece Held;
        uint32_t Stamp = 0; // filled when it is the set's stamp
    };
    static size_t HashOf(const Piece& p) {
        // Whole numbers of a size that fits (the piece's ends are on the page); a double's low
        // bits would be zeros.
        uint64_t h = 0;
        for (double v : {p.X1, p.Y1, p.X2, p.Y2})
            h = (h + static_cast<uint64_t>(static_cast<int64_t>(v))) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 31;
        h *= 0xBF58476D1CE4E5B9ull;
        return static_cast<size_t>(h ^ (h >> 29));
    }
    void Grow() {
        std::vector<Slot> old(std::max<size_t>(1024, 2 * Slots.size()));
        old.swap(Slots);
        const uint32_t stamp = Stamp;
        Stamp = 1;
        Count = 0;
        for (const Slot& s : old)
            if (s.Stamp == stamp) Insert(s.Held);
    }

    std::vector<Slot> Slots;
    uint32_t Stamp = 1;
    size_t Count = 0;
};

// The viewport painted in vectors on a page: pieces of one colour are gathered into one path per
// style (they overwrite in one colour, so their order within the colour does not matter) and
// painted when another colour or a text comes. Within a path a piece drawn again adds nothing
// (one path is stroked as one outline), and a piece going on straight in the same direction
// lengthens the piece before it. Qt paints the style and place of each path; its operators are
// ours (a long program's page is millions of them).
class PainterCanvas final : public motion::Canvas {
  public:
    PainterCanvas(QPainter& painter, const QRectF& place, PathParts& parts)
        : P(painter), Place(place), Parts(parts) {}

    void Line(double x1, double y1, double x2, double y2, int32_t color) override {
        CurrentX = x2, CurrentY = y2;
        double ax = PixelX(x1), ay = PixelY(y1), bx = PixelX(x2), by = PixelY(y2);
        if (!std::isfinite(ax + ay + bx + by)) return;
        if (!ClipLine(ax, ay, bx, by, QRectF(-2, -2, Place.width() + 4, Place.height() + 4))) return;
        const Piece piece{Unit(ax), Unit(ay), Unit(bx), Unit(by)};
        const int k = Style == motion::DrawStyle::Dot ? 1 : 0;
        PdfPath& path = PathOf(color);
        // A dotted piece drawn again may fill the gaps between the dots: it stays.
        if (k == 0 && !Drawn.Insert(piece)) return;
        const PathPoint from{piece.X1, piece.Y1}, to{piece.X2, piece.Y2};
        const int n = path.Count();
        if (n == 0 || path.Current() != from) {
            path.MoveTo(from);
        } else if (n >= 2 && path.IsLine(n - 1)) {
            const PathPoint before = path.At(n - 2);
            const double ax = from.X - before.X, ay = from.Y - before.Y;
            const double bx = to.X - from.X, by = to.Y - from.Y;
            // Whole units: the test is exact.
            if (ax * by == ay * bx && ax * bx + ay * by > 0) {
                path.MoveLast(to);
                return;
            }
        }
        path.LineTo(to);
    }
    void PSet(double x, double y, int32_t color) override {
        CurrentX = x, CurrentY = y;
        const double px = std::floor(PixelX(x)), py = std::floor(PixelY(y));
        if (!(px >= 0 && py >= 0 && px < Place.width() && py < Place.height())) return;
        PathOf(color);
        if (!DrawnPixels.Insert(Piece{px, py, 0, 0})) return;
        Pixels.push_back({px, py});
    }
    void Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) override {
        const double px = PixelX(cx), py = PixelY(cy);
        const double rx = std::fabs(r * Width / ScaleWidth / TwipsPerPixel);
        const double ry = std::fabs(r * Height / ScaleHeight / TwipsPerPixel);
        if (!std::isfinite(px + py + rx + ry) || rx > 1e6 || ry > 1e6) return;
        const QRectF box(px - rx, py - ry, 2 * rx, 2 * ry);
        if (!box.intersects(QRectF(-2, -2, Place.width() + 4, Place.height() + 4))) return;
        const QRectF units(box.x() * UnitsPerPixel, box.y() * UnitsPerPixel, box.width() * UnitsPerPixel,
                           box.height() * UnitsPerPixel);
        PdfPath& path = PathOf(color);
        if (full) {
            QPainterPath ellipse;
            ellipse.addEllipse(units);
            if (ellipse.elementCount() != 13) return; // none of no size
            PathPoint curves[12];
            for (int i = 0; i < 12; ++i)
                curves[i] = Rounded(ellipse.elementAt(i + 1));
            path.Outline(Rounded(ellipse.elementAt(0)), curves);
            return;
        }
        double span = std::fmod(end - start, TwoPi);
        if (span < 0) span += TwoPi;
        // The arc's pieces in whole units. A piece that rounds to nothing is left out (the path
        // adds no curve that ends where it starts): a small arc split at the quarter turns leaves
        // a sliver of a turn that would be written as one more curve of one point.
        const ArcCurves arc = CurvesOfArc(units.x(), units.y(), units.width(), units.height(),
                                          start * 360 / TwoPi, span * 360 / TwoPi);
        path.MoveTo(Rounded(arc.Start));
        if (arc.Line) path.LineTo(Rounded(arc.LineEnd));
        for (int i = 0; i < arc.Points; i += 3)
            path.CubicTo(Rounded(arc.Curves[i]), Rounded(arc.Curves[i + 1]), Rounded(arc.Curves[i + 2]));
    }
    void Print(const std::string& text) override {
        const double px = PixelX(CurrentX), py = PixelY(CurrentY);
        if (!std::isfinite(px + py) || std::fabs(px) > 1e6 || std::fabs(py) > 1e6) return;
        Flush();
        Do(
            [px, py, text, corner = Place.topLeft(), size = FontSize, color = ForeColor,
             &face = Printing](QPainter& p) {
                if (face.Size != size) face = {size, FaceOf(size, false)};
                p.setFont(face.Font);
                p.setPen(ColorOf(color));
                p.drawText(corner + QPointF(px, py + face.Ascent), Utf8(text));
            },
            1);
    }
    double TextWidth(const std::string& text) override {
        // A long program measures the same few labels thousands of times.
        Metrics& m = MetricsOf(FontSize);
        const auto [at, added] = m.Widths.try_emplace(text, 0.0);
        if (added) at->second = m.Measure.horizontalAdvance(Utf8(text));
        return at->second * TwipsPerPixel * std::fabs(ScaleWidth) / Width;
    }
    double TextHeight(const std::string&) override {
        return MetricsOf(FontSize).Measure.height() * TwipsPerPixel * std::fabs(ScaleHeight) / Height;
    }
    void Cls() override {
        // A page keeps what was painted on it: the background is painted over it.
        Clear();
        Gathering = false;
        Do([place = Place, back = BackColor](QPainter& p) { p.fillRect(place, ColorOf(back)); }, 1);
        CurrentX = 0, CurrentY = 0;
    }
    void Flush() {
        if (!Gathering) return;
        Gathering = false;
        const size_t weight = static_cast<size_t>(Paths[0].Count() + Paths[1].Count()) + Pixels.size() + 1;
        Do(
            [solid = std::move(Paths[0]), dotted = std::move(Paths[1]), pixels = std::move(Pixels),
             color = Color, place = Place, &parts = Parts](QPainter& p) {
                p.save();
                p.setClipRect(place);
                p.translate(place.topLeft());
                p.scale(1 / UnitsPerPixel, 1 / UnitsPerPixel);
                p.setBrush(Qt::NoBrush);
                const PdfPath* paths[2] = {&solid, &dotted};
                for (int k = 0; k < 2; ++k) {
                    if (paths[k]->Empty()) continue;
                    QPen pen(ColorOf(color), UnitsPerPixel);
                    if (k) pen.setDashPattern({1, 2});
                    p.setPen(pen);
                    p.drawPath(PathMark(parts.size()));
                    std::string& text = parts.emplace_back();
                    text.reserve(static_cast<size_t>(paths[k]->Count()) * 16);
                    paths[k]->Write(text);
                }
                if (!pixels.empty()) {
                    // One fill of all the end pixels, not one fill (and one colour) each; in
                    // whole pixels, the fewest digits for the same squares.
                    p.scale(UnitsPerPixel, UnitsPerPixel);
                    p.setPen(Qt::NoPen);
                    p.setBrush(ColorOf(color));
                    const QRectF mark = SquaresMark(parts.size());
                    p.drawRects(&mark, 1);
                    std::string& text = parts.emplace_back();
                    text.reserve(pixels.size() * 16);
                    WriteSquares(text, pixels);
                }
                p.restore();
            },
            weight);
        Clear();
    }
    // Paints on the page at once, or on the painting thread when there is one.
    void Do(PaintQueue::Job job, size_t weight) {
        if (Behind)
            Behind->Add(std::move(job), weight);
        else
            job(P);
    }
    PaintQueue* Behind = nullptr; // the painting thread, when painting in the background

  private:
    double PixelX(double x) const { return (x - ScaleLeft) * Width / ScaleWidth / TwipsPerPixel; }
    double PixelY(double y) const { return (y - ScaleTop) * Height / ScaleHeight / TwipsPerPixel; }
    static double Unit(double pixels) { return RoundHalfAway(pixels * UnitsPerPixel); }
    static PathPoint Rounded(const QPainterPath::Element& e) { return {std::round(e.x), std::round(e.y)}; }
    static PathPoint Rounded(PathPoint p) { return {std::round(p.X), std::round(p.Y)}; }
    void Clear() {
        Paths[0] = Paths[1] = PdfPath();
        Drawn.Clear();
        Pixels.clear();
        DrawnPixels.Clear();
    }
    PdfPath& PathOf(int32_t color) {
        // A long program's path is painted in parts of a few thousand elements, each stroked by
        // itself (where the parts overlap, their edges are painted twice).
        if (Gathering && (Color != color ||
                          Paths[0].Count() + Paths[1].Count() + static_cast<int>(Pixels.size()) >= PartLimit))
            Flush();
        Gathering = true;
        Color = color;
        return Paths[Style == motion::DrawStyle::Dot ? 1 : 0];
    }

    // The font of one size and the widths of the texts measured in it, in pixels.
    struct Metrics {
        explicit Metrics(double size) : Size(size), Measure(FaceOf(size, false)) {}
        double Size;
        QFontMetricsF Measure;
        std::unordered_map<std::string, double> Widths;
    };
    Metrics& MetricsOf(double size) {
        if (!Measured || Measured->Size != size) Measured = std::make_unique<Metrics>(size);
        return *Measured;
    }

    // The face texts are painted in, of the last size painted; the painting thread's own.
    struct Face {
        Face() = default;
        Face(double size, const QFont& font) : Size(size), Font(font), Ascent(QFontMetricsF(font).ascent()) {}
        double Size = -1;
        QFont Font;
        double Ascent = 0;
    };

    static constexpr int PartLimit = 4096;
    QPainter& P;
    QRectF Place; // the viewport on the page
    bool Gathering = false;
    int32_t Color = 0;
    PathParts& Parts;                  // written by the painting thread
    PdfPath Paths[2];                  // solid, dotted; in drawing units
    std::unique_ptr<Metrics> Measured; // of the last font size measured
    Face Printing;
    PieceSet Drawn;                // the solid pieces
    std::vector<PathPoint> Pixels; // top left corners, in viewport pixels
    PieceSet DrawnPixels;
};

} // namespace

void PainterOverlay::Fill(const picture::Rect& r, int32_t color) {
    P.fillRect(QRectF(r.X, r.Y, r.W, r.H), ColorOf(color));
}

void PainterOverlay::Line(double x1, double y1, double x2, double y2, int32_t color) {
    P.setPen(QPen(ColorOf(color), 1));
    P.drawLine(QLineF(x1, y1, x2, y2));
}

void PainterOverlay::Text(double x, double y, const std::string& text, double pointSize, int32_t color,
                          picture::Anchor anchor, bool bold) {
    const QFont font = FaceOf(pointSize, bold);
    const QFontMetricsF metrics(font);
    const QString s = Utf8(text);
    const double width = metrics.horizontalAdvance(s);
    const double left = anchor == picture::Anchor::Start    ? x
                        : anchor == picture::Anchor::Middle ? x - width / 2
                                                            : x - width;
    P.setFont(font);
    P.setPen(ColorOf(color));
    P.drawText(QPointF(left, y + metrics.ascent()), s);
}

double PainterOverlay::TextWidth(const std::string& text, double pointSize, bool bold) {
    return QFontMetricsF(FaceOf(pointSize, bold)).horizontalAdvance(Utf8(text));
}

QImage ComposeSheet(const QImage& viewport, const picture::SheetContent& sheet) {
    const picture::SheetLayout& l = sheet.Layout;
    if (l.Plain()) return viewport;
    QImage page(static_cast<int>(l.Page.W), static_cast<int>(l.Page.H), QImage::Format_RGB32);
    page.fill(ColorOf(picture::SheetBack(sheet.Options)));
    QPainter p(&page);
    p.drawImage(QPointF(l.Viewport.X, l.Viewport.Y), viewport);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    PainterOverlay overlay(p);
    picture::DrawSheet(overlay, sheet);
    p.end();
    return page;
}

struct PdfSheet::Page {
    QByteArray Bytes;
    QBuffer Buffer{&Bytes};
    std::unique_ptr<QPdfWriter> Writer;
    std::unique_ptr<QPainter> Painter;
    std::unique_ptr<PainterCanvas> Viewport;
    QRectF Place; // the viewport on the page
    PathParts Parts;
    std::unique_ptr<PaintQueue> Behind;

    // Everything drawn on the viewport so far painted on the page, by this thread from now on.
    void Settle() {
        Viewport->Flush();
        if (Behind) Behind->Settle();
    }
};

PdfSheet::PdfSheet(const picture::SheetLayout& l) : P(std::make_unique<Page>()) {
    P->Buffer.open(QIODevice::WriteOnly);
    P->Writer = std::make_unique<QPdfWriter>(&P->Buffer);
    P->Writer->setResolution(96);
    P->Writer->setCreator(QStringLiteral("zarvik-check"));
    // The page is the sheet itself, 96 pixels an inch.
    P->Writer->setPageSize(QPageSize(QSizeF(l.Page.W * 72 / 96, l.Page.H * 72 / 96), QPageSize::Point,
                                     QString(), QPageSize::ExactMatch));
    P->Writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    P->Painter = std::make_unique<QPainter>(P->Writer.get());
    P->Place = QRectF(l.Viewport.X, l.Viewport.Y, l.Viewport.W, l.Viewport.H);
    P->Viewport = std::make_unique<PainterCanvas>(*P->Painter, P->Place, P->Parts);
}

PdfSheet::~PdfSheet() {
    P->Viewport->Behind = nullptr;
    P->Behind.reset();
    if (P->Painter && P->Painter->isActive()) P->Painter->end();
}

void PdfSheet::PaintInBackground(bool on) {
    if (on == static_cast<bool>(P->Behind) || !P->Painter->isActive()) return;
    P->Settle();
    P->Viewport->Behind = nullptr;
    P->Behind.reset();
    if (!on) return;
    P->Behind = std::make_unique<PaintQueue>(*P->Painter);
    P->Viewport->Behind = P->Behind.get();
}

motion::Canvas& PdfSheet::Canvas() {
    return *P->Viewport;
}

void PdfSheet::PaintOverViewport(const std::function<void(QPainter&)>& paint) {
    QPainter& p = *P->Painter;
    if (!p.isActive()) return;
    P->Settle();
    p.save();
    p.setClipRect(P->Place);
    p.translate(P->Place.topLeft());
    paint(p);
    p.restore();
}

bool PdfSheet::Finish(const picture::SheetContent& sheet, std::string& bytes, std::string& why) {
    QPainter& p = *P->Painter;
    if (!p.isActive()) {
        why = "the PDF page could not be painted";
        return false;
    }
    P->Settle();
    PainterOverlay overlay(p);
    picture::DrawSheet(overlay, sheet);
    if (!p.end()) {
        why = "the PDF page could not be painted";
        return false;
    }
    // Qt's page with the path's parts in the places of their marks.
    const std::string page(P->Bytes.constData(), static_cast<size_t>(P->Bytes.size()));
    P->Bytes.clear();
    const bool spliced = SpliceParts(page, P->Parts, bytes, why);
    P->Parts.clear();
    if (spliced && !bytes.empty()) return true;
    why = "the PDF page could not be made" + (why.empty() ? std::string() : ": " + why);
    return false;
}

} // namespace render
