#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class AmountEdit;
class QComboBox;
class QLabel;
class QObject;
class QPlainTextEdit;
class QRadioButton;
class QWidget;
struct CodedList;

// Pieces of the fiscal document windows that several of them share.

// Fills a list box with a programming list's names and selects the first (none when empty).
void fillList(QComboBox *box, const CodedList &list);

// "Enviar Texto" of the management report and credit/debit voucher windows. Without a printer
// it says so; an empty memo sends nothing. Otherwise the memo goes out line by line into the
// open document while the `busy` buttons are disabled (the window repainted to show them so);
// with `waitIdle` the window is given back only once the printer has printed the text.
void sendMemoText(QWidget *window, const QPlainTextEdit *memo, const QList<QWidget *> &busy,
                  bool waitIdle);

// "Fechar RG" / "Fechar CCD": closes the open report or voucher, unless no printer is present.
void closeReport();

// The surcharge/discount group of the item sale (both tabs), totalization and non-fiscal
// voucher windows: the kind ("Nenhum", "Acréscimo", "Desconto"), the amount with its label,
// and the form ("Valor", "Porcentagem") in a panel shown only while there is an adjustment.
class AdjustmentGroup {
public:
    struct Controls {
        QRadioButton *none, *surcharge, *discount;
        QLabel *label;
        AmountEdit *amount;
        QWidget *formPanel;
        QRadioButton *value, *percentage;
    };
    // Connects the buttons for as long as `owner` lives and applies the current choices.
    // `valueMask` is the amount's mask for a value; a percentage has four digits, two of them
    // decimals. `kindRule`, a window's own rule, runs after each change of kind with whether
    // there is an adjustment.
    AdjustmentGroup(QObject *owner, const Controls &controls, const QString &valueMask,
                    std::function<void(bool adjusted)> kindRule = {});
    AdjustmentGroup(const AdjustmentGroup &) = delete;
    AdjustmentGroup &operator=(const AdjustmentGroup &) = delete;

    // "Nenhum" disables the amount and its label and hides the form panel; a surcharge or a
    // discount enables and shows them.
    void applyKind();
    char type() const; // 'N', 'A' or 'D'
    bool percentage() const;
    QByteArray digits() const;

private:
    // The form's mask and zero text; the amount takes the focus.
    void applyForm();

    Controls c;
    QString valueMask;
    std::function<void(bool)> kindRule;
};
