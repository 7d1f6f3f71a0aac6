// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include "base/Legacy.h"

#include <cmath>
#include <limits>

namespace settings {

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kParameter = QStringLiteral("Parameter");
constexpr double kMaxWindowTwips = 1e9;

QString FromStd(const std::string& s) {
    return QString::fromStdString(s);
}

// A soft limit or the unit: the leading number of the text, 0 when there is none.
double LeadingValue(const QString& text) {
    return legacy::Val(text.toStdU16String());
}

template <typename Int> bool ToWhole(const QString& text, Int& out) {
    double d = 0;
    if (!ParseNumber(text, d)) return false;
    d = legacy::CInt(d);
    if (d < std::numeric_limits<Int>::min() || d > std::numeric_limits<Int>::max()) return false;
    out = static_cast<Int>(d);
    return true;
}

// A stored value that cannot be used is replaced in the store by the default the program uses
// instead, so the next start reads a sound file.
void Correct(Store& store, const QString& section, const char* key, const QString& fallback) {
    store.Put(section, key, fallback);
}

// A window value in twips. Anything beyond a billion twips is no placement at all; the fit onto
// the desktop comes later.
void ReadFloat(Store& store, const char* key, float& out) {
    const QString fallback = FromStd(legacy::Str7(out));
    const QString text = store.Get(kSettings, key, fallback);
    double d = 0;
    if (ParseNumber(text, d) && std::fabs(d) <= kMaxWindowTwips)
        out = static_cast<float>(d);
    else
        Correct(store, kSettings, key, fallback);
}

Switch ReadSwitch(Store& store, const char* key) {
    Switch s;
    const QString text = store.Get(kParameter, key, "False");
    bool on = false;
    if (ParseBoolean(text, on)) {
        s.On = s.ReadOn = on;
        s.ReadText = text;
    } else {
        Correct(store, kParameter, key, "False");
    }
    return s;
}

// A soft limit: the leading number, its default when that is not a finite value of the
// precision the limit is held in.
double ReadLimit(Store& store, const char* key, double fallback, double largest) {
    const QString fallbackText = FromStd(legacy::Str15(fallback));
    const double d = LeadingValue(store.Get(kParameter, key, fallbackText));
    if (std::isfinite(d) && std::fabs(d) <= largest) return d;
    Correct(store, kParameter, key, fallbackText);
    return fallback;
}

// A whole number of the "Settings" section that must lie within [lowest, highest].
template <typename Int>
void ReadWholeInRange(Store& store, const char* key, Int& out, Int fallback, Int lowest, Int highest) {
    const QString fallbackText = QString::number(fallback);
    Int v = fallback;
    if (ToWhole(store.Get(kSettings, key, fallbackText), v) && v >= lowest && v <= highest) {
        out = v;
        return;
    }
    out = fallback;
    Correct(store, kSettings, key, fallbackText);
}

} // namespace

QString Switch::WriteText() const {
    if (!ReadText.isEmpty() && On == ReadOn) return ReadText;
    return On ? QStringLiteral("True") : QStringLiteral("False");
}

interp::Parameters ParametersOf(const Values& v) {
    interp::Parameters p;
    p.Limits = v.Limits;
    p.Unit = v.Unit;
    p.Fanuc = v.PointCheck.On;
    p.Vertical = v.Vertical.On;
    p.Xmirror = v.Xmirror.On;
    p.G2mirror = v.G2mirror;
    return p;
}

void ApplyParameters(Values& v, const interp::Parameters& p) {
    v.Limits = p.Limits;
    v.Unit = p.Unit;
    v.PointCheck.On = p.Fanuc;
    v.Vertical.On = p.Vertical;
    v.Xmirror.On = p.Xmirror;
    v.G2mirror = p.G2mirror;
}

std::array<QString, 5> UnusedRecentFiles() {
    return {"RecentFile1", "RecentFile2", "RecentFile3", "RecentFile4", "RecentFile5"};
}

bool RecentInUse(const QString& caption) {
    return caption.left(10) != QLatin1String("RecentFile");
}

bool ParseNumber(const QString& text, double& out) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    bool ok = false;
    const double d = t.toDouble(&ok); // C locale: "." is the separator whatever the desktop says
    if (!ok || !std::isfinite(d)) return false;
    out = d;
    return true;
}

bool ParseBoolean(const QString& text, bool& out) {
    const QString t = text.trimmed();
    if (t.compare("True", Qt::CaseInsensitive) == 0) return out = true, true;
    if (t.compare("False", Qt::CaseInsensitive) == 0) return out = false, true;
    double d = 0;
    if (!ParseNumber(t, d)) return false;
    out = d != 0; // the control's stores hold -1 and 0 as well
    return true;
}

