#pragma once

#include <QColor>
#include <QWidget>

// A small filled circle: the printer presence light and the status lights.
class Indicator : public QWidget {
    Q_OBJECT
public:
    explicit Indicator(QWidget *parent = nullptr);

    void setColor(const QColor &color);
    QColor color() const { return fill; }
    QSize sizeHint() const override { return {18, 18}; }

signals:
    void colorChanged(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor fill = Qt::lightGray;
};
