// SPDX-License-Identifier: GPL-3.0-or-later
// The rulers drawn with the window's own face, and the colours and resolution of the window's
// pictures: every ruler label is whole inside its picture and clear of its neighbours, at the
// window's default size and a large one, in both layouts, mirrored, zoomed in and out.

#include "../motion/MotionFixture.h"
#include "base/LabelLayout.h"
#include "render/ImageCanvas.h"

#include <gtest/gtest.h>

namespace {

// An image canvas that keeps the pixel rectangle of every text it prints.
class TextRecordingCanvas : public render::ImageCanvas {
  public:
    void Print(const std::string& text) override {
        const double x = PixelX(CurrentX), y = PixelY(CurrentY);
        const double w = TextWidth(text) * Width / std::fabs(ScaleWidth) / TwipsPerPixel;
        const double h = TextHeight(text) * Height / std::fabs(ScaleHeight) / TwipsPerPixel;
        Texts.push_back({text, {x, y, x + w, y + h}});
        ImageCanvas::Print(text);
    }
    void Cls() override {
        Texts.clear();
        ImageCanvas::Cls();
    }
    struct Drawn {
        std::string Text;
        motion::TextBox Box; // pixels
    };
    std::vector<Drawn> Texts;
};

class ReadableRulers : public ::testing::Test {
  protected:
    ReadableRulers() : M(Screen, Trace, Host) {
        Screen.Xscale = &X;
        Screen.Zscale = &Z;
    }
    // Viewport of a window W x H twips, as the window's resize rules lay it out.
    void Window(double w, double h) {
        Screen.ViewportWidth = w - 4560;
        Screen.ViewportHeight = h - 1720;
    }
    // A view `factor` times as wide as the standard one about its centre, as the wheel and the
    // page keys make it.
    void Zoom(double factor) {
        motion::Canvas& c = Trace;
        const double cx = c.ScaleLeft + c.ScaleWidth / 2, cy = c.ScaleTop + c.ScaleHeight / 2;
        c.SetScale(cx - c.ScaleWidth * factor / 2, cy - c.ScaleHeight * factor / 2, c.ScaleWidth * factor,
                   c.ScaleHeight * factor);
        X.SetScale(0, c.ScaleTop, X.Width, c.ScaleHeight);
        Z.SetScale(c.ScaleLeft, 0, c.ScaleWidth, Z.Height);
        motion::RedrawCanvas(M);
    }
    void ExpectReadable(TextRecordingCanvas& ruler, const std::string& what) {
        const double w = ruler.Width / render::ImageCanvas::TwipsPerPixel;
        const double h = ruler.Height / render::ImageCanvas::TwipsPerPixel;
        ASSERT_FALSE(ruler.Texts.empty()) << what;
        for (size_t i = 0; i < ruler.Texts.size(); ++i) {
            const auto& a = ruler.Texts[i];
            EXPECT_TRUE(a.Box.Inside(-0.01, -0.01, w + 0.01, h + 0.01))
                << what << ": " << a.Text << " clipped at " << a.Box.Left << "," << a.Box.Top << " - "
                << a.Box.Right << "," << a.Box.Bottom << " in " << w << " x " << h;
            for (size_t k = i + 1; k < ruler.Texts.size(); ++k)
                EXPECT_FALSE(a.Box.Overlaps(ruler.Texts[k].Box))
                    << what << ": " << a.Text << " and " << ruler.Texts[k].Text << " overlap";
        }
    }