void ReadWindow(Store& store, Values& v) {
    ReadFloat(store, "MainLeft", v.MainLeft);
    ReadFloat(store, "MainTop", v.MainTop);
    ReadFloat(store, "MainWidth", v.MainWidth);
    ReadFloat(store, "MainHeight", v.MainHeight);
}

void ReadPaneWidening(Store& store, Values& v) {
    ReadFloat(store, "PaneWidening", v.PaneWidening);
    if (!(v.PaneWidening >= 0)) v.PaneWidening = 0;
}

void ReadParameters(Store& store, Values& v, const QString& programFolder) {
    constexpr double anyDouble = std::numeric_limits<double>::max();
    v.Limits.PVLX = ReadLimit(store, "PVLX", 500, anyDouble);
    v.Limits.PVLZ = ReadLimit(store, "PVLZ", 200, anyDouble);
    v.Limits.NVLX = ReadLimit(store, "NVLX", -200, anyDouble);
    v.Limits.NVLZ = static_cast<float>(ReadLimit(store, "NVLZ", -200, std::numeric_limits<float>::max()));
    const double unit = legacy::CInt(LeadingValue(store.Get(kParameter, "Unit", "1")));
    if (unit >= 1 && unit <= 4) {
        v.Unit = static_cast<int16_t>(unit);
    } else {
        v.Unit = 1;
        Correct(store, kParameter, "Unit", "1");
    }
    v.PointCheck = ReadSwitch(store, "PointCheck");
    v.Vertical = ReadSwitch(store, "Vertical");
    v.Xmirror = ReadSwitch(store, "Xmirror");
    bool g2 = false;
    if (ParseBoolean(store.Get(kParameter, "G2mirror", "False"), g2))
        v.G2mirror = g2;
    else
        Correct(store, kParameter, "G2mirror", "False");

    v.OpenPathName = store.Get(kSettings, "OpenPathName", programFolder);
    ReadWholeInRange<int16_t>(store, "PrinterOrientation", v.PrinterOrientation, 2, 1, 2);
    v.ProgramFontName = store.Get(kSettings, "ProgramFontName", "");
    ReadWholeInRange<int32_t>(store, "ProgramFontSize", v.ProgramFontSize, 10, kMinFontSize, kMaxFontSize);
}

void ReadRecentFiles(Store& store, Values& v) {
    for (int n = 1; n <= 5; ++n) {
        const QString path = store.Get(kSettings, QStringLiteral("RecentFile%1").arg(n), "");
        if (!path.isEmpty()) v.RecentFile[n - 1] = path;
    }
}

void WriteAll(Store& store, const Values& v, bool minimised) {
    if (!minimised) {
        store.Put(kSettings, "MainLeft", FromStd(legacy::Str7(v.MainLeft)));
        store.Put(kSettings, "MainTop", FromStd(legacy::Str7(v.MainTop)));
        store.Put(kSettings, "MainWidth", FromStd(legacy::Str7(v.MainWidth)));
        store.Put(kSettings, "MainHeight", FromStd(legacy::Str7(v.MainHeight)));
    }
    store.Put(kParameter, "PVLX", FromStd(legacy::Str15(v.Limits.PVLX)));
    store.Put(kParameter, "PVLZ", FromStd(legacy::Str15(v.Limits.PVLZ)));
    store.Put(kParameter, "NVLX", FromStd(legacy::Str15(v.Limits.NVLX)));
    store.Put(kParameter, "NVLZ", FromStd(legacy::Str7(v.Limits.NVLZ)));
    store.Put(kParameter, "Unit", QString::number(v.Unit));
    store.Put(kParameter, "PointCheck", v.PointCheck.WriteText());
    store.Put(kParameter, "Vertical", v.Vertical.WriteText());
    store.Put(kParameter, "Xmirror", v.Xmirror.WriteText());
    store.Put(kParameter, "G2mirror", v.G2mirror ? "True" : "False");
    store.Put(kParameter, "AutoStart", v.AutoStart ? "True" : "False");
    store.Put(kSettings, "OpenPathName", v.OpenPathName);
    store.Put(kSettings, "PrinterOrientation", QString::number(v.PrinterOrientation));
    store.Put(kSettings, "ProgramFontName", v.ProgramFontName);
    store.Put(kSettings, "ProgramFontSize", QString::number(v.ProgramFontSize));
    for (int n = 1; n <= 5; ++n) {
        const QString& caption = v.RecentFile[n - 1];
        if (RecentInUse(caption)) store.Put(kSettings, QStringLiteral("RecentFile%1").arg(n), caption);
    }
    store.Put(kSettings, "PaneWidening", FromStd(legacy::Str7(v.PaneWidening)));
}

} // namespace settings
