// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyboardLocks.h"

#include <QGuiApplication>

#ifdef ZARVIK_HAVE_XKB
#include <X11/XKBlib.h>
#include <X11/keysym.h>
// X11 defines macros that clash with Qt and the standard library.
#undef None
#undef Bool
#undef Status
#endif

namespace platform {

#ifdef ZARVIK_HAVE_XKB
namespace {

// One connection for the life of the program, opened on first use and only on X11.
Display* KeyboardDisplay() {
    static Display* display = []() -> Display* {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
        int major = XkbMajorVersion, minor = XkbMinorVersion, event = 0, error = 0, reason = 0;
        return XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &reason);
    }();
    return display;
}

unsigned ModifierMask(Display* d, LockKey key) {
    if (key == LockKey::CapsLock) return LockMask;
    return XkbKeysymToModifiers(d, XK_Num_Lock);
}

} // namespace

std::optional<bool> LockState(LockKey key) {
    Display* d = KeyboardDisplay();
    if (!d) return std::nullopt;
    XkbStateRec state{};
    if (XkbGetState(d, XkbUseCoreKbd, &state) != 0) return std::nullopt;
    const unsigned mask = ModifierMask(d, key);
    if (!mask) return std::nullopt;
    return (state.locked_mods & mask) != 0;
}

bool SetLock(LockKey key, bool on) {
    Display* d = KeyboardDisplay();
    if (!d) return false;
    const unsigned mask = ModifierMask(d, key);
    if (!mask) return false;
    const bool ok = XkbLockModifiers(d, XkbUseCoreKbd, mask, on ? mask : 0) != 0;
    XFlush(d);
    return ok;
}

#else

std::optional<bool> LockState(LockKey) {
    return std::nullopt;
}
bool SetLock(LockKey, bool) {
    return false;
}

#endif

bool ToggleLock(LockKey key) {
    const auto now = LockState(key);
    return now && SetLock(key, !*now);
}

} // namespace platform
