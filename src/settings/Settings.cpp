#include "settings/Settings.h"

#include "base/Legacy.h"

#include <cmath>
#include <limits>

namespace settings {

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kParameter = QStringLiteral("Parameter");

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

void ReadFloat(Store& store, const char* key, float& out) {
    double d = 0;
    if (ParseNumber(store.Get(kSettings, key, ""), d) && std::fabs(d) <= std::numeric_limits<float>::max())
        out = static_cast<float>(d);
}

Switch ReadSwitch(Store& store, const char* key) {
    Switch s;
    const QString text = store.Get(kParameter, key, "False");
    bool on = false;
    if (ParseBoolean(text, on)) {
        s.On = s.ReadOn = on;
        s.ReadText = text;
    }
    return s;
}

} // namespace

QString Switch::WriteText() const {
    if (!ReadText.isEmpty() && On == ReadOn) return ReadText;
    return On ? QStringLiteral("True") : QStringLiteral("False");
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

void ReadParameters(Store& store, Values& v, const QString& programFolder) {
    v.PVLX = LeadingValue(store.Get(kParameter, "PVLX", "500"));
    v.PVLZ = LeadingValue(store.Get(kParameter, "PVLZ", "200"));
    v.NVLX = LeadingValue(store.Get(kParameter, "NVLX", "-200"));
    v.NVLZ = static_cast<float>(LeadingValue(store.Get(kParameter, "NVLZ", "-200")));
    const double unit = legacy::CInt(LeadingValue(store.Get(kParameter, "Unit", "1")));
    if (unit >= std::numeric_limits<int16_t>::min() && unit <= std::numeric_limits<int16_t>::max())
        v.Unit = static_cast<int16_t>(unit);
    v.PointCheck = ReadSwitch(store, "PointCheck");
    v.Vertical = ReadSwitch(store, "Vertical");
    v.Xmirror = ReadSwitch(store, "Xmirror");
    bool g2 = false;
    if (ParseBoolean(store.Get(kParameter, "G2mirror", "False"), g2)) v.G2mirror = g2;

    v.OpenPathName = store.Get(kSettings, "OpenPathName", programFolder);
    ToWhole(store.Get(kSettings, "PrinterOrientation", "2"), v.PrinterOrientation);
    v.ProgramFontName = store.Get(kSettings, "ProgramFontName", "");
    ToWhole(store.Get(kSettings, "ProgramFontSize", "10"), v.ProgramFontSize);
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
    store.Put(kParameter, "PVLX", FromStd(legacy::Str15(v.PVLX)));
    store.Put(kParameter, "PVLZ", FromStd(legacy::Str15(v.PVLZ)));
    store.Put(kParameter, "NVLX", FromStd(legacy::Str15(v.NVLX)));
    store.Put(kParameter, "NVLZ", FromStd(legacy::Str7(v.NVLZ)));
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
}

} // namespace settings
