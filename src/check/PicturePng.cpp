// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/PicturePng.h"
#include "check/PicturePlugin.h"

#include "render/ImageCanvas.h"
#include "render/SectionPainter.h"
#include "render/SheetPainter.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QPainter>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace check {

namespace {

// Text on an image needs a running QGuiApplication; a checker has no screen, so it runs on the
// offscreen platform unless the caller chose another. Qt looks into the user's runtime folder
// while it starts and, without one, warns and makes one in the temporary folder: a checker
// without a session gets a private folder for that moment, removed again at once.
void EnsureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string runtime;
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        std::error_code ec;
        std::string pattern = (std::filesystem::temp_directory_path(ec) / "zarvik-check-XXXXXX").string();
        if (!ec && ::mkdtemp(pattern.data())) runtime = pattern; // mode 0700, as Qt wants it
        if (!runtime.empty()) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    static int argc = 1;
    static char name[] = "zarvik-check";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
    if (!runtime.empty()) {
        ::unsetenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        std::filesystem::remove_all(runtime, ec);
    }
}

class PngPicture final : public Picture {
  public:
    PngPicture() { Image.DrawInBackground(true); } // drawn while the program is interpreted
    motion::Canvas& Canvas() override { return Image; }
    bool Encode(const picture::SheetContent& sheet, std::string& bytes, std::string& why) override {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage viewport = Image.Image();
        if (Section) {
            QPainter p(&viewport);
            render::PaintSection(p, *Section, Look);
        }
        if (!render::ComposeSheet(viewport, sheet).save(&buffer, "PNG")) {
            why = "the PNG picture could not be made";
            return false;
        }
        bytes.assign(png.constData(), static_cast<size_t>(png.size()));
        return true;
    }

  private:
    render::ImageCanvas Image;
};

class PdfPicture final : public Picture {
  public:
    explicit PdfPicture(const picture::SheetLayout& layout) : Page(layout) {
        Page.PaintInBackground(true); // painted while the program is interpreted
    }
    motion::Canvas& Canvas() override { return Page.Canvas(); }
    bool Encode(const picture::SheetContent& sheet, std::string& bytes, std::string& why) override {
        if (Section) Page.PaintOverViewport([this](QPainter& p) { render::PaintSection(p, *Section, Look); });
        return Page.Finish(sheet, bytes, why);
    }

  private:
    render::PdfSheet Page;
};

} // namespace

std::unique_ptr<Picture> MakePngPicture(const picture::SheetLayout&) {
    EnsureGuiApplication();
    return std::make_unique<PngPicture>();
}

std::unique_ptr<Picture> MakePdfPicture(const picture::SheetLayout& layout) {
    EnsureGuiApplication();
    return std::make_unique<PdfPicture>(layout);
}

} // namespace check

// The library's entry point (PicturePlugin.h), the one name it exports.
extern "C" __attribute__((visibility("default"))) const check::PictureFormats*
ZarvikCheckPictureFormats(const char* tag) {
    static const check::PictureFormats formats = [] {
        check::PictureFormats f;
        f.Svg = nullptr;
        f.Png = &check::MakePngPicture;
        f.Pdf = &check::MakePdfPicture;
        return f;
    }();
    return tag && std::string_view(tag) == check::PictureBuildTag ? &formats : nullptr;
}
