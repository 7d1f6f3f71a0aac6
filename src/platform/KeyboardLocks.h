// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Caps Lock and Num Lock as the status bar shows and toggles them. Qt knows neither; on X11 the
// X keyboard extension reads and locks them. Elsewhere (the offscreen platform of the tests,
// Wayland without X) nothing can be known: the state is "unknown" and toggling does nothing.

#include <optional>

namespace platform {

enum class LockKey { CapsLock, NumLock };

// The lock's state, or nothing when the platform cannot tell.
std::optional<bool> LockState(LockKey key);
// Sets the lock; false when the platform cannot.
bool SetLock(LockKey key, bool on);
// Flips the lock (the toggle of a key press); false when the platform cannot.
bool ToggleLock(LockKey key);

} // namespace platform
