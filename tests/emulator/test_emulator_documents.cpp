// The emulated printers' documents: the fiscal coupon from opening to closing, the amounts
// the printer works out, the non-fiscal and linked vouchers, the management report, the
// authentication that waits for its slip, and the refusals of steps out of sequence. Frames
// are built by hand, byte by byte, as the tool lays them out for each model.

#include "link/emulator_transport.h"
#include "pty_host.h"
#include "support/emulator_bench.h"

#include <QMap>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using emu::DocumentKind;
using namespace emubench;

namespace {

const QByteArray Ff("\xFF", 1);
const QByteArray Can("\x18", 1);

QByteArray num(qint64 value, int width) {
    return QByteArray::number(value).rightJustified(width, '0');
}

// The data the tool reads: the COO (6 digits) and the subtotal or balance (12 digits).
QByteArray cooOf(Model m, const QByteArray &answer) {
    return answer.mid(isA(m) ? 2 : 6, 6);
}
QByteArray amountOf(Model m, const QByteArray &answer) {
    return answer.mid(isA(m) ? 1 : 6, 12);
}

// ---- Frames ----

// Codes of what the bench programs: methods cash, cheque and the linked card; the inflow and
// outflow totalizers and one never programmed.
QByteArray cash(Model m) {
    return isA(m) ? "A" : "01";
}
QByteArray cheque(Model m) {
    return isA(m) ? "C" : "02";
}
QByteArray card(Model m) {
    return isA(m) ? "B" : "51";
}
QByteArray inflow(Model m) {
    return isA(m) ? "A" : "01";
}
QByteArray outflow(Model m) {
    return isA(m) ? "B" : "02";
}
QByteArray unknownTotalizer(Model m) {
    return isA(m) ? "F" : "06";
}

// The adjustment type digit: 'N' none, 'A' surcharge, 'D' discount; 'V' value, 'P' percent.
char typeDigit(char type, char mode) {
    if (type == 'N')
        return '1';
    if (type == 'A')
        return mode == 'V' ? '3' : '2';
    return mode == 'V' ? '1' : '0';
}
// A 12-digit adjustment field; a percentage first on model A, last on model B.
QByteArray field12(Model m, char type, char mode, const QByteArray &digits) {
    if (type == 'N')
        return num(0, 12);
    if (mode == 'V')
        return num(digits.toLongLong(), 12);
    return isA(m) ? digits + num(0, 8) : num(0, 8) + digits;
}

// The long form: price 10 digits, quantity 8 digits, three decimals each. Model A adjusts
// items by percentage only (4 digits); model B by a 9-digit value or a 4-digit percentage.
QByteArray longItem(Model m, const QByteArray &tax, const QByteArray &price,
                    const QByteArray &quantity, char type = 'N', char mode = 'P',
                    const QByteArray &adj = "0000") {
    if (isA(m))
        return esc(0xDF) + tax + pad("789123", 13) + (type == 'A' ? '1' : '0') +
               (type == 'N' ? "0000" : adj) + price + quantity + "kg" + "Queijo minas" + Ff;
    const QByteArray adj9 = type == 'N'   ? num(0, 9)
                            : mode == 'V' ? num(adj.toLongLong(), 9)
                                          : "00000" + adj;
    return esc(0xCA) + tax + pad("789123", 18) + typeDigit(type, mode) + adj9 + price + quantity +
           "kg" + "Queijo minas" + Ff;
}
// The short form: price 9 digits with two decimals, quantity "ddddd" or "dd,dd".
QByteArray shortItem(Model m, const QByteArray &tax, const QByteArray &price,
                     const QByteArray &quantity) {
    if (isA(m))
        return esc(0xCA) + tax + pad("123", 6) + "000" + '0' + "0000" + price + quantity +
               pad("Pao", 14);
    return esc(0xC9) + tax + pad("123", 6) + '1' + num(0, 9) + price + quantity + pad("Pao", 13);
}
QByteArray openCoupon() {
    return esc(0xC8);
}
QByteArray cancelItem(Model m, int item) {
    return esc(isA(m) ? 0xCD : 0xCC) + num(item, 3);
}
QByteArray cancelCoupon(Model m) {
    return esc(isA(m) ? 0xCE : 0xD3);
}
QByteArray totalize(Model m, char type = 'N', char mode = 'V', const QByteArray &digits = {}) {
    return esc(isA(m) ? 0xF1 : 0xCE) + typeDigit(type, mode) + field12(m, type, mode, digits);
}
QByteArray pay(Model m, const QByteArray &method, qint64 cents) {
    return esc(isA(m) ? 0xF2 : 0xCF) + method + num(cents, 12) + "Obrigado" + Ff;
}
QByteArray reverse(Model m, const QByteArray &from, const QByteArray &to, int coupon,
                   qint64 cents) {
    return esc(isA(m) ? 0xF8 : 0xDB) + from + to + num(coupon, 6) + num(cents, 12);
}
QByteArray closeCoupon(Model m) {
    return isA(m) ? esc(0xF3) + "Volte sempre" + Ff : esc(0xD1) + "XVolte sempre\r\n" + Ff;
}
QByteArray voucher(Model m, const QByteArray &totalizer, qint64 cents, char type = 'N',
                   char mode = 'V', const QByteArray &adj = {}) {
    return esc(isA(m) ? 0xD9 : 0xD4) + totalizer + typeDigit(type, mode) +
           field12(m, type, mode, adj) + "0000" + num(cents, 8) + Ff;
}
QByteArray openVoucher(Model m, const QByteArray &method, int coupon, qint64 cents) {
    return isA(m) ? esc(0xDB) + "A" + method + num(coupon, 6) + num(cents, 12)
                  : esc(0xD5) + method + num(coupon, 6) + num(cents, 12);
}
QByteArray openReport(Model m, const QByteArray &report = "01") {
    return isA(m) ? esc(0xD3) : esc(0xD2) + report;
}
QByteArray reportLine(Model m, const QByteArray &text) {
    return isA(m) ? esc(0xD5) + text + Ff : esc(0xD7) + pad(text, 48);
}
QByteArray closeReport(Model m) {
    return esc(isA(m) ? 0xD4 : 0xD8);
}
QByteArray authenticate() {
    return esc('Y') + "Texto Autent." + '\n';
}
// ---- The bench ----

QByteArray send(Printer &p, const QByteArray &frame) {
    return wire(p.receive(frame));
}
QByteArray sent(Printer &p, const QByteArray &frame) {
    return outcome(p.model(), send(p, frame));
}

// Model A: s4 bit 2 "CF aberto", bit 3 "RG aberto"; model B: s7 bit 0 coupon, bit 3 report.
bool couponLight(Printer &p) {
    return isA(p.model()) ? statusDigit(p, 4) & 4 : statusDigit(p, 7) & 1;
}
bool reportLight(Printer &p) {
    return isA(p.model()) ? statusDigit(p, 4) & 8 : statusDigit(p, 7) & 8;
}

// A printer at noon, reports printed at once, programmed with TA 18,00 %, TB 7,00 % (ICMS),
// TC 5,00 % (ISS), the methods, totalizers and report above, and (unless asked not to) with
// its fiscal day opened by the initial Leitura X. Null when the printer refused any of it.
std::shared_ptr<Printer> bench(Model m, bool openDay = true, const QByteArray &firmware = {}) {
    std::shared_ptr<Printer> p = makePrinter(m, firmware);
    atNoon(*p);
    p->setPrintTimeMs(0);
    const QList<QByteArray> programming =
        isA(m) ? QList<QByteArray>{esc(0xDC) + "1800",
                                   esc(0xDC) + "0700",
                                   esc(0xDC) + "S0500",
                                   esc(0xDA) + "PGVB" + pad("Cartao", 17),
                                   esc(0xDA) + "PGXC" + pad("Cheque", 17),
                                   esc(0xE2) + "V" + pad("Cartao", 21),
                                   esc(0xE2) + "+" + pad("Recebimento", 21),
                                   esc(0xE2) + "-" + pad("Sangria", 21)}
               : QList<QByteArray>{esc(0xDC) + "N1800",
                                   esc(0xDC) + "N0700",
                                   esc(0xDC) + "S0500",
                                   esc(0xDE) + "51" + pad("Cartao", 21),
                                   esc(0xDE) + "02" + pad("Cheque", 21),
                                   esc(0xDF) + "+" + pad("Recebimento", 21),
                                   esc(0xDF) + "-" + pad("Sangria", 21),
                                   esc(0xE0) + pad("Caixa", 21)};
    for (const QByteArray &frame : programming)
        if (sent(*p, frame) != "ok")
            return nullptr;
    if (openDay && sent(*p, readingX(m)) != "ok")
        return nullptr;
    return p;
}

// A coupon of one item of R$ 50,00 paid in cash and closed; its COO.
int paidCoupon(Printer &p) {
    const Model m = p.model();
    const int coo = cooOf(m, send(p, openCoupon())).toInt();
    send(p, shortItem(m, "TA", "000005000", "00001"));
    send(p, totalize(m));
    send(p, pay(m, cash(m), 5000));
    return sent(p, closeCoupon(m)) == "ok" ? coo : -1;
}

} // namespace