    motion::View Screen;
    TextRecordingCanvas Trace, X, Z;
    motiontest::RecordingHost Host;
    interp::Machine M;
};

TEST_F(ReadableRulers, EveryLabelIsWholeAndApartAtAnySizeLayoutAndZoom) {
    struct Size {
        double W, H;
    };
    for (Size window : {Size{12000, 10000}, Size{24000, 15000}})
        for (bool vertical : {false, true})
            for (float sign : {1.0f, -1.0f})
                for (double factor : {1.0, 0.002, 0.05, 40.0}) {
                    M.S.Vertical = vertical, M.S.XSign = sign;
                    // Long labels: X to -99999 on a diameter, Z to +-9999.
                    M.S.PVLX = 500, M.S.NVLX = -99999, M.S.PVLZ = 9999, M.S.NVLZ = -9999;
                    Window(window.W, window.H);
                    ASSERT_EQ(motion::SetStandardView(M), motion::StandardViewResult::Ok);
                    Zoom(factor);
                    const std::string what = std::to_string(int(window.W)) +
                                             (vertical ? " vertical" : " horizontal") +
                                             (sign < 0 ? " mirrored" : "") + " x" + std::to_string(factor);
                    ExpectReadable(X, "X ruler " + what);
                    ExpectReadable(Z, "Z ruler " + what);
                }
}

TEST_F(ReadableRulers, TheXRulerShowsSixHundredWhole) {
    Window(12000, 10000);
    ASSERT_EQ(motion::SetStandardView(M), motion::StandardViewResult::Ok);
    bool seen = false;
    for (const auto& t : X.Texts)
        if (t.Text == "X600") {
            seen = true;
            EXPECT_LE(t.Box.Right, X.Width / render::ImageCanvas::TwipsPerPixel);
        }
    EXPECT_TRUE(seen);
}

TEST(ReadableColours, OnlyColoursHardToSeeOnBlackAreLightened) {
    // The tool colours of the cycle as the screen shows them (0xRRGGBB).
    for (unsigned rgb :
         {0xFFFF00u, 0x00FF00u, 0x00FFFFu, 0xFF00FFu, 0xFF0000u, 0xFF8000u, 0x808080u, 0x008000u})
        EXPECT_EQ(render::ReadableOnBlack(rgb) & 0xFFFFFF, rgb) << std::hex << rgb;
    const unsigned blue = render::ReadableOnBlack(0x0000FF);
    EXPECT_LT(render::ContrastWithBlack(0x0000FF), 3);
    EXPECT_GE(render::ContrastWithBlack(blue), 3);
    EXPECT_LT(render::ContrastWithBlack(blue), 3.2); // just enough, still a blue
    EXPECT_EQ(blue & 0xFF, 0xFFu);
    EXPECT_GT(blue & 0xFF, (blue >> 16) & 0xFF);
    EXPECT_NEAR(render::ContrastWithBlack(0xFFFFFF), 21, 1e-9);
    EXPECT_NEAR(render::ContrastWithBlack(0x000000), 1, 1e-9);
}

// The colour of the middle pixel of a line drawn across a 40 x 30 pixel picture.
unsigned LineColour(render::ImageCanvas& c, int32_t background, int32_t colour) {
    c.BackColor = background;
    c.Resize(40 * render::ImageCanvas::TwipsPerPixel, 30 * render::ImageCanvas::TwipsPerPixel);
    c.SetScale(0, 0, 40, 30);
    c.Cls();
    c.Line(0, 15, 40, 15, colour);
    const QImage& image = c.Image();
    const double r = image.devicePixelRatio();
    return image.pixel(int(20 * r), int(15 * r)) & 0xFFFFFF;
}

TEST(ReadableColours, TheWindowsCanvasLightensBlueOnBlackOnly) {
    render::ImageCanvas c;
    const int32_t blue = 0xFF0000;                // &HBBGGRR
    EXPECT_EQ(LineColour(c, 0, blue), 0x0000FFu); // the checker's pictures: as drawn
    c.LiftDarkColors = true;
    EXPECT_EQ(LineColour(c, 0, blue), render::ReadableOnBlack(0x0000FF) & 0xFFFFFF);
    EXPECT_EQ(LineColour(c, 0xFFFFFF, blue), 0x0000FFu); // on white the colour cycle is kept
    EXPECT_EQ(LineColour(c, 0, 0x00FFFF), 0xFFFF00u);    // yellow is seen well enough on black
}

TEST(ReadableResolution, AScaledScreenGetsAPictureAtItsOwnResolution) {
    render::ImageCanvas c;
    c.SetDevicePixelRatio(2);
    c.Resize(100 * render::ImageCanvas::TwipsPerPixel, 50 * render::ImageCanvas::TwipsPerPixel);
    c.SetScale(0, 0, 100, 50);
    c.Line(0, 10, 100, 10, 0xFFFFFF);
    c.PSet(70, 40, 0x00FF00);
    c.CurrentX = 5, c.CurrentY = 20;
    c.FontSize = 12;
    c.ForeColor = 0xFFFFFF;
    c.Print("TA 101");
    const QImage& image = c.Image();
    EXPECT_EQ(image.size(), QSize(200, 100));
    EXPECT_EQ(image.deviceIndependentSize().toSize(), QSize(100, 50));
    // Positions stay in window pixels: the line at y 10 lies at picture row 20, two rows thick
    // as one window pixel is.
    EXPECT_EQ(image.pixel(100, 20) & 0xFFFFFF, 0xFFFFFFu);
    int rows = 0;
    for (int y = 14; y < 27; ++y)
        rows += (image.pixel(100, y) & 0xFFFFFF) == 0xFFFFFF;
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(image.pixel(141, 81) & 0xFFFFFF, 0x00FF00u);
    // Text sizes are window pixels too, whatever the resolution.
    render::ImageCanvas plain;
    plain.Resize(100 * render::ImageCanvas::TwipsPerPixel, 50 * render::ImageCanvas::TwipsPerPixel);
    plain.SetScale(0, 0, 100, 50);
    plain.FontSize = 12;
    EXPECT_DOUBLE_EQ(c.TextWidth("TA 101"), plain.TextWidth("TA 101"));
    // The text is drawn on the picture of twice the pixels.
    int lit = 0;
    for (int y = 40; y < 80; ++y)
        for (int x = 10; x < 120; ++x)
            lit += (image.pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 0);
    EXPECT_EQ(c.WindowPixels().size(), QSize(100, 50));
}

} // namespace
