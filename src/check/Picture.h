#pragma once
// Pictures of a checked program: the whole path in the standard view of the checker's limits,
// on a white background in the path colours of the trace, as an operator would see it in the
// window's viewport.

#include "check/Checker.h"
#include "base/Canvas.h"

#include <functional>
#include <optional>
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
    motion::Canvas& Sync();
    motion::Canvas& Inner;
    float NVLZ; // the standard view sits |NVLZ| twips further right
    // The inner scale worked out for the canvas scale and size in ScaleKey.
    bool ScaleKnown = false;
    double ScaleKey[6] = {}, InnerScale[4] = {};
};

// What the run of a picture also yields, so that the checker runs a program once for its report,
// its trace and its picture: `report`, when given, receives the report of the run (it stays
// empty when the program was not run); `onSegment` receives every path piece.
struct PictureCheck {
    std::optional<CheckReport>* report = nullptr;
    std::function<void(const TracedSegment&)> onSegment;
};

// Checks `text` with a picture canvas and writes the picture to `path`. Returns an empty text,
// or why the picture could not be written. Called by the checker's command line.
std::string WriteSvgPicture(const std::u16string& text, const CheckOptions& options, const std::string& path,
                            const PictureCheck& check = {});
// The PNG writer needs Qt Gui; the checker's program installs it when it is built with Qt
// (EnablePngPictures, PicturePng.h). Without it WritePngPicture reports that.
using PngWriter = std::string (*)(const std::u16string& text, const CheckOptions& options,
                                  const std::string& path, const PictureCheck& check);
void SetPngWriter(PngWriter writer);
std::string WritePngPicture(const std::u16string& text, const CheckOptions& options, const std::string& path,
                            const PictureCheck& check = {});

} // namespace check
