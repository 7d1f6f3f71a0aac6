#pragma once
// Pictures of a checked program: the whole path in the standard view of the checker's limits,
// on a white background in the path colours of the trace, as an operator would see it in the
// window's viewport.

#include "base/Canvas.h"

#include <memory>
#include <string>

namespace check {

// Picture size in pixels (the viewport of the standard view).
inline constexpr double PictureWidthPx = 1600, PictureHeightPx = 1000;

// A canvas standing for the whole trace canvas that passes on only what the viewport of the
// standard view shows: the inner canvas is the viewport (a quarter of the canvas each way) and
// gets the matching part of the canvas scale before every primitive. The background is white.
class ViewportCanvas : public motion::Canvas {
  public:
    ViewportCanvas(motion::Canvas& inner, float nvlz) : Inner(inner), NVLZ(nvlz) {}

    void Resize(double widthTwips, double heightTwips) override;
    void Line(double x1, double y1, double x2, double y2, int32_t color) override;
    void PSet(double x, double y, int32_t color) override;
    void Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) override;
    void Print(const std::string& text) override;
    double TextWidth(const std::string& text) override;
    double TextHeight(const std::string& text) override;
    void Cls() override;

  private:
    motion::Canvas& Inner;
    motion::Canvas& Sync();
    float NVLZ; // the standard view sits |NVLZ| twips further right
    // The inner scale worked out for the canvas scale and size in ScaleKey.
    bool ScaleKnown = false;
    double ScaleKey[6] = {}, InnerScale[4] = {};
};

// One picture file of a run: the canvas the run draws on, and afterwards the file's bytes.
class Picture {
  public:
    virtual ~Picture() = default;
    // The viewport picture (the inner canvas of a ViewportCanvas).
    virtual motion::Canvas& Canvas() = 0;
    // The finished picture as the bytes of its file. False, with the reason, when it cannot be
    // made.
    virtual bool Encode(std::string& bytes, std::string& why) = 0;
};

using PictureMaker = std::unique_ptr<Picture> (*)();

std::unique_ptr<Picture> MakeSvgPicture();

// The picture formats a checker can write. PNG needs Qt Gui: only the checker's program, built
// with it, provides it (PicturePng.h).
struct PictureFormats {
    PictureMaker Svg = &MakeSvgPicture;
    PictureMaker Png = nullptr;
};

} // namespace check
