#pragma once

#include <QLineEdit>

// An amount field with shift-in digit entry (see DigitEntry): a digit key shifts the digits
// left and appends the new one, Esc zeroes the field, every other key is ignored. text()
// shows the digits with the mask's separators; digits() is what the printer is sent.
class AmountEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit AmountEdit(QWidget *parent = nullptr);

    // Sets the mask ("0.000.000,00;0;_") and zeroes the field.
    void setMask(const QString &mask);
    QString mask() const { return digitMask; }

    QString digits() const { return value; }
    QByteArray digitBytes() const { return value.toLatin1(); }
    // Shows `digits`, cut or left-padded with zeros to the mask's digit count.
    void setDigits(const QString &digits);
    void zero();
    bool isZero() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refresh();

    QString digitMask = QStringLiteral("0.000.000,00;0;_");
    QString value;
};
