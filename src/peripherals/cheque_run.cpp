#include "peripherals/cheque_run.h"

#include "core/clock.h"
#include "link/serial_new.h"
#include "peripherals/cheque_frames.h"

#include <cstring>

namespace ChequeText {
const QString Position = QStringLiteral("Posicione Cheque");
const QString PositionBack = QStringLiteral("Posicione Cheque (Verso)");
const QString Detected = QStringLiteral("Cheque Detectado");
const QString Printing = QStringLiteral("Imprimindo Cheque");
const QString Remove = QStringLiteral("Retire o Cheque");
const QString Cancelling = QStringLiteral("Cancelando...");
} // namespace ChequeText

namespace {

bool send(Link &link, const QByteArray &frame) {
    std::memcpy(link.TxBuffer, frame.constData(), size_t(frame.size()));
    return link.SendFrame(link.TxBuffer, int(frame.size()));
}

} // namespace

ChequeRun::ChequeRun(Link &l, Hooks h) : link(l), hooks(std::move(h)) {
}

ChequeRun::End ChequeRun::run(bool horizontal, const QByteArray &amountDigits) {
    hooks.show(ChequeText::Position);
    Step step = waitForCheck();
    if (step == Step::Ok)
        step = printAndRelease(ChequeFrames::front(horizontal, amountDigits));
    if (step != Step::Ok)
        return step == Step::Stopped ? End::Stopped : End::Cancelled;

    const QString text = hooks.backText ? hooks.backText() : QString();
    if (text.isEmpty())
        return End::Done;
    hooks.show(ChequeText::PositionBack);
    step = waitForCheck();
    if (step == Step::Ok)
        step = printAndRelease(ChequeFrames::back(text));
    if (step != Step::Ok)
        return step == Step::Stopped ? End::Stopped : End::Cancelled;
    return End::Done;
}

bool ChequeRun::poll(bool &inPlace, bool &held, bool &released) {
    int length = 0;
    {
        Link::Exchange exchange(link);
        send(link, ChequeFrames::statusPoll());
        length = link.WaitResponse(link.RxBuffer, WaitNormal);
    }
    const ChequeFrames::CheckStatus status = ChequeFrames::decodeStatus(link.RxBuffer, length);
    inPlace = status.inPlace;
    held = status.held;
    released = status.released();
    return status.answered;
}

// Polls until a check is in place. A poll that got no answer says nothing about the slot: the
// loop simply polls again (and the termination request is still seen at each poll).
ChequeRun::Step ChequeRun::waitForCheck() {
    for (;;) {
        if (hooks.stopRequested())
            return Step::Stopped;
        bool inPlace = false, held = false, released = false;
        if (poll(inPlace, held, released) && inPlace)
            break;
        if (hooks.stopRequested())
            return Step::Stopped;
    }
    hooks.show(ChequeText::Detected);
    Clock::sleep(DetectedPauseMs);
    return Step::Ok;
}

ChequeRun::Step ChequeRun::printAndRelease(const QByteArray &frame) {
    {
        Link::Exchange exchange(link);
        send(link, frame);
    }
    if (waitForAnswer() == Step::Cancelled)
        return Step::Cancelled;
    hooks.show(ChequeText::Printing);
    Clock::sleep(PrintingPauseMs);
    hooks.show(ChequeText::Remove);
    return waitForRelease();
}

// The print frame's answer comes when the print is done: wait for it as long as it takes,
// unless the operator cancels meanwhile.
ChequeRun::Step ChequeRun::waitForAnswer() {
    for (;;) {
        if (link.WaitResponse(link.RxBuffer, WaitNormal) > 0)
            return Step::Ok;
        if (hooks.stopRequested()) {
            cancelPrint();
            return Step::Cancelled;
        }
    }
}

// Polls until the check is taken out. A check still held by the mechanism 8 seconds after
// "Retire o Cheque" is let go with a CAN. Only an answered poll counts, either way; a printer
// that stopped answering is waited for until the operator cancels.
ChequeRun::Step ChequeRun::waitForRelease() {
    const int64_t t0 = Clock::tickMs();
    for (;;) {
        bool inPlace = false, held = false, released = false;
        if (!poll(inPlace, held, released)) {
            if (hooks.stopRequested())
                return Step::Stopped;
            continue;
        }
        if (Clock::tickMs() - t0 >= Clock::scaled(RemoveWithinMs) && held) {
            cancelPrint();
            return Step::Cancelled;
        }
        if (released)
            return Step::Ok;
    }
}

void ChequeRun::cancelPrint() {
    hooks.show(ChequeText::Cancelling);
    {
        Link::Exchange exchange(link);
        send(link, ChequeFrames::cancel());
        link.WaitResponse(link.RxBuffer, WaitNormal);
    }
    Clock::sleep(CancelPauseMs);
}
