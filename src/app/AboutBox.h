// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// frmAbout: the program's title, version, a short description and the licence.

#include "ZarvikVersion.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace app {

inline constexpr int VersionMajor = ZARVIK_VERSION_MAJOR, VersionMinor = ZARVIK_VERSION_MINOR,
                     VersionRevision = ZARVIK_VERSION_PATCH;

class frmAbout : public QDialog {
  public:
    explicit frmAbout(QWidget* parent);
    QLabel *lblTitle, *lblVersion, *lblDescription, *lblLicence;
    QPushButton* cmdOK;
};

} // namespace app
