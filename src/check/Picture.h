// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures of a checked program: the path in the standard view of the checker's limits (or
// framed on the path), on the window's background in the path colours of the trace, as an
// operator would see it in the window's viewport; as a sheet with rulers and a legend when asked.

#include "base/Canvas.h"
#include "check/Checker.h"
#include "picture/Section.h"
#include "picture/Sheet.h"

#include <memory>
#include <optional>
#include <string>

namespace check {

// A canvas standing for the whole trace canvas that passes on only what the viewport of the
// standard view shows: the inner canvas is the viewport (a quarter of the canvas each way) and
// gets the matching part of the canvas scale before every primitive, and the background `back`.
class ViewportCanvas : public motion::Canvas {
  public:
    ViewportCanvas(motion::Canvas& inner, float nvlz, int32_t back = 0xFFFFFF)
        : Inner(inner), NVLZ(nvlz), Back(back) {}

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
    int32_t Back;
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
    // The finished picture as the bytes of its file: the viewport alone, or the sheet around
    // it. False, with the reason, when it cannot be made.
    virtual bool Encode(const picture::SheetContent& sheet, std::string& bytes, std::string& why) = 0;
    // The stock section, drawn over the path by Encode when a setup was in effect.
    void SetSection(picture::SectionDrawing drawing, const picture::SectionLook& look) {
        Section = std::move(drawing);
        Look = look;
    }

  protected:
    std::optional<picture::SectionDrawing> Section;
    picture::SectionLook Look;
};

// Makes the picture of a sheet of that layout (the page of a PDF is begun at once).
using PictureMaker = std::unique_ptr<Picture> (*)(const picture::SheetLayout& layout);

std::unique_ptr<Picture> MakeSvgPicture(const picture::SheetLayout& layout);

// Where a sheet that asks to be framed (SheetOptions::Fit) shows the program: one run without
// the pictures finds where the path lies. None for a sheet not framed, or when nothing is drawn.
std::optional<picture::Area> FrameFor(const std::u16string& text, const CheckOptions& options,
                                      const picture::SheetOptions& sheet, const picture::SheetLayout& layout);

// The picture formats a checker can write. PNG and PDF need Qt Gui: the checker's program keeps
// them in a library of their own (PicturePng.h), which it loads only when one is asked for, so that
// a plain check starts without Qt.
struct PictureFormats {
    PictureMaker Svg = &MakeSvgPicture;
    PictureMaker Png = nullptr;
    PictureMaker Pdf = nullptr;
    // Fills Png and Pdf once --png or --pdf is given (PicturePlugin.h). False, with the reason,
    // when they cannot be had. None: the formats are all here already.
    bool (*Load)(PictureFormats& formats, std::string& why) = nullptr;
};

} // namespace check
