// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyPad.h"

#include <QGridLayout>
#include <QPushButton>
#include <QStyle>

namespace calc {

namespace {

struct KeyFace {
    Key Which;
    const char* Caption;
    const char* ToolTip;
    const char* Kind; // colour group of the key
};

constexpr int Columns = 5;

// Row by row, five keys to a row.
constexpr KeyFace Faces[] = {
    {Key::Command1, "N", "回転数[N]", "machining"},
    {Key::Command2, "V", "切削速度[V]", "machining"},
    {Key::Command3, "F", "面粗さから送り速度[F]", "machining"},
    {Key::Command4, "T", "加工時間 [G]", "machining"},
    {Key::Command5, "°′″", "60進数[H] ，10進数[shift]+[H]", "machining"},

    {Key::swINV, "shift", "[Shift]", "function"},
    {Key::swSIN, "Sin", "[S]", "function"},
    {Key::swCOS, "Cos", "[C]", "function"},
    {Key::swTAN, "Tan", "[T]", "function"},
    {Key::SQRT, "√", "[R]", "function"},

    {Key::MS, "Min", "[M]", "memory"},
    {Key::MRead, "MR", "[Shift]->[M]", "memory"},
    {Key::MP, "M+", "", "memory"},
    {Key::Square, "x²", "[X]", "function"},
    {Key::Gyakusu, "1/x", "[Shift]->[X]", "function"},

    {Key::Number7, "7", "", "digit"},
    {Key::Number8, "8", "", "digit"},
    {Key::Number9, "9", "", "digit"},
    {Key::CancelEntry, "C", "[BS]", "clear"},
    {Key::Cancel, "AC", "[Esc]", "clear"},

    {Key::Number4, "4", "", "digit"},
    {Key::Number5, "5", "", "digit"},
    {Key::Number6, "6", "", "digit"},
    {Key::Times, "X", "", "operator"},
    {Key::Divide, "/", "", "operator"},

    {Key::Number1, "1", "", "digit"},
    {Key::Number2, "2", "", "digit"},
    {Key::Number3, "3", "", "digit"},
    {Key::Plus, "+", "", "operator"},
    {Key::Minus, "-", "", "operator"},

    {Key::Number0, "0", "", "digit"},
    {Key::Decima, ".", "", "digit"},
    {Key::PlasMuns, "+/-", "", "digit"},
    {Key::Pai, "PI", "[P] π=3.14", "function"},
    {Key::Equals, "=", "[Enter]または[=]です。値がクリップボードにコピーされます。", "equals"},
};

static_assert(std::size(Faces) == KeyCount, "every key has its place");

} // namespace

KeyPad::KeyPad(QWidget* Parent) : QWidget(Parent) {
    auto* Grid = new QGridLayout(this);
    Grid->setContentsMargins(0, 0, 0, 0);
    Grid->setSpacing(5);
    int Index = 0;
    for (const KeyFace& Face : Faces) {
        auto* Button = new QPushButton(QString::fromUtf8(Face.Caption), this);
        Button->setToolTip(QString::fromUtf8(Face.ToolTip));
        Button->setProperty("kind", QString::fromLatin1(Face.Kind));
        Button->setProperty("down", false);
        Button->setAutoDefault(false);
        Button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        // Small function keys on top, bigger number keys below, as on a pocket calculator.
        bool Upper = Index < 3 * Columns;
        Button->setMinimumSize(48, Upper ? 28 : 36);
        Key Which = Face.Which;
        connect(Button, &QPushButton::clicked, this, [this, Which] { emit Pressed(Which); });
        Buttons[static_cast<size_t>(Which)] = Button;
        Grid->addWidget(Button, Index / Columns, Index % Columns);
        ++Index;
    }
}

void KeyPad::SetDown(Key Which, bool Down) {
    QPushButton* Target = Button(Which);
    if (Target->property("down").toBool() == Down) return;
    Target->setProperty("down", Down);
    Target->style()->unpolish(Target);
    Target->style()->polish(Target);
}

} // namespace calc
