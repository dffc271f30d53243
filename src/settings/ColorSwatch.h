#pragma once

#include <QColor>
#include <QFrame>

// A box that shows one colour of the settings. A click, or Space or Enter
// while it has the focus, asks for another colour (the activated signal).
class ColorSwatch final : public QFrame
{
    Q_OBJECT

public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor m_color = Qt::white;
};
