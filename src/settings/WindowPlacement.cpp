// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/WindowPlacement.h"

#include "base/Legacy.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace settings {

namespace {

// The outer size includes the frame: the stored width is 60 twips, the height 450 twips more
// than the inner size.
constexpr double kFrameWidthTwips = 60;
constexpr double kFrameHeightTwips = 450;

// The placement as stored, in pixels, with every coordinate bounded so that no conversion to
// int can overflow.
struct Wanted {
    double Left, Top, Width, Height;
};

double Bounded(double v) {
    return std::isfinite(v) ? std::clamp(v, -1e8, 1e8) : 0;
}

double Overlap(const Wanted& w, const QRect& s) {
    const double x = std::min(w.Left + w.Width, double(s.x()) + s.width()) - std::max(w.Left, double(s.x()));
    const double y = std::min(w.Top + w.Height, double(s.y()) + s.height()) - std::max(w.Top, double(s.y()));
    return x > 0 && y > 0 ? x * y : 0;
}

QRect Truncated(const Wanted& w) {
    return QRect(int(w.Left), int(w.Top), int(w.Width), int(w.Height));
}

} // namespace

QRect FitWindow(const Values& v, double tpp, const QList<QRect>& screens) {
    if (!(tpp > 0)) tpp = 15;
    const Values defaults;
    Wanted w{Bounded(v.MainLeft / tpp), Bounded(v.MainTop / tpp), Bounded(v.MainWidth / tpp),
             Bounded(v.MainHeight / tpp)};
    if (w.Width < kMinWindowWidth) w.Width = defaults.MainWidth / tpp;
    if (w.Height < kMinWindowHeight) w.Height = defaults.MainHeight / tpp;
    if (screens.isEmpty()) return Truncated(w);

    QRect screen = screens.front();
    double best = 0;
    for (const QRect& s : screens) {
        const double o = Overlap(w, s);
        if (o > best) best = o, screen = s;
    }
    w.Width = std::min(w.Width, double(screen.width()));
    w.Height = std::min(w.Height, double(screen.height()));
    w.Left = std::clamp(w.Left, double(screen.x()), double(screen.x()) + screen.width() - w.Width);
    w.Top = std::clamp(w.Top, double(screen.y()), double(screen.y()) + screen.height() - w.Height);
    return Truncated(w);
}

QRect PlaceWindow(Store& store, Values& v, double tpp, const QList<QRect>& screens) {
    if (!(tpp > 0)) tpp = 15;
    const QRect fitted = FitWindow(v, tpp, screens);
    const QRect asStored(int(Bounded(v.MainLeft / tpp)), int(Bounded(v.MainTop / tpp)),
                         int(Bounded(v.MainWidth / tpp)), int(Bounded(v.MainHeight / tpp)));
    if (fitted != asStored) {
        v.MainLeft = float(fitted.x() * tpp);
        v.MainTop = float(fitted.y() * tpp);
        v.MainWidth = float(fitted.width() * tpp);
        v.MainHeight = float(fitted.height() * tpp);
        const QString section = QStringLiteral("Settings");
        store.Put(section, "MainLeft", QString::fromStdString(legacy::Str7(v.MainLeft)));
        store.Put(section, "MainTop", QString::fromStdString(legacy::Str7(v.MainTop)));
        store.Put(section, "MainWidth", QString::fromStdString(legacy::Str7(v.MainWidth)));
        store.Put(section, "MainHeight", QString::fromStdString(legacy::Str7(v.MainHeight)));
    }
    const int innerWidth = std::max(1, int((fitted.width() * tpp - kFrameWidthTwips) / tpp));
    const int innerHeight = std::max(1, int((fitted.height() * tpp - kFrameHeightTwips) / tpp));
    return QRect(fitted.x(), fitted.y(), innerWidth, innerHeight);
}

QList<QRect> AvailableScreens() {
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen()) areas.append(primary->availableGeometry());
    for (QScreen* s : QGuiApplication::screens())
        if (s != QGuiApplication::primaryScreen()) areas.append(s->availableGeometry());
    return areas;
}

} // namespace settings
