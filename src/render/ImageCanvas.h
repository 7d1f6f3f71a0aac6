// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The trace canvas as an image: path lines crisp (no antialiasing), dotted rapids as single-pixel
// dots, text in a real sans-serif face. Text needs a QGuiApplication; lines and arcs do not.

#include "base/Canvas.h"

#include <QImage>
#include <QLineF>
#include <QPoint>
#include <QRectF>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class QFont;
class QPainter;

namespace render {

class ImageCanvas : public motion::Canvas {
  public:
    static constexpr double TwipsPerPixel = 15; // 96 pixels per inch

    ImageCanvas();
    ~ImageCanvas() override;

    // Sizes the image to the window size (twips) and clears it to BackColor.
    void Resize(double widthTwips, double heightTwips) override;

    void Line(double x1, double y1, double x2, double y2, int32_t color) override;
    void PSet(double x, double y, int32_t color) override;
    void Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) override;
    void Print(const std::string& text) override;
    double TextWidth(const std::string& text) override;
    double TextHeight(const std::string& text) override;
    void Cls() override;

    // The picture as drawn so far.
    const QImage& Image();
    // The same with one pixel per window pixel, as the print and screen-copy composition counts.
    QImage WindowPixels();

    // Draws the gathered runs on a second thread while the caller goes on interpreting (the
    // checker's pictures); off by default. The picture is the same either way.
    void DrawInBackground(bool on);

    // The window lightens, on a black picture, the colours that would hardly show on it
    // (ReadableOnBlack); the checker's pictures keep the colours as drawn. Off by default.
    bool LiftDarkColors = false;

    // Device pixels per pixel of the window (2 on a screen scaled twice): the picture is made
    // at the screen's own resolution while every size and position stays in window pixels.
    // Takes effect at the next Resize.
    void SetDevicePixelRatio(double ratio);
    double DevicePixelRatio() const { return Ratio; }

    // Pixel position of a point in user units.
    double PixelX(double x) const;
    double PixelY(double y) const;

  private:
    // The run: lines, arcs and pixels of one colour in copy mode, not drawn yet. Each is an
    // opaque overwrite in that one colour, so they give the same pixels in any order; drawn
    // together they need one pen change per style and one call per kind. The run is drawn when
    // another colour or XOR mode comes, before text, and before the picture is read.
    struct PendingArc {
        QRectF Box;
        int Start, Span; // 1/16 degree; Span 0 = the full ellipse
        motion::DrawStyle Style;
    };
    struct Run {
        int32_t Color = 0;
        std::vector<QLineF> Lines[2]; // solid, dotted
        std::vector<PendingArc> Arcs;
        std::vector<QPoint> Pixels;
    };
    static constexpr size_t RunLimit = 4096; // a run is drawn at the latest at this many of a kind
    // Text at a pixel position, with the pen it is printed with.
    struct PendingText {
        std::string Text;
        double X, Y, FontSize;
        int32_t Color;
        motion::DrawStyle Style;
        motion::DrawMode Mode;
    };
    struct Background;

    QPainter& Painter();
    void EndPainting();
    void Prepare(int32_t color);
    void Prepare(int32_t color, motion::DrawStyle style, motion::DrawMode mode);
    const QFont& FontOf(double pointSize);
    // The same face for measuring on the interpreting thread, which so never waits for the
    // drawing thread.
    const QFont& MeasuringFontOf(double pointSize);
    // Opens a run of `color` (drawing what another colour left pending); false in XOR mode,
    // where the primitive is drawn at once.
    bool Gather(int32_t color);
    void DrawRun();
    void ForgetRun();
    void DrawLine(const QLineF& line, int32_t color);
    void Paint(Run& run);
    void Paint(const PendingText& text);
    // Waits until the drawing thread has drawn everything handed to it; called before this
    // thread touches the picture or the painter itself.
    void Settle();

    // The colour a primitive is painted in, 0xAARRGGBB.
    unsigned Shown(int32_t color, motion::DrawMode mode) const;

    QImage Picture;
    double Ratio = 1;
    int PictureWidth = 1, PictureHeight = 1; // its size, read without touching it
    std::unique_ptr<QPainter> Active;
    // The pen the active painter holds, so that a run of primitives in one colour, style and
    // mode sets it once.
    bool PenSet = false;
    int32_t PenColor = 0;
    motion::DrawStyle PenStyle = motion::DrawStyle::Solid;
    motion::DrawMode PenMode = motion::DrawMode::Copy;
    // The face of the last point size asked for.
    std::unique_ptr<QFont> Font, MeasuringFont;
    double FontPointSize = 0, MeasuringPointSize = 0;
    // Widths in pixels of texts measured at AdvancesSize: a long program prints the same few
    // tool labels thousands of times, and shaping each anew is a good part of a re-run.
    std::unordered_map<std::string, double> Advances;
    double AdvancesSize = -1;
    bool RunOpen = false;
    Run Gathering;
    std::unique_ptr<Background> Behind; // the drawing thread, when drawing in the background
};

// &HBBGGRR (or a system colour) as a Qt colour value 0xAARRGGBB.
unsigned ToRgb(int32_t color);

// Contrast ratio of a colour (0xAARRGGBB) against black, 1 to 21, from its relative luminance
// as screen guidelines for text define it.
double ContrastWithBlack(unsigned rgb);
// The colour itself when its contrast against black is at least 3:1, the least that lines and
// large text need to be seen; otherwise mixed with white just enough to reach it (the blue of the
// tool colours becomes a light blue, its hue kept).
unsigned ReadableOnBlack(unsigned rgb);

} // namespace render
