#include "app/Widgets.h"

#include "editor/PlainTextPane.h"
#include "render/ImageCanvas.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

namespace app {

CanvasWidget::CanvasWidget(render::ImageCanvas& source, const QString& name, QWidget* parent)
    : QWidget(parent), Source(source) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QImage& image = Source.Image();
    // The picture may hold more pixels than the window's (a screen scaled twice): the part under
    // the event's rectangle is taken at the picture's own resolution.
    if (image.deviceIndependentSize().toSize() == size()) {
        const QRectF r = event->rect();
        const double ratio = image.devicePixelRatio();
        p.drawImage(r, image, QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio));
        return;
    }
    p.fillRect(event->rect(), Qt::black);
    p.drawImage(rect(), image);
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
    event->accept();
}

ProgramPane::ProgramPane(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("Program");
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // A scroll bar that came and went would change the text width, and each change lays out
    // every line of the program again: seconds and hundreds of megabytes for a long one.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

bool ProgramPane::event(QEvent* e) {
    // The pane would claim Ctrl+Z, Ctrl+C ... as its own; here the window's commands win, and
    // the Edit commands act on the pane themselves.
    if (e->type() == QEvent::ShortcutOverride && IsWindowShortcut) {
        auto* key = static_cast<QKeyEvent*>(e);
        const QKeySequence seq(key->modifiers() | key->key());
        if (IsWindowShortcut(seq)) {
            e->ignore();
            return true;
        }
    }
    return QPlainTextEdit::event(e);
}

void ProgramPane::keyPressEvent(QKeyEvent* e) {
    if (BeforeInput) BeforeInput();
    // The Insert key switches between inserting and overwriting, as the INS panel shows.
    if (e->key() == Qt::Key_Insert && e->modifiers() == Qt::NoModifier) {
        setOverwriteMode(!overwriteMode());
        if (OverwriteChanged) OverwriteChanged();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void ProgramPane::inputMethodEvent(QInputMethodEvent* e) {
    if (BeforeInput) BeforeInput();
    QPlainTextEdit::inputMethodEvent(e);
}

void ProgramPane::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::MiddleButton && BeforeInput) BeforeInput();
    QPlainTextEdit::mousePressEvent(e);
}

void ProgramPane::dragEnterEvent(QDragEnterEvent* e) {
    if (BeforeInput) BeforeInput();
    QPlainTextEdit::dragEnterEvent(e);
}

QMimeData* ProgramPane::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(editor::SelectedPaneText(textCursor()));
    return data;
}

void ProgramPane::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly() || !source || !source->hasText()) return;
    QTextCursor cursor = textCursor();
    editor::InsertPaneText(cursor, source->text());
    setTextCursor(cursor);
    ensureCursorVisible();
}

} // namespace app