class TestEmulatorDocuments : public QObject {
    Q_OBJECT

private slots:
    void bothModels_data() {
        QTest::addColumn<QString>("model");
        QTest::newRow("A") << "A";
        QTest::newRow("B") << "B";
    }

    // Open, three items (one cancelled), 10 % off the total, two payments, closing; the day's
    // totals reach the Redução Z.
    void wholeCoupon_data() { bothModels_data(); }
    void wholeCoupon() {
        QFETCH(QString, model);
        const Model m = modelOf(model);
        const auto p = bench(m);
        QVERIFY(p);
        const int before = p->documentCounter();

        const QByteArray opened = send(*p, openCoupon());
        QCOMPARE(outcome(m, opened), QByteArray("ok"));
        QCOMPARE(cooOf(m, opened), num(before + 1, 6));
        QVERIFY(couponLight(*p));
        // 1,500 kg x R$ 10,990 = 16,485: truncated to 16,48.
        QCOMPARE(sent(*p, longItem(m, "TA", "0000010990", "00001500")), QByteArray("ok"));
        QCOMPARE(sent(*p, shortItem(m, "TB", "000000250", "00003")), QByteArray("ok"));
        QCOMPARE(sent(*p, shortItem(m, "TA", "000000100", "00001")), QByteArray("ok"));
        QCOMPARE(sent(*p, cancelItem(m, 3)), QByteArray("ok"));
        QCOMPARE(sent(*p, cancelItem(m, 3)), QByteArray("15"));
        QCOMPARE(p->document().items.size(), 3);
        QCOMPARE(p->document().subtotal, 2398);

        // 10 % of 23,98 = 2,398: truncated to 2,39.
        const QByteArray total = send(*p, totalize(m, 'D', 'P', "1000"));
        QCOMPARE(outcome(m, total), QByteArray("ok"));
        QCOMPARE(amountOf(m, total), num(2159, 12));
        QCOMPARE(amountOf(m, send(*p, pay(m, cash(m), 1000))), num(1159, 12));
        QCOMPARE(amountOf(m, send(*p, pay(m, cheque(m), 2000))), num(0, 12));
        QCOMPARE(p->document().change, 841);
        QCOMPARE(p->document().phase, emu::DocumentPhase::Paid);

        QCOMPARE(sent(*p, closeCoupon(m)), QByteArray("ok"));
        QCOMPARE(p->document().kind, DocumentKind::None);
        QVERIFY(!couponLight(*p));
        QCOMPARE(p->documentCounter(), before + 1);

        QCOMPARE(sent(*p, reductionZ(*p)), QByteArray("ok"));
        const emu::Reduction r = p->reductions().back();
        QCOMPARE(r.grossSales, 1648 + 750 + 100);
        QCOMPARE(r.cancellations, 100);
        QCOMPARE(r.discounts, 239);
        QCOMPARE(r.byRate[0] + r.byRate[1], 2159);
    }

