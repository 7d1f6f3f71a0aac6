#include "check/PicturePng.h"

#include "check/Picture.h"
#include "render/ImageCanvas.h"

#include <QGuiApplication>
#include <QString>
#include <cstdlib>
#include <memory>

namespace check {

namespace {

// Text on an image needs a running QGuiApplication; a checker has no screen, so it runs on the
// offscreen platform unless the caller chose another.
void EnsureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zarvik-check";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

std::string WritePng(const std::u16string& text, const CheckOptions& options, const std::string& path,
                     const PictureCheck& check) {
    EnsureGuiApplication();
    render::ImageCanvas image;
    image.DrawInBackground(true); // the picture is drawn while the program is interpreted
    ViewportCanvas viewport(image, static_cast<float>(options.NVLZ));
    CheckReport report =
        CheckProgram(text, options, check.onSegment, &viewport, PictureWidthPx, PictureHeightPx);
    if (check.report) *check.report = std::move(report);
    if (!image.Image().save(QString::fromStdString(path), "PNG")) return "cannot write the picture " + path;
    return {};
}

} // namespace

void EnablePngPictures() {
    SetPngWriter(&WritePng);
}

} // namespace check
