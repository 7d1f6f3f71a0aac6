// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImageCanvas.h"

#include "PixelLines.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace render {

namespace {

constexpr double TwoPi = 6.283185307179586;

bool Finite(double a, double b) {
    return std::isfinite(a) && std::isfinite(b);
}

} // namespace

unsigned ToRgb(int32_t color) {
    uint32_t c = static_cast<uint32_t>(color);
    if (c & 0x80000000u) c = 0x808080; // system colours: button shadow grey
    const unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

namespace {

// A channel's share of light. Asked for every piece drawn on black: the 256 answers are worked
// out once.
double Linear(unsigned channel) {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (unsigned k = 0; k < 256; ++k) {
            const double c = k / 255.0;
            t[k] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table[channel & 0xFF];
}

unsigned Mix(unsigned rgb, double towardsWhite) {
    auto mix = [towardsWhite](unsigned c) {
        return static_cast<unsigned>(std::lround(c + (255.0 - c) * towardsWhite));
    };
    const unsigned r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return 0xFF000000u | (mix(r) << 16) | (mix(g) << 8) | mix(b);
}

} // namespace

double ContrastWithBlack(unsigned rgb) {
    const double l = 0.2126 * Linear((rgb >> 16) & 0xFF) + 0.7152 * Linear((rgb >> 8) & 0xFF) +
                     0.0722 * Linear(rgb & 0xFF);
    return (l + 0.05) / 0.05;
}

unsigned ReadableOnBlack(unsigned rgb) {
    // Asked for every piece drawn, mostly for one of a few colours (the tools', rapid and feed):
    // the last answers are kept (per thread, as the drawing thread and the window's ask apart).
    constexpr size_t Kept = 8;
    thread_local std::array<unsigned, Kept> asked{}, answers{};
    thread_local size_t next = 0;
    for (size_t k = 0; k < Kept; ++k)
        if (asked[k] == rgb && rgb != 0) return answers[k];
    constexpr double Least = 3.0;
    unsigned answer = rgb | 0xFF000000u;
    if (ContrastWithBlack(rgb) < Least) {
        // The smallest share of white that reaches the contrast, found by halving.
        double low = 0, high = 1;
        for (int i = 0; i < 20; ++i) {
            const double mid = (low + high) / 2;
            (ContrastWithBlack(Mix(rgb, mid)) >= Least ? high : low) = mid;
        }
        answer = Mix(rgb, high);
    }
    asked[next] = rgb;
    answers[next] = answer;
    next = (next + 1) % Kept;
    return answer;
}

unsigned ImageCanvas::Shown(int32_t color, motion::DrawMode mode) const {
    const unsigned rgb = ToRgb(color);
    // XOR drawing must give back what lay beneath when drawn twice: its colour stays as it is.
    if (!LiftDarkColors || mode != motion::DrawMode::Copy || (ToRgb(BackColor) & 0xFFFFFF) != 0) return rgb;
    return ReadableOnBlack(rgb);
}

void ImageCanvas::SetDevicePixelRatio(double ratio) {
    Ratio = std::isfinite(ratio) && ratio >= 1 ? std::min(ratio, 8.0) : 1;
}

ImageCanvas::ImageCanvas() : Picture(1, 1, QImage::Format_RGB32) {
    Picture.fill(ToRgb(BackColor));
}

// The drawing thread: paints the handed runs and texts in the order they were handed. A queue of
// a few keeps the interpreting thread from waiting for each one.
struct ImageCanvas::Background {
    struct Item {
        Run Primitives;
        std::optional<PendingText> Text; // printed after the run
    };
    using Batch = std::vector<Item>;
    // Items are handed over in batches of about RunLimit primitives: handing over each run
    // would wake the other thread tens of thousands of times.
    static constexpr size_t Depth = 4;
    std::thread Worker;
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<Batch> Queue;
    bool Busy = false, Stop = false;
    Batch Outgoing; // gathered by the interpreting thread, not handed over yet
    size_t OutgoingSize = 0;

    void Add(Item item);
    void Hand();
};

void ImageCanvas::Background::Add(Item item) {
    const Run& r = item.Primitives;
    OutgoingSize += r.Lines[0].size() + r.Lines[1].size() + r.Arcs.size() + r.Pixels.size() + 1;
    Outgoing.push_back(std::move(item));
    if (OutgoingSize >= RunLimit) Hand();
}

void ImageCanvas::Background::Hand() {
    if (Outgoing.empty()) return;
    std::unique_lock<std::mutex> lock(Lock);
    Changed.wait(lock, [this] { return Queue.size() < Depth; });
    Queue.push_back(std::move(Outgoing));
    Outgoing = Batch{};
    OutgoingSize = 0;
    Changed.notify_all();
}

ImageCanvas::~ImageCanvas() {
    DrawInBackground(false);
    EndPainting();
}

void ImageCanvas::DrawInBackground(bool on) {
    if (on == static_cast<bool>(Behind)) return;
    if (!on) {
        Settle();
        {
            std::lock_guard<std::mutex> lock(Behind->Lock);
            Behind->Stop = true;
        }
        Behind->Changed.notify_all();
        Behind->Worker.join();
        Behind.reset();
        return;
    }
    Behind = std::make_unique<Background>();
    Background& b = *Behind;
    b.Worker = std::thread([this, &b] {
        std::unique_lock<std::mutex> lock(b.Lock);
        for (;;) {
            b.Changed.wait(lock, [&b] { return !b.Queue.empty() || b.Stop; });
            if (b.Queue.empty()) return;
            Background::Batch batch = std::move(b.Queue.front());
            b.Queue.pop_front();
            b.Busy = true;
            b.Changed.notify_all();
            lock.unlock();
            for (Background::Item& item : batch) {
                Paint(item.Primitives);
                if (item.Text) Paint(*item.Text);
            }
            lock.lock();
            b.Busy = false;
            b.Changed.notify_all();
        }
    });
}

void ImageCanvas::Settle() {
    if (!Behind) return;
    Behind->Hand();
    std::unique_lock<std::mutex> lock(Behind->Lock);
    Behind->Changed.wait(lock, [this] { return Behind->Queue.empty() && !Behind->Busy; });
}

namespace {

// Sans-serif face at the point size, in pixels at 96 per inch.
const QFont& FaceOf(std::unique_ptr<QFont>& font, double& fontSize, double pointSize) {
    if (!font || fontSize != pointSize) {
        font = std::make_unique<QFont>(QStringLiteral("DejaVu Sans"));
        font->setStyleHint(QFont::SansSerif);
        font->setPixelSize(std::max(1, static_cast<int>(std::lround(pointSize * 96.0 / 72.0))));
        fontSize = pointSize;
    }
    return *font;
}

} // namespace

const QFont& ImageCanvas::FontOf(double pointSize) {
    return FaceOf(Font, FontPointSize, pointSize);
}

const QFont& ImageCanvas::MeasuringFontOf(double pointSize) {
    return FaceOf(MeasuringFont, MeasuringPointSize, pointSize);
}

void ImageCanvas::Resize(double widthTwips, double heightTwips) {
    ForgetRun(); // the picture starts anew
    Settle();
    EndPainting();
    Canvas::Resize(widthTwips, heightTwips);
    const int w = std::max(1, static_cast<int>(std::lround(widthTwips / TwipsPerPixel)));
    const int h = std::max(1, static_cast<int>(std::lround(heightTwips / TwipsPerPixel)));
    const QSize pixels(static_cast<int>(std::lround(w * Ratio)), static_cast<int>(std::lround(h * Ratio)));
    // The same size again (each standard view asks): the picture's memory is kept, its pages
    // already touched, and only painted over.
    if (Picture.size() != pixels) Picture = QImage(pixels, QImage::Format_RGB32);
    // The painter then works in window pixels and draws at the picture's resolution.
    Picture.setDevicePixelRatio(Ratio);
    PictureWidth = w, PictureHeight = h;
    Picture.fill(ToRgb(BackColor));
}

double ImageCanvas::PixelX(double x) const {
    return (x - ScaleLeft) * Width / ScaleWidth / TwipsPerPixel;
}
double ImageCanvas::PixelY(double y) const {
    return (y - ScaleTop) * Height / ScaleHeight / TwipsPerPixel;
}

QPainter& ImageCanvas::Painter() {
    if (!Active) {
        Active = std::make_unique<QPainter>(&Picture);
        Active->setRenderHint(QPainter::Antialiasing, false);
    }
    return *Active;
}

void ImageCanvas::EndPainting() {
    if (Active) Active->end();
    Active.reset();
    PenSet = false;
}

void ImageCanvas::Prepare(int32_t color) {
    Prepare(color, Style, Mode);
}

void ImageCanvas::Prepare(int32_t color, motion::DrawStyle style, motion::DrawMode mode) {
    QPainter& p = Painter();
    if (PenSet && PenColor == color && PenStyle == style && PenMode == mode) return;
    PenSet = true, PenColor = color, PenStyle = style, PenMode = mode;
    QPen pen{QColor::fromRgb(Shown(color, mode))};
    // Cosmetic: one window pixel whatever the transform, as many picture pixels as it covers.
    pen.setCosmetic(true);
    pen.setWidth(Ratio > 1 ? static_cast<int>(std::lround(Ratio)) : 0);
    if (style == motion::DrawStyle::Dot) pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.setCompositionMode(mode == motion::DrawMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                                       : QPainter::CompositionMode_SourceOver);
}

void ImageCanvas::ForgetRun() {
    RunOpen = false;
    Gathering.Lines[0].clear();
    Gathering.Lines[1].clear();
    Gathering.Arcs.clear();
    Gathering.Pixels.clear();
}

bool ImageCanvas::Gather(int32_t color) {
    if (RunOpen && (Gathering.Color != color || Mode != motion::DrawMode::Copy)) DrawRun();
    if (Mode != motion::DrawMode::Copy) return false;
    RunOpen = true;
    Gathering.Color = color;
    return true;
}

void ImageCanvas::DrawRun() {
    if (!RunOpen) return;
    RunOpen = false;
    if (!Behind) {
        Paint(Gathering);
        return;
    }
    Behind->Add({std::move(Gathering), std::nullopt});
    Gathering = Run{};
}

void ImageCanvas::Paint(Run& run) {
    constexpr motion::DrawStyle styles[2] = {motion::DrawStyle::Solid, motion::DrawStyle::Dot};
    for (int k = 0; k < 2; ++k) {
        std::vector<QLineF>& lines = run.Lines[k];
        if (lines.empty()) continue;
        // Window pixels one to one: the lines go straight into the scanlines, as the painter
        // would draw them, at a fraction of its cost per line.
        const PixelRows rows = Ratio == 1 ? RowsOf(Picture) : PixelRows{};
        if (rows.Bits) {
            DrawPixelLines(rows, lines.data(), lines.size(), Shown(run.Color, motion::DrawMode::Copy),
                           styles[k] == motion::DrawStyle::Dot);
        } else {
            Prepare(run.Color, styles[k], motion::DrawMode::Copy);
            Painter().drawLines(lines.data(), static_cast<int>(lines.size()));
        }
        lines.clear();
    }
    for (const PendingArc& arc : run.Arcs) {
        Prepare(run.Color, arc.Style, motion::DrawMode::Copy);
        if (arc.Span == 0)
            Painter().drawEllipse(arc.Box);
        else
            Painter().drawArc(arc.Box, arc.Start, arc.Span);
    }
    run.Arcs.clear();
    const unsigned rgb = Shown(run.Color, motion::DrawMode::Copy);
    // A pixel of the window covers Ratio x Ratio pixels of the picture.
    const int n = std::max(1, static_cast<int>(std::lround(Ratio)));
    const int right = Picture.width(), bottom = Picture.height();
    for (const QPoint& at : run.Pixels)
        for (int dy = 0; dy < n; ++dy)
            for (int dx = 0; dx < n; ++dx) {
                const int x = at.x() * n + dx, y = at.y() * n + dy;
                if (x < right && y < bottom) Picture.setPixel(x, y, rgb);
            }
    run.Pixels.clear();
}

void ImageCanvas::Line(double x1, double y1, double x2, double y2, int32_t color) {
    CurrentX = x2, CurrentY = y2;
    const double px1 = PixelX(x1), py1 = PixelY(y1), px2 = PixelX(x2), py2 = PixelY(y2);
    if (!Finite(px1, py1) || !Finite(px2, py2)) return;
    // Lines far outside the picture are clipped by hand: the raster engine works in integers.
    auto near = [](double x, double y) { return x >= -1e5 && x <= 1e5 && y >= -1e5 && y <= 1e5; };
    if (!near(px1, py1) || !near(px2, py2)) {
        QLineF line(px1, py1, px2, py2);
        const double len = line.length();
        if (len == 0) return;
        // Keep the part of the line near the picture: project the picture's centre on it.
        const QPointF c(PictureWidth / 2.0, PictureHeight / 2.0);
        const QPointF d = (line.p2() - line.p1()) / len;
        const double along = QPointF::dotProduct(c - line.p1(), d);
        const double reach = 4.0 * (PictureWidth + PictureHeight);
        const double a = std::clamp(along - reach, 0.0, len), b = std::clamp(along + reach, 0.0, len);
        if (a >= b) return;
        DrawLine(QLineF(line.p1() + d * a, line.p1() + d * b), color);
        return;
    }
    DrawLine(QLineF(px1, py1, px2, py2), color);
}

void ImageCanvas::DrawLine(const QLineF& line, int32_t color) {
    if (!Gather(color)) {
        Settle();
        Prepare(color);
        Painter().drawLine(line);
        return;
    }
    std::vector<QLineF>& lines = Gathering.Lines[Style == motion::DrawStyle::Dot ? 1 : 0];
    lines.push_back(line);
    if (lines.size() >= RunLimit) DrawRun();
}

void ImageCanvas::PSet(double x, double y, int32_t color) {
    CurrentX = x, CurrentY = y;
    const double px = PixelX(x), py = PixelY(y);
    if (!Finite(px, py)) return;
    const int ix = static_cast<int>(std::floor(px)), iy = static_cast<int>(std::floor(py));
    if (ix < 0 || iy < 0 || ix >= PictureWidth || iy >= PictureHeight) return;
    // Written straight into the image, also while a painter is active: the raster painter
    // draws into the same memory as it goes, and ending it for every pixel costs far more.
    // A single pixel is an opaque overwrite whatever the draw mode, so it always joins a run.
    if (RunOpen && Gathering.Color != color) DrawRun();
    RunOpen = true;
    Gathering.Color = color;
    Gathering.Pixels.emplace_back(ix, iy);
    if (Gathering.Pixels.size() >= RunLimit) DrawRun();
}

void ImageCanvas::Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) {
    const double px = PixelX(cx), py = PixelY(cy);
    const double rx = std::fabs(r * Width / ScaleWidth / TwipsPerPixel);
    const double ry = std::fabs(r * Height / ScaleHeight / TwipsPerPixel);
    if (!Finite(px, py) || !Finite(rx, ry) || rx > 1e6 || ry > 1e6) return;
    const QRectF box(px - rx, py - ry, 2 * rx, 2 * ry);
    int a = 0, s = 0;
    if (!full) {
        // Counter-clockwise on screen from start to end; Qt counts degrees counter-clockwise too.
        double span = std::fmod(end - start, TwoPi);
        if (span < 0) span += TwoPi;
        a = static_cast<int>(std::lround(start * 180 / M_PI * 16));
        s = static_cast<int>(std::lround(span * 180 / M_PI * 16));
        if (s == 0) return;
    }
    if (Gather(color)) {
        Gathering.Arcs.push_back({box, a, s, Style});
        if (Gathering.Arcs.size() >= RunLimit) DrawRun();
        return;
    }
    Settle();
    Prepare(color);
    if (full)
        Painter().drawEllipse(box);
    else
        Painter().drawArc(box, a, s);
}

void ImageCanvas::Print(const std::string& text) {
    const double px = PixelX(CurrentX), py = PixelY(CurrentY);
    if (!Finite(px, py) || std::fabs(px) > 1e6 || std::fabs(py) > 1e6) return;
    DrawRun(); // text is blended over what lies beneath it
    PendingText item{text, px, py, FontSize, ForeColor, Style, Mode};
    if (!Behind) {
        Paint(item);
        return;
    }
    Behind->Add({Run{}, std::move(item)});
}

void ImageCanvas::Paint(const PendingText& item) {
    Prepare(item.Color, item.Style, item.Mode);
    QPainter& p = Painter();
    p.setFont(FontOf(item.FontSize));
    const QFontMetricsF metrics(p.font());
    // The print position is the top-left corner of the text.
    p.drawText(QPointF(item.X, item.Y + metrics.ascent()),
               QString::fromUtf8(item.Text.data(), static_cast<int>(item.Text.size())));
}

double ImageCanvas::TextWidth(const std::string& text) {
    if (AdvancesSize != FontSize || Advances.size() > 4096) {
        Advances.clear();
        AdvancesSize = FontSize;
    }
    auto [at, added] = Advances.try_emplace(text, 0.0);
    if (added) {
        const QFontMetricsF metrics(MeasuringFontOf(FontSize));
        at->second = metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    }
    return at->second * TwipsPerPixel * std::fabs(ScaleWidth) / Width;
}

double ImageCanvas::TextHeight(const std::string&) {
    const QFontMetricsF metrics(MeasuringFontOf(FontSize));
    return metrics.height() * TwipsPerPixel * std::fabs(ScaleHeight) / Height;
}

void ImageCanvas::Cls() {
    ForgetRun(); // cleared away anyway
    Settle();
    EndPainting();
    Picture.fill(ToRgb(BackColor));
    CurrentX = 0, CurrentY = 0;
}

const QImage& ImageCanvas::Image() {
    DrawRun();
    Settle();
    EndPainting();
    return Picture;
}

QImage ImageCanvas::WindowPixels() {
    const QImage& image = Image();
    if (Ratio == 1) return image;
    QImage window =
        image.scaled(PictureWidth, PictureHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    window.setDevicePixelRatio(1);
    return window;
}

} // namespace render
