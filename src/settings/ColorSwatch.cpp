#include "settings/ColorSwatch.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent)
{
    // A plain dark border, so a white swatch still shows its size.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void ColorSwatch::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), m_color);
        if (hasFocus()) {
            // A dashed ring in black or white, whichever shows on the colour.
            const bool dark = m_color.lightness() < 128;
            painter.setPen(QPen(dark ? Qt::white : Qt::black, 1, Qt::DashLine));
            painter.drawRect(contentsRect().adjusted(2, 2, -3, -3));
        }
    }
    QFrame::paintEvent(event);
}

// The press is taken so that the release comes here too.
void ColorSwatch::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        emit activated();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}

void ColorSwatch::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            event->accept();
            emit activated();
            return;
        }
        break;
    default:
        break;
    }
    QFrame::keyPressEvent(event);
}
