#pragma once
// frmAbout: the program's title, version and a short description.

#include <QDialog>

class QLabel;
class QPushButton;

namespace app {

inline constexpr int VersionMajor = 2, VersionMinor = 3, VersionRevision = 8;

class frmAbout : public QDialog {
  public:
    explicit frmAbout(QWidget* parent);
    QLabel *lblTitle, *lblVersion, *lblDescription;
    QPushButton* cmdOK;
};

} // namespace app
