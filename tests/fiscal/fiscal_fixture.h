#pragma once

// What the fiscal document window tests share: the windows' parents and scripted messages, the
// frames the emulated printer received, and a printer whose fiscal day is open, with coupons
// set up through the command set as the other document windows would leave them.
#include "core/global.h"
#include "protocol/command_set.h"
#include "support/recording_messages.h"
#include "support/window_fixture.h"

#include <QRadioButton>
#include <QtTest>

#include <cstring>
#include <memory>

namespace fiscal_fixture {

using fixture::click;
using fixture::control;
using fixture::printer;
using fixture::type;

inline const QString NoPrinter = QStringLiteral("Não existe impressora!");

// ESC, a command byte; the rest of the frame is appended.
inline QByteArray esc(int command) {
    return QByteArray("\x1b") + char(command);
}

inline QList<QByteArray> frames(uint model) {
    return printer(model)->receivedFrames();
}
inline QByteArray lastFrame(uint model) {
    const QList<QByteArray> all = frames(model);
    return all.isEmpty() ? QByteArray() : all.last();
}

inline QByteArray cooText(qint64 coo) {
    return QByteArray::number(coo).rightJustified(6, '0');
}
inline QByteArray amount12(qint64 centavos) {
    return QByteArray::number(centavos).rightJustified(12, '0');
}

template <size_t N> QByteArray bytesOf(const uint8_t (&field)[N]) {
    return QByteArray(reinterpret_cast<const char *>(field), int(N));
}
template <size_t N> void put(uint8_t (&field)[N], const QByteArray &text, char fill = ' ') {
    std::memset(field, fill, N);
    std::memcpy(field, text.constData(), std::min(N, size_t(text.size())));
}

// Checks a radio button as a click does.
inline void choose(QWidget *window, const char *name) {
    control<QRadioButton>(window, name)->click();
}

// One row per model, in a column "model"; a row's name starts with "MV210" or "MV4700".
inline void modelRows() {
    QTest::addColumn<uint>("model");
    QTest::newRow("MV210") << uint(ModelA);
    QTest::newRow("MV4700") << uint(ModelB);
}

// The code of the linked payment method "Cartao" (0) or "Ticket" (1) that openDay programs.
inline QByteArray linkedCode(uint model, int method) {
    return model == ModelA ? QByteArray(1, char('B' + method)) : QByteArray::number(52 + method);
}

// The printer of `model` present, its day programmed and opened by `readings` Leitura X, and
// its received frames cleared. Programmed: the tax rates TA (ICMS 18,00%) and TB (ISS 5,00%);
// the linked payment methods "Cartao" and "Ticket" (indexes 02 and 03) and, on model A, their
// linked totalizers (letters A and B); the non-fiscal totalizers "Recebimento" (inflow, first)
// and "Sangria" (outflow); on model B the management reports "Zeta" (01) and "Alfa" (02).
inline bool openDay(uint model, int readings = 1, int printTimeMs = 20) {
    if (!fixture::connectPrinter(model))
        return false;
    printer(model)->setPrintTimeMs(printTimeMs);
    CommandSet &c = *commandSetFor(model);
    bool ok =
        c.ProgramTaxRate({0, {'1', '8', '0', '0'}}) && c.ProgramTaxRate({1, {'0', '5', '0', '0'}});
    for (const char *name : {"Cartao", "Ticket"}) {
        PaymentMethodRecord method{1, {'0', uint8_t(name[0] == 'C' ? '2' : '3')}, {}};
        put(method.name, name);
        ok = ok && c.ProgramPaymentMethod(method) &&
             (model != ModelA || c.ProgramLinkedTotalizer(method));
    }
    for (const char *name : {"Recebimento", "Sangria"}) {
        TotalizerRecord totalizer{uint8_t(name[0] == 'S'), {' ', ' '}, {}};
        put(totalizer.name, name);
        ok = ok && c.ProgramNonFiscalTotalizer(totalizer);
    }
    for (const char *name : {"Zeta", "Alfa"}) {
        uint8_t field[21];
        put(field, name);
        ok = ok && (model != ModelB || c.ProgramReportName(field));
    }
    invalidateConfigurationCache();
    for (int i = 0; i < readings; ++i)
        ok = ok && c.ReadingX() && c.WaitPrinterIdle();
    printer(model)->clearReceivedFrames();
    return ok;
}

// A full-description item under TA: `price` 10 digits and `quantity` 8, three decimals each.
inline ItemRecord item(const char *code, const char *price = "0000001000",
                       const char *quantity = "00001000") {
    ItemRecord r;
    std::memset(&r, 0, sizeof r);
    put(r.code, code, '\0');
    put(r.description, "Produto", '\0');
    std::memcpy(r.price, price, 10);
    std::memcpy(r.taxCode, "TA", 2);
    std::memcpy(r.quantity, quantity, 8);
    std::memcpy(r.unit, "un", 2);
    r.quantityFormat = 'D';
    std::memset(r.adjustment, '0', 9);
    r.adjustmentType = 'N';
    r.adjustmentMode = 'V';
    return r;
}

inline TotalRecord plainTotal() {
    TotalRecord total;
    std::memset(&total, '0', sizeof total);
    total.adjustmentType = 'N';
    total.adjustmentMode = 'V';
    return total;
}

inline PaymentRecord payment(const QByteArray &method, qint64 centavos) {
    PaymentRecord r;
    std::memset(&r, 0, sizeof r);
    put(r.method, method, '\0');
    std::memcpy(r.amount, amount12(centavos).constData(), 12);
    return r;
}

// A coupon opened, its COO in CurrentCOO as the fiscal window leaves it, and `items` items of
// R$ 1,00 sold; the frames received so far are cleared.
inline bool openCoupon(uint model, int items = 0) {
    CommandSet &c = *commandSetFor(model);
    char coo[6];
    bool ok = c.OpenCoupon(coo);
    toolState().CurrentCOO.set(QString::fromLatin1(coo, 6));
    for (int i = 0; i < items; ++i)
        ok = ok && c.SellItem(item("001"));
    printer(model)->clearReceivedFrames();
    return ok;
}

// A coupon of one R$ 10,00 item, totalized: the subtotal the printer returned (empty when
// refused). CurrentCOO is the coupon's.
inline QByteArray totalizedCoupon(uint model) {
    CommandSet &c = *commandSetFor(model);
    TotalRecord total = plainTotal();
    if (!openCoupon(model) || !c.SellItem(item("001", "0000010000")) || !c.Totalize(total))
        return {};
    printer(model)->clearReceivedFrames();
    return bytesOf(total.amount);
}

// The coupon of totalizedCoupon() paid with `method` and closed.
inline bool paidCoupon(uint model, const QByteArray &method) {
    CommandSet &c = *commandSetFor(model);
    PaymentRecord paid = payment(method, 1000);
    const bool ok =
        !totalizedCoupon(model).isEmpty() && c.RegisterPayment(paid) && c.CloseCoupon("Obrigado");
    printer(model)->clearReceivedFrames();
    return ok;
}

// The windows' parents (a main window and the fiscal window) and the scripted messages, made
// afresh for each test function with both emulated printers as from the factory.
struct Desk {
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<QWidget> main;
    std::unique_ptr<QWidget> fiscal;

    void start(double clockScale = 0.01) {
        fixture::freshPrinters(clockScale);
        invalidateConfigurationCache();
        messages = std::make_unique<RecordingMessages>();
        main = std::make_unique<QWidget>();
        fiscal = std::make_unique<QWidget>();
    }
    // After the test's own windows are gone.
    void stop() {
        fiscal.reset();
        main.reset();
        messages.reset();
        fixture::disconnectPrinter();
    }
};

} // namespace fiscal_fixture
