#include "printer.h"

#include "check_printer.h"
#include "fiscal_state.h"
#include "printer_internal.h"

#include <algorithm>

// The printer's controls: power, the maintenance jumper, the sensors (paper, drawer, cover, check),
// silence, delays and pacing, a refusal on demand, the status override, the clock, and what the
// tests and the panel read of its memory.

namespace emu {

// Switching off ends the boot loader's firmware update mode and loses a report being printed,
// and an authentication waiting for its slip.
void Printer::setPowered(bool on) {
    std::lock_guard lock(mutex);
    if (!on)
        return switchOff();
    isPowered = true;
    partial.clear();
    partialCommand = nullptr;
}

void Printer::switchOff() {
    isPowered = false;
    partial.clear();
    partialCommand = nullptr;
    st->updateMode = false;
    st->busyUntil = {};
    st->documents.powerLost();
}

bool Printer::powered() const {
    std::lock_guard lock(mutex);
    return isPowered;
}

// The real printer reads its jumper when it is switched on. The emulator's jumper takes effect
// at once, as if the technician had switched the printer off and on around moving it: that is
// the only way a technician ever sees it change.
void Printer::setMaintenanceJumper(bool on) {
    std::lock_guard lock(mutex);
    jumper = on;
}

bool Printer::maintenanceJumper() const {
    std::lock_guard lock(mutex);
    return jumper;
}

void Printer::setPaperEnd(bool on) {
    std::lock_guard lock(mutex);
    paperEnd = on;
}

void Printer::setPaperLow(bool on) {
    std::lock_guard lock(mutex);
    paperLow = on;
}

void Printer::setDrawerOpen(bool open) {
    std::lock_guard lock(mutex);
    drawer = open;
    drawerOpenedAt = std::chrono::steady_clock::now();
}

bool Printer::drawerOpen() const {
    std::lock_guard lock(mutex);
    return drawerIsOpen();
}

void Printer::setDrawerAutoCloseMs(int ms) {
    std::lock_guard lock(mutex);
    drawerCloseMs = ms;
}

int Printer::drawerOpenings() const {
    std::lock_guard lock(mutex);
    return drawerKicks;
}

void Printer::setCoverOpen(bool open) {
    std::lock_guard lock(mutex);
    coverOpen = open;
}

void Printer::setCheckInserted(bool inserted) {
    std::lock_guard lock(mutex);
    checkInserted = inserted;
    if (detail::CheckPrinter *mechanism = checks())
        mechanism->slotChanged();
}

bool Printer::drawerIsOpen() const {
    if (!drawer || drawerCloseMs <= 0)
        return drawer;
    return std::chrono::steady_clock::now() - drawerOpenedAt <
           std::chrono::milliseconds(drawerCloseMs);
}

void Printer::kickDrawer() {
    drawer = true;
    drawerOpenedAt = std::chrono::steady_clock::now();
    ++drawerKicks;
}

void Printer::setSilent(bool on) {
    std::lock_guard lock(mutex);
    silent = on;
}

void Printer::setAnswerDelayMs(int ms) {
    std::lock_guard lock(mutex);
    delayMs = std::max(0, ms);
}

int Printer::answerDelayMs() const {
    std::lock_guard lock(mutex);
    return delayMs;
}

void Printer::setPacing(bool on) {
    std::lock_guard lock(mutex);
    paced = on;
}

bool Printer::pacing() const {
    std::lock_guard lock(mutex);
    return paced;
}

void Printer::failNextWith(const QByteArray &code) {
    std::lock_guard lock(mutex);
    failCode = code.left(2).rightJustified(2, '0');
}

void Printer::setStatusOverride(std::optional<QByteArray> twelveDigits) {
    std::lock_guard lock(mutex);
    statusOverride = std::move(twelveDigits);
}

void Printer::setPrintTimeMs(int ms) {
    std::lock_guard lock(mutex);
    st->printMs = std::max(0, ms);
}

int Printer::printTimeMs() const {
    std::lock_guard lock(mutex);
    return st->printMs;
}

bool Printer::printing() const {
    std::lock_guard lock(mutex);
    return st->printing();
}

void Printer::setClockOffsetSeconds(qint64 seconds) {
    {
        std::lock_guard lock(mutex);
        st->clockOffset = seconds;
    }
    stateMayHaveChanged();
}

qint64 Printer::clockOffsetSeconds() const {
    std::lock_guard lock(mutex);
    return st->clockOffset;
}

void Printer::advanceDays(int days) {
    {
        std::lock_guard lock(mutex);
        st->clockOffset += qint64(days) * 86400;
    }
    stateMayHaveChanged();
}

QDateTime Printer::printerClock() const {
    std::lock_guard lock(mutex);
    return st->clock();
}

void Printer::addPastReductions(int count) {
    {
        std::lock_guard lock(mutex);
        st->addPastReductions(count);
    }
    stateMayHaveChanged();
}

int Printer::reductionCount() const {
    std::lock_guard lock(mutex);
    return int(st->reductions.size());
}

QList<Reduction> Printer::reductions() const {
    std::lock_guard lock(mutex);
    return QList<Reduction>(st->reductions.begin(), st->reductions.end());
}

bool Printer::reductionPending() const {
    std::lock_guard lock(mutex);
    return st->reductionPending();
}

bool Printer::reductionIssuedToday() const {
    std::lock_guard lock(mutex);
    return st->reductionToday();
}

bool Printer::fiscalDayOpen() const {
    std::lock_guard lock(mutex);
    return st->fiscalDay.has_value();
}

int Printer::documentCounter() const {
    std::lock_guard lock(mutex);
    return st->coo;
}

bool Printer::firmwareUpdateMode() const {
    std::lock_guard lock(mutex);
    return st->updateMode;
}

QList<TaxRate> Printer::taxRates() const {
    std::lock_guard lock(mutex);
    return QList<TaxRate>(st->taxRates.begin(), st->taxRates.end());
}

QList<PaymentMethod> Printer::paymentMethods() const {
    std::lock_guard lock(mutex);
    return QList<PaymentMethod>(st->methods.begin(), st->methods.end());
}

QByteArrayList Printer::linkedTotalizerNames() const {
    std::lock_guard lock(mutex);
    if (printerModel != Model::A)
        return {};
    return QByteArrayList(st->linkedTotalizers.begin(), st->linkedTotalizers.end());
}

QList<NonFiscalTotalizer> Printer::nonFiscalTotalizers() const {
    std::lock_guard lock(mutex);
    return QList<NonFiscalTotalizer>(st->totalizers.begin(), st->totalizers.end());
}

QByteArrayList Printer::reportNames() const {
    std::lock_guard lock(mutex);
    if (printerModel != Model::B)
        return {};
    return QByteArrayList(st->reportNames.begin(), st->reportNames.end());
}

QByteArray Printer::options() const {
    std::lock_guard lock(mutex);
    return st->options;
}

bool Printer::daylightSaving() const {
    std::lock_guard lock(mutex);
    return st->daylightSaving();
}

QByteArray Printer::operatorText() const {
    std::lock_guard lock(mutex);
    return st->operatorText;
}

QByteArray Printer::headerText() const {
    std::lock_guard lock(mutex);
    return st->header;
}

QList<BankLayout> Printer::bankTable() const {
    std::lock_guard lock(mutex);
    return st->banks;
}

std::optional<UserRecord> Printer::userRecord() const {
    std::lock_guard lock(mutex);
    if (st->users.empty())
        return std::nullopt;
    return st->users.back();
}

} // namespace emu
