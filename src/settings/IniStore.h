// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings store as an INI file "Zarvik/Zarvik.ini" under the user's configuration folder.

#include "settings/Settings.h"

#include <QSettings>

namespace settings {

class IniStore : public Store {
  public:
    IniStore();
    QString Get(const QString& section, const QString& key, const QString& fallback) override;
    void Put(const QString& section, const QString& key, const QString& value) override;
    QString FileName() const { return Ini.fileName(); }
    // Writes what was put to the file; false when the file could not be written.
    bool Sync();

  private:
    QSettings Ini;
};

// The message for a store whose file could not be written at exit.
QString WriteFailedMessage(const IniStore& store);

} // namespace settings
