// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keys.h"

#include <QWidget>

#include <array>

class QPushButton;

namespace calc {

// The keys of the calculator in pocket-calculator order: machining functions on top, then the
// functions, memory, digits and operators. Every key has its caption and the tool tip that tells
// the operator its keyboard key.
class KeyPad : public QWidget {
    Q_OBJECT

  public:
    explicit KeyPad(QWidget* Parent = nullptr);

    QPushButton* Button(Key Which) const { return Buttons[static_cast<size_t>(Which)]; }
    // Look of a key: sunken while flashed as press feedback or while it stays pressed.
    void SetDown(Key Which, bool Down);

  signals:
    void Pressed(calc::Key Which);

  private:
    std::array<QPushButton*, KeyCount> Buttons{};
};

} // namespace calc
