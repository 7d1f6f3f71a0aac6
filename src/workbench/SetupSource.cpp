// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/SetupSource.h"

#include "check/StockOptions.h"
#include "stock/SetupFile.h"

#include <QFileInfo>

namespace workbench {

std::shared_ptr<const stock::Setup> SetupSource::For(const QString& programPath, QString& complaint) {
    if (programPath.isEmpty()) {
        complaint.clear();
        return nullptr;
    }
    const QFileInfo beside(QString::fromStdString(stock::DefaultSetupPath(programPath.toStdString())));
    const bool exists = beside.exists();
    const QDateTime modified = exists ? beside.lastModified() : QDateTime();
    const qint64 size = exists ? beside.size() : -1;
    if (!Read || programPath != Program || exists != Exists || modified != Modified || size != Size) {
        Program = programPath, Exists = exists, Modified = modified, Size = size, Read = true;
        std::string why;
        Setup = exists ? check::StockOptions{}.SetupFor(programPath.toStdString(), why) : nullptr;
        Drawn = nullptr;
        if (Setup && why.empty()) Drawn = check::StockOptions{}.TargetFor(programPath.toStdString(), why);
        Complaint = QString::fromStdString(why);
    }
    complaint = Complaint;
    return Setup;
}

} // namespace workbench
