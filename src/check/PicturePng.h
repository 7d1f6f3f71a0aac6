#pragma once
// PNG pictures for the checker, drawn with Qt Gui. Only the checker's program links this.

namespace check {

// Installs the PNG writer behind WritePngPicture. A QGuiApplication on the offscreen platform is
// started only when a picture is actually written (text needs fonts).
void EnablePngPictures();

} // namespace check
