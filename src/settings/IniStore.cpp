// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IniStore.h"

#include <QDir>
#include <QFileInfo>

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

bool IniStore::Sync() {
    Ini.sync();
    switch (Ini.status()) {
    case QSettings::NoError:
        return true;
    case QSettings::AccessError:
        return false;
    case QSettings::FormatError: {
        // A file with lines the reader could not parse is still rewritten, but that first error
        // hides a failed write: ask the file itself.
        const QFileInfo file(Ini.fileName());
        return file.isFile() && file.isWritable();
    }
    }
    return false;
}

QString WriteFailedMessage(const IniStore& store) {
    return QStringLiteral("The settings could not be saved to \"%1\".\nThe window placement, the soft "
                          "limits and the other choices of this session are lost.")
        .arg(QDir::toNativeSeparators(store.FileName()));
}

} // namespace settings
