#include "widgets/indicator.h"

#include <QPainter>

Indicator::Indicator(QWidget *parent) : QWidget(parent) {
}

void Indicator::setColor(const QColor &color) {
    if (fill == color)
        return;
    fill = color;
    update();
    emit colorChanged(color);
}

void Indicator::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
