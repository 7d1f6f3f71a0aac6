// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutBox.h"

#include "app/Icons.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace app {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("About Zarvik");
    setModal(true);
    auto* icon = new QLabel(this);
    icon->setPixmap(ToolbarIcon(icons::Start).pixmap(40, 40));
    lblTitle = new QLabel("Zarvik", this);
    lblTitle->setObjectName("lblTitle");
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(
        QStringLiteral("Ver. %1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision), this);
    lblVersion->setObjectName("lblVersion");
    lblDescription =
        new QLabel("Checks lathe NC programs before they reach the machine: runs them block by block as a "
                   "two-axis turning control would, and draws every tool path in the X-Z plane.",
                   this);
    lblDescription->setWordWrap(true);
    lblDescription->setMinimumWidth(320);
    lblLicence = new QLabel(QStringLiteral(ZARVIK_LICENCE_NOTICE), this);
    lblLicence->setObjectName("lblLicence");
    lblLicence->setWordWrap(true);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(lblLicence, 3, 1);
    grid->addWidget(cmdOK, 4, 1, Qt::AlignRight);
}

} // namespace app
