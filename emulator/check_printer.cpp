#include "check_printer.h"

#include "fiscal_state.h"
#include "printer_internal.h"

namespace emu {
namespace detail {

namespace {

// The text of a variable-length frame: what lies between the command byte and its 0xFF.
QByteArray textOf(const QByteArray &frame) {
    return frame.mid(2, frame.size() - 3);
}

} // namespace

void CheckPrinter::slotChanged() {
    // The mechanism lets a printed check go the moment the operator pulls it out.
    if (!inSlot)
        isHeld = false;
}

Reply CheckPrinter::bankFrame(const QByteArray &frame) {
    const QByteArray field = frame.mid(2, 3);
    if (!allDigits(field))
        return answers.refused("13");
    bank = number(field);
    frontDone = false; // a new check begins
    return answers.accepted({});
}

Reply CheckPrinter::cityFrame(const QByteArray &frame) {
    city = textOf(frame);
    return answers.accepted({});
}

Reply CheckPrinter::dateFrame(const QByteArray &frame) {
    const QByteArray field = frame.mid(2, 8);
    if (!allDigits(field))
        return answers.refused("13");
    date = field;
    return answers.accepted({});
}

Reply CheckPrinter::payeeFrame(const QByteArray &frame) {
    payee = textOf(frame);
    return answers.accepted({});
}

Reply CheckPrinter::frontFrame(const QByteArray &frame, const std::function<bool(int)> &knownBank) {
    const QByteArray amount = frame.mid(2, 12);
    if (!bank || !knownBank(*bank))
        return answers.refused("81");
    if (!allDigits(amount) || amount == QByteArray(12, '0'))
        return answers.refused("88");
    if (!inSlot || job)
        return answers.refused("82");
    PrintedCheck result;
    result.vertical = frame[1] == 'V';
    result.bank = *bank;
    result.amount = amount;
    result.city = city;
    result.date = date;
    result.payee = payee;
    job = Job{Clock::now() + std::chrono::milliseconds(printMs), answers.accepted({}), result};
    return {}; // answered when the print is done
}

Reply CheckPrinter::backFrame(const QByteArray &frame) {
    const QByteArray text = textOf(frame);
    if (!frontDone)
        return answers.refused("87");
    if (!inSlot || job || text.isEmpty())
        return answers.refused("82");
    PrintedCheck result;
    result.back = true;
    result.bank = bank.value_or(0);
    result.text = text;
    job = Job{Clock::now() + std::chrono::milliseconds(printMs), answers.accepted({}), result};
    return {};
}

bool CheckPrinter::cancel(Reply &reply) {
    if (!job && !isHeld)
        return false;
    // The print stops where it is (what was printed stays on the check) and the rollers open.
    job.reset();
    isHeld = false;
    reply = answers.accepted({});
    return true;
}

std::vector<Reply> CheckPrinter::takeLateAnswers() {
    std::vector<Reply> out;
    if (!job || Clock::now() < job->doneAt)
        return out;
    // The print is out: the check waits at the slot's mouth, held by the rollers.
    frontDone = !job->result.back;
    isHeld = inSlot;
    printed.push_back(job->result);
    out.push_back(std::move(job->answer));
    job.reset();
    return out;
}

} // namespace detail

bool Printer::checkInSlot() const {
    std::lock_guard lock(mutex);
    return checkInserted;
}

void Printer::setCheckPrintTimeMs(int ms) {
    std::lock_guard lock(mutex);
    if (detail::CheckPrinter *mechanism = checks())
        mechanism->setPrintTimeMs(ms);
}

QList<PrintedCheck> Printer::printedChecks() const {
    std::lock_guard lock(mutex);
    const detail::CheckPrinter *mechanism = checks();
    if (!mechanism)
        return {};
    return QList<PrintedCheck>(mechanism->printed.begin(), mechanism->printed.end());
}

} // namespace emu
