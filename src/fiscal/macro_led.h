#pragma once

#include <QColor>
#include <QWidget>

// The small round lamp beside the macro buttons: white while nothing is recorded or played,
// blinking red (recording), amber (paused) or green (playing back).
class MacroLed : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)
public:
    explicit MacroLed(QWidget *parent = nullptr);

    QColor color() const { return current; }
    void setColor(const QColor &color);

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor current = Qt::white;
};
