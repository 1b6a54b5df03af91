#include "fiscal/macro_led.h"

#include <QPainter>

MacroLed::MacroLed(QWidget *parent) : QWidget(parent) {
}

void MacroLed::setColor(const QColor &color) {
    if (color == current)
        return;
    current = color;
    update();
}

void MacroLed::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(current);
    const int side = std::min(width(), height()) - 2;
    painter.drawEllipse(QRect((width() - side) / 2, (height() - side) / 2, side, side));
}
