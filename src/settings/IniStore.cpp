#include "settings/IniStore.h"

namespace settings {

IniStore::IniStore() : Ini(QSettings::IniFormat, QSettings::UserScope, "Zarvik", "Zarvik") {}

QString IniStore::Get(const QString& section, const QString& key, const QString& fallback) {
    const QVariant v = Ini.value(section + "/" + key);
    if (!v.isValid()) return fallback;
    // A value with a comma comes back as a list from the INI reader; rejoin it as written.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(",");
    return v.toString();
}

void IniStore::Put(const QString& section, const QString& key, const QString& value) {
    Ini.setValue(section + "/" + key, value);
}

} // namespace settings