    // Quantity x price and percentages are brought to centavos once: truncated, or rounded when
    // model A's option asks for it (model B always truncates).
    void rounding_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("roundingOption");
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<qint64>("subtotal");

        const auto rows = [](const QString &name, const QByteArray &a, const QByteArray &b,
                             qint64 truncated, qint64 rounded) {
            QTest::addRow("A %s truncated", qPrintable(name)) << "A" << false << a << truncated;
            QTest::addRow("A %s rounded", qPrintable(name)) << "A" << true << a << rounded;
            QTest::addRow("B %s", qPrintable(name)) << "B" << true << b << truncated;
        };
        // 1,500 x 10,990 = 16,485
        rows("long form", longItem(Model::A, "TA", "0000010990", "00001500"),
             longItem(Model::B, "TA", "0000010990", "00001500"), 1648, 1649);
        // 2,50 x 1,99 = 4,975
        rows("short form decimal", shortItem(Model::A, "TA", "000000199", "02,50"),
             shortItem(Model::B, "TA", "000000199", "02,50"), 497, 498);
        // 1,99 less 12,50 % = 1,99 - 0,24875
        rows("item discount", longItem(Model::A, "TA", "0000001990", "00001000", 'D', 'P', "1250"),
             longItem(Model::B, "TA", "0000001990", "00001000", 'D', 'P', "1250"), 175, 174);
        // 3 x 0,50 and a surcharge of 2,00 (model B adjusts items by value too)
        QTest::newRow("B item surcharge value")
            << "B" << false << longItem(Model::B, "TA", "0000000500", "00003000", 'A', 'V', "200")
            << qint64(350);
    }
    void rounding() {
        QFETCH(QString, model);
        QFETCH(bool, roundingOption);
        QFETCH(QByteArray, item);
        QFETCH(qint64, subtotal);
        const Model m = modelOf(model);
        const auto p = bench(m);
        QVERIFY(p);
        if (isA(m)) {
            QByteArray options(40, 'X'); // 'X' leaves an option as it is
            options[4] = roundingOption ? '1' : '0';
            QCOMPARE(sent(*p, esc(0xE4) + options), QByteArray("ok"));
        }
        QCOMPARE(sent(*p, openCoupon()), QByteArray("ok"));
        QCOMPARE(sent(*p, item), QByteArray("ok"));
        QCOMPARE(amountOf(m, send(*p, totalize(m))), num(subtotal, 12));
    }

    // Model B adjusts an item already sold, once.
    void adjustSoldItem() {
        const auto p = bench(Model::B);
        QVERIFY(p);
        send(*p, openCoupon());
        send(*p, shortItem(Model::B, "TA", "000001000", "00001"));
        const QByteArray discount = esc(0xCB) + "001" + '1' + num(150, 9); // 1,50 off
        QCOMPARE(sent(*p, esc(0xCB) + "002" + '1' + num(150, 9)), QByteArray("15"));
        QCOMPARE(sent(*p, discount), QByteArray("ok"));
        QCOMPARE(sent(*p, discount), QByteArray("24"));
        QCOMPARE(amountOf(Model::B, send(*p, totalize(Model::B))), num(850, 12));
    }

    // A reversal moves what one method took to another, in the coupon or right after it.
    void reversal_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("tooLarge");
        QTest::addColumn<QByteArray>("notPaid");
        QTest::newRow("A") << "A" << QByteArray("38") << QByteArray("38");
        QTest::newRow("B") << "B" << QByteArray("48") << QByteArray("49");
    }
    void reversal() {
        QFETCH(QString, model);
        QFETCH(QByteArray, tooLarge);
        QFETCH(QByteArray, notPaid);
        const Model m = modelOf(model);
        const auto p = bench(m);
        QVERIFY(p);
        const int coupon = cooOf(m, send(*p, openCoupon())).toInt();
        send(*p, shortItem(m, "TA", "000005000", "00001"));
        send(*p, totalize(m));
        send(*p, pay(m, card(m), 3000));
        QCOMPARE(sent(*p, reverse(m, card(m), cash(m), coupon, 500)), QByteArray("ok"));
        send(*p, pay(m, cash(m), 2500));
        QCOMPARE(sent(*p, closeCoupon(m)), QByteArray("ok"));
        QCOMPARE(sent(*p, reverse(m, card(m), cash(m), coupon, 2501)), tooLarge);
        QCOMPARE(sent(*p, reverse(m, cheque(m), cash(m), coupon, 100)), notPaid);
        QCOMPARE(sent(*p, reverse(m, card(m), cash(m), coupon, 500)), QByteArray("ok"));
        QCOMPARE(p->documentCounter(), coupon + 1); // printed on a slip of its own
        QCOMPARE(sent(*p, openVoucher(m, card(m), coupon, 2001)), QByteArray("43"));
        QCOMPARE(sent(*p, openVoucher(m, card(m), coupon, 2000)), QByteArray("ok"));
    }

    void nonFiscalVoucher_data() { bothModels_data(); }
    void nonFiscalVoucher() {
        QFETCH(QString, model);
        const Model m = modelOf(model);
        const auto p = bench(m);
        QVERIFY(p);
        const int before = p->documentCounter();

        // An inflow of 50,00 with 10 % on top is paid like a coupon.
        const QByteArray issued = send(*p, voucher(m, inflow(m), 5000, 'A', 'P', "1000"));
        QCOMPARE(outcome(m, issued), QByteArray("ok"));
        QCOMPARE(cooOf(m, issued), num(before + 1, 6));
        QCOMPARE(p->document().kind, DocumentKind::NonFiscalVoucher);
        QCOMPARE(p->document().total, 5500);
        QCOMPARE(sent(*p, totalize(m)), QByteArray("39"));
        QCOMPARE(sent(*p, closeCoupon(m)), QByteArray("39"));
        QCOMPARE(amountOf(m, send(*p, pay(m, cash(m), 5500))), num(0, 12));
        QCOMPARE(sent(*p, closeCoupon(m)), QByteArray("ok"));

        // An outflow takes no payment and closes at once.
        QCOMPARE(sent(*p, voucher(m, outflow(m), 2000)), QByteArray("ok"));
        QCOMPARE(sent(*p, pay(m, cash(m), 2000)), QByteArray("39"));
        QCOMPARE(sent(*p, closeCoupon(m)), QByteArray("ok"));

        QCOMPARE(sent(*p, voucher(m, unknownTotalizer(m), 1000)), QByteArray("30"));
        QCOMPARE(sent(*p, voucher(m, inflow(m), 1000, 'D', 'V', "1001")), QByteArray("24"));
        QCOMPARE(p->documentCounter(), before + 2);
    }

    // A linked voucher follows a coupon paid with a linked method, for no more than it took.
    void linkedVoucher_data() { bothModels_data(); }
    void linkedVoucher() {
        QFETCH(QString, model);
        const Model m = modelOf(model);
        const auto p = bench(m);
        QVERIFY(p);
        const int coupon = cooOf(m, send(*p, openCoupon())).toInt();
        send(*p, shortItem(m, "TA", "000005000", "00001"));
        send(*p, totalize(m));
        QCOMPARE(sent(*p, openVoucher(m, card(m), coupon, 1000)), QByteArray("10"));
        QCOMPARE(amountOf(m, send(*p, pay(m, card(m), 3000))), num(2000, 12));
        QCOMPARE(amountOf(m, send(*p, pay(m, cash(m), 2000))), num(0, 12));
        QCOMPARE(sent(*p, closeCoupon(m)), QByteArray("ok"));

        QCOMPARE(sent(*p, openVoucher(m, card(m), coupon, 3001)), QByteArray("43"));
        QCOMPARE(sent(*p, openVoucher(m, cash(m), coupon, 1000)), QByteArray("43"));
        QCOMPARE(sent(*p, openVoucher(m, card(m), coupon - 1, 1000)), QByteArray("43"));
        const QByteArray opened = send(*p, openVoucher(m, card(m), coupon, 2000));
        QCOMPARE(outcome(m, opened), QByteArray("ok"));
        QCOMPARE(cooOf(m, opened), num(coupon + 1, 6));
        QCOMPARE(p->document().kind, DocumentKind::LinkedVoucher);
        QCOMPARE(sent(*p, reportLine(m, "Cartao 1234")), QByteArray("ok"));
        QCOMPARE(sent(*p, reportLine(m, "Autorizacao 99")), QByteArray("ok"));
        QCOMPARE(p->document().lines.size(), 2);
        QCOMPARE(sent(*p, closeReport(m)), QByteArray("ok"));
        QCOMPARE(sent(*p, openVoucher(m, card(m), coupon, 1001)), QByteArray("43"));
        QCOMPARE(sent(*p, openVoucher(m, card(m), coupon, 1000)), QByteArray("ok"));
        QCOMPARE(sent(*p, closeReport(m)), QByteArray("ok"));

        if (isA(m)) {
            // Model A cancels the coupon with its vouchers.
            QCOMPARE(sent(*p, cancelCoupon(m)), QByteArray("ok"));
        } else {
            // Model B: one second copy, right after; vouchers cancelled before their coupon.
            QCOMPARE(cooOf(m, send(*p, esc(0xDA))), num(coupon + 3, 6));
            QCOMPARE(sent(*p, esc(0xDA)), QByteArray("47"));
            QCOMPARE(sent(*p, cancelCoupon(m)), QByteArray("46"));
            QCOMPARE(sent(*p, esc(0xD9) + num(coupon + 1, 6)), QByteArray("ok"));
            QCOMPARE(sent(*p, esc(0xD9) + num(coupon + 1, 6)), QByteArray("12"));
            QCOMPARE(sent(*p, esc(0xD9) + num(coupon + 2, 6)), QByteArray("ok"));
            QCOMPARE(sent(*p, cancelCoupon(m)), QByteArray("ok"));
        }
        QCOMPARE(sent(*p, cancelCoupon(m)), QByteArray("12"));
        QCOMPARE(sent(*p, reductionZ(*p)), QByteArray("ok"));
        QCOMPARE(p->reductions().back().cancellations, 5000);
    }

    void managementReport_data() { bothModels_data(); }
    void managementReport() {
        QFETCH(QString, model);
        const Model m = modelOf(model);
        const auto p = bench(m);
        QVERIFY(p);
        QCOMPARE(sent(*p, reportLine(m, "sem relatorio")), QByteArray("11"));
        if (!isA(m))
            QCOMPARE(sent(*p, openReport(m, "02")), QByteArray("30")); // not programmed
        const QByteArray opened = send(*p, openReport(m));
        QCOMPARE(outcome(m, opened), QByteArray("ok"));
        QCOMPARE(cooOf(m, opened), num(p->documentCounter(), 6));
        QVERIFY(reportLight(*p));
        QCOMPARE(sent(*p, reportLine(m, QByteArray(60, 'x'))), QByteArray("ok"));
        QCOMPARE(p->document().lines.size(), isA(m) ? 2 : 1); // A wraps, B takes 48
        QCOMPARE(sent(*p, openCoupon()), QByteArray("10"));
        QCOMPARE(sent(*p, closeReport(m)), QByteArray("ok"));
        QVERIFY(!reportLight(*p));
        QCOMPARE(sent(*p, closeReport(m)), QByteArray("11"));
    }

    // The stamp is answered only once the slip is in; the printer waits for it meanwhile.
    void authentication_data() { bothModels_data(); }
    void authentication() {
        QFETCH(QString, model);
        const Model m = modelOf(model);
        const auto p = bench(m);
        QVERIFY(p);
        QCOMPARE(sent(*p, authenticate()), QByteArray("31")); // nothing issued yet
        QVERIFY(paidCoupon(*p) > 0);

        QVERIFY(send(*p, authenticate()).isEmpty());
        QVERIFY(p->authenticationWaiting());
        QVERIFY(!send(*p, statusPoll(m)).isEmpty());
        QVERIFY(send(*p, openCoupon()).isEmpty()); // commands wait with it
        QVERIFY(p->poll().empty());
        p->setDocumentInserted(true);
        QVERIFY(p->documentInserted());
        QCOMPARE(outcome(m, wire(p->poll())), QByteArray("ok"));
        QVERIFY(!p->authenticationWaiting());
        QVERIFY(p->poll().empty());

        for (int stamp = 2; stamp <= 4; ++stamp)
            QCOMPARE(sent(*p, authenticate()), QByteArray("ok"));
        QCOMPARE(sent(*p, authenticate()), QByteArray("31")); // four at most
    }

    void slipSensor_data() { bothModels_data(); }
    void slipSensor() {
        QFETCH(QString, model);
        const auto p = bench(modelOf(model), false);
        QVERIFY(p);
        // Model A: s1 bit 1 clear; model B: s2 bit 2 set.
        const auto in = [&] {
            return isA(p->model()) ? !(statusDigit(*p, 1) & 2) : bool(statusDigit(*p, 2) & 4);
        };
        QVERIFY(!in());
        p->setDocumentInserted(true);
        QVERIFY(in());
    }

    // CAN stops a waiting authentication: its one answer is the model's abort code. Firmware
    // without the CAN goes on waiting.
    void cancelAuthentication_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("A") << "A" << QByteArray("1.22") << QByteArray("55");
        QTest::newRow("B") << "B" << QByteArray("1.01") << QByteArray("27");
        QTest::newRow("A before 1.22") << "A" << QByteArray("1.21") << QByteArray("no answer");
        QTest::newRow("B before 1.01") << "B" << QByteArray("1.00") << QByteArray("no answer");
    }
    void cancelAuthentication() {
        QFETCH(QString, model);
        QFETCH(QByteArray, firmware);
        QFETCH(QByteArray, answer);
        const auto p = bench(modelOf(model), true, firmware);
        QVERIFY(p);
        QVERIFY(send(*p, Can).isEmpty()); // nothing to stop
        QVERIFY(paidCoupon(*p) > 0);
        QVERIFY(send(*p, authenticate()).isEmpty());
        QCOMPARE(sent(*p, Can), answer);
        QCOMPARE(p->authenticationWaiting(), answer == "no answer");
        p->setDocumentInserted(true);
        QCOMPARE(p->poll().empty(), answer != "no answer");
    }

    // Steps out of place, refused with each model's code.
    void outOfSequence_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("stage");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QByteArray>("code");
        const struct {
            const char *stage, *step, *a, *b;
        } rows[] = {
            {"day", "item", "11", "11"},
            {"day", "totalize", "11", "11"},
            {"day", "pay", "11", "11"},
            {"day", "close", "11", "11"},
            {"day", "cancel", "12", "12"},
            {"day", "closeReport", "11", "11"},
            {"no day", "open", "42", "42"},
            {"reduced", "open", "22", "22"},
            {"pending", "open", "23", "23"},
            {"jumper", "open", "00", "09"},
            {"coupon", "open", "10", "10"},
            {"coupon", "report", "10", "10"},
            {"coupon", "readingX", "10", "10"},
            {"coupon", "reductionZ", "10", "10"},
            {"coupon", "line", "10", "10"},
            {"coupon", "pay", "39", "39"},
            {"coupon", "close", "39", "39"},
            {"coupon", "cancelItem 9", "15", "15"},
            {"coupon", "rate not programmed", "18", "18"},
            {"coupon", "zero quantity", "28", "28"},
            {"coupon", "discount above 100 %", "24", "24"},
            {"coupon", "discount on ISS", "76", "32"},
            {"totalized", "item", "39", "39"},
            {"totalized", "cancelItem 1", "39", "39"},
            {"totalized", "totalize", "39", "39"},
            {"totalized", "close", "39", "39"},
            {"totalized", "pay unknown method", "38", "38"},
            {"paid", "pay", "39", "39"},
            {"report", "item", "10", "10"},
            {"report", "close", "10", "10"},
        };
        for (const auto &r : rows)
            for (const char *model : {"A", "B"})
                QTest::addRow("%s %s: %s", model, r.stage, r.step)
                    << model << r.stage << r.step << QByteArray(*model == 'A' ? r.a : r.b);
    }
    void outOfSequence() {
        QFETCH(QString, model);
        QFETCH(QString, stage);
        QFETCH(QString, step);
        QFETCH(QByteArray, code);
        const Model m = modelOf(model);
        const auto p = bench(m, stage != "no day");
        QVERIFY(p);
        const bool coupon = stage == "coupon" || stage == "totalized" || stage == "paid";
        if (coupon) {
            send(*p, openCoupon());
            QCOMPARE(sent(*p, shortItem(m, "TA", "000001000", "00001")), QByteArray("ok"));
        }
        if (stage == "totalized" || stage == "paid")
            QCOMPARE(sent(*p, totalize(m)), QByteArray("ok"));
        if (stage == "paid")
            QCOMPARE(sent(*p, pay(m, cash(m), 1000)), QByteArray("ok"));
        if (stage == "report")
            QCOMPARE(sent(*p, openReport(m)), QByteArray("ok"));
        if (stage == "reduced")
            QCOMPARE(sent(*p, reductionZ(*p)), QByteArray("ok"));
        if (stage == "pending")
            p->advanceDays(1);
        if (stage == "jumper")
            p->setMaintenanceJumper(true);

        const QMap<QString, QByteArray> steps = {
            {"open", openCoupon()},
            {"item", shortItem(m, "TA", "000000100", "00001")},
            {"totalize", totalize(m)},
            {"pay", pay(m, cash(m), 100)},
            {"pay unknown method", pay(m, isA(m) ? "Q" : "17", 100)},
            {"close", closeCoupon(m)},
            {"cancel", cancelCoupon(m)},
            {"report", openReport(m)},
            {"line", reportLine(m, "texto")},
            {"closeReport", closeReport(m)},
            {"readingX", readingX(m)},
            {"reductionZ", reductionZ(*p)},
            {"cancelItem 1", cancelItem(m, 1)},
            {"cancelItem 9", cancelItem(m, 9)},
            {"rate not programmed", shortItem(m, "TD", "000000100", "00001")},
            {"zero quantity", shortItem(m, "TA", "000000100", "00000")},
            {"discount above 100 %", totalize(m, 'D', 'V', "1001")},
            // TC is an ISS rate; the options leave discounts on ISS off.
            {"discount on ISS", longItem(m, "TC", "0000001000", "00001000", 'D', 'P', "0500")},
        };
        QVERIFY(steps.contains(step));
        QCOMPARE(sent(*p, steps.value(step)), code);
    }

    // An answer given later reaches the tool through the in-process transport and through the
    // pseudo-terminal, while the tool waits.
    void lateAnswer_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("pty");
        for (const char *model : {"A", "B"}) {
            QTest::addRow("%s in process", model) << model << false;
            QTest::addRow("%s pseudo-terminal", model) << model << true;
        }
    }
    void lateAnswer() {
        QFETCH(QString, model);
        QFETCH(bool, pty);
        const Model m = modelOf(model);
        const auto p = bench(m);
        QVERIFY(p);
        QVERIFY(paidCoupon(*p) > 0);
        std::thread operatorHand([p] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            p->setDocumentInserted(true);
        });
        QByteArray got;
        if (pty) {
            emu::PtyHost host(*p);
            QVERIFY(host.start());
            PtyLine line(host.slavePath());
            QVERIFY(line.isOpen());
            QVERIFY(line.write(authenticate()));
            got = line.read(1, 3000);
        } else {
            EmulatorTransport transport(p);
            QVERIFY(transport.open());
            QVERIFY(transport.write(authenticate()));
            const std::atomic<bool> cancel{false};
            QVERIFY(transport.readChunk(100, cancel).isEmpty()); // no slip yet
            got = transport.readChunk(3000, cancel);
        }
        operatorHand.join();
        QCOMPARE(outcome(m, got), QByteArray("ok"));
    }
};

QTEST_GUILESS_MAIN(TestEmulatorDocuments)
#include "test_emulator_documents.moc"
