#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class Link;

// What happens to one check once "Imprimir" has sent its data: the operator is guided to put it
// in, the front is printed, the operator takes it out, and, with a back text, the same again
// for the back. Runs on the check thread; widget-free, so it is driven directly by tests.
class ChequeRun {
public:
    struct Hooks {
        // Puts a progress text into the window's message label.
        std::function<void(const QString &)> show;
        // The termination request (the "Cancelar" button).
        std::function<bool()> stopRequested;
        // The back text to print once the front is out: empty when "Texto no verso" is not
        // checked or the text is empty. Asked only then, so it sees the window at that moment.
        std::function<QString()> backText;
    };
    enum class End {
        Done,      // the check went through and was taken out
        Stopped,   // termination requested while waiting for the check: nothing more was sent
        Cancelled, // CAN sent: the print was stopped, or the check was not taken out in time
    };

    // How long the operator has to take the printed check out before the print is cancelled.
    static constexpr int RemoveWithinMs = 8000;
    static constexpr int DetectedPauseMs = 1500;
    static constexpr int PrintingPauseMs = 5000;
    static constexpr int CancelPauseMs = 5000;

    ChequeRun(Link &link, Hooks hooks);

    End run(bool horizontal, const QByteArray &amountDigits);

private:
    enum class Step { Ok, Stopped, Cancelled };
    Step waitForCheck();
    Step printAndRelease(const QByteArray &frame);
    Step waitForAnswer();
    Step waitForRelease();
    void cancelPrint();
    // One GS poll; decodes its answer.
    bool poll(bool &inPlace, bool &held, bool &released);

    Link &link;
    Hooks hooks;
};

namespace ChequeText {
extern const QString Position;     // "Posicione Cheque"
extern const QString PositionBack; // "Posicione Cheque (Verso)"
extern const QString Detected;     // "Cheque Detectado"
extern const QString Printing;     // "Imprimindo Cheque"
extern const QString Remove;       // "Retire o Cheque"
extern const QString Cancelling;   // "Cancelando..."
} // namespace ChequeText
