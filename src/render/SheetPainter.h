// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sheets of the trace (the viewport's picture with rulers and legend) painted with Qt: as an
// image, or as one vector page of a PDF. Text needs a QGuiApplication.

#include "base/Canvas.h"
#include "picture/Sheet.h"

#include <QByteArray>
#include <QImage>

#include <functional>
#include <memory>
#include <string>

class QPainter;

namespace render {

// An Overlay that paints with a QPainter in sheet pixels.
class PainterOverlay final : public picture::Overlay {
  public:
    explicit PainterOverlay(QPainter& painter) : P(painter) {}
    void Fill(const picture::Rect& r, int32_t color) override;
    void Line(double x1, double y1, double x2, double y2, int32_t color) override;
    void Text(double x, double y, const std::string& text, double pointSize, int32_t color,
              picture::Anchor anchor, bool bold = false) override;
    double TextWidth(const std::string& text, double pointSize, bool bold = false) override;

  private:
    QPainter& P;
};

// The sheet as an image: the viewport's picture at its place, the rulers and the legend around
// it. A plain layout gives the viewport's picture itself.
QImage ComposeSheet(const QImage& viewport, const picture::SheetContent& sheet);

// The sheet as a one-page PDF, the path in vectors. The page is begun when it is made: the run
// draws the viewport on Canvas() (clipped to the viewport's place), Finish adds rulers and
// legend and gives the document.
class PdfSheet {
  public:
    explicit PdfSheet(const picture::SheetLayout& layout);
    ~PdfSheet();
    motion::Canvas& Canvas();
    // Paints what is drawn on Canvas() on a second thread while the caller goes on drawing (the
    // checker's page); off by default. The document is the same either way.
    void PaintInBackground(bool on);
    // Paints with `paint` over the viewport's drawing, in viewport pixels, clipped to it.
    void PaintOverViewport(const std::function<void(QPainter&)>& paint);
    // The finished document; false, with the reason in `why`, when the page could not be made.
    bool Finish(const picture::SheetContent& sheet, std::string& bytes, std::string& why);

  private:
    struct Page;
    std::unique_ptr<Page> P;
};

} // namespace render
