// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The control's operator window. Whether the calculator runs on the PC of a KVZ control is the
// marker file of platform/ControlPc.h, the same one Zarvik looks for.

namespace calc {

// Brings the control's operator window "KVZ-R200 HMI" back to the front, where the platform
// allows it. Any failure is ignored: the calculator closes in any case.
void ActivateHmi();

} // namespace calc
