#include "app/PanelBar.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMouseEvent>

namespace app {

StatusPanel::StatusPanel(const QString& key, QWidget* parent) : QLabel(parent), Key(key) {
    setObjectName(key.isEmpty() ? QStringLiteral("Panel") : key);
    setLineWidth(1);
    setMargin(1);
    setIndent(4);
    setTextFormat(Qt::PlainText);
    SetInset(true);
}

void StatusPanel::SetInset(bool inset) {
    IsInset = inset;
    setFrameStyle(QFrame::Panel | (inset ? QFrame::Sunken : QFrame::Raised));
}

void StatusPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && Clicked) Clicked(this);
    QLabel::mousePressEvent(event);
}

void StatusPanel::ClickAsOperator() {
    const QPointF at(width() / 2.0, height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
    QCoreApplication::sendEvent(this, &release);
}

PanelBar::PanelBar(QWidget* parent) : QFrame(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
}

StatusPanel* PanelBar::AddPanel(const QString& key, const QString& text, const QString& toolTip, bool inset,
                                int width, bool stretch) {
    auto* p = new StatusPanel(key, this);
    p->setText(text);
    p->setToolTip(toolTip);
    p->SetInset(inset);
    if (stretch)
        p->setMinimumWidth(width);
    else
        p->setFixedWidth(width);
    p->Clicked = [this](StatusPanel* clicked) {
        if (PanelClick) PanelClick(clicked->Key);
    };
    static_cast<QHBoxLayout*>(layout())->addWidget(p, stretch ? 1 : 0);
    Panels.append(p);
    return p;
}

StatusPanel* PanelBar::PanelByKey(const QString& key) const {
    for (StatusPanel* p : Panels)
        if (p->Key == key) return p;
    return nullptr;
}

} // namespace app
