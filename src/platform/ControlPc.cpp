// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ControlPc.h"

#include <QFileInfo>

namespace platform {

namespace {
QString FromEnv(const char* name, const char* fallback) {
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? QString::fromUtf8(fallback) : QString::fromLocal8Bit(v);
}
} // namespace

QString KvzMarkerPath() {
    return FromEnv("ZARVIK_KVZ_MARKER", kKvzMarkerPath);
}
QString KvzStartFolder() {
    return FromEnv("ZARVIK_KVZ_START_FOLDER", kKvzStartFolder);
}
bool OnKvzControlPc() {
    return QFileInfo::exists(KvzMarkerPath());
}

} // namespace platform
