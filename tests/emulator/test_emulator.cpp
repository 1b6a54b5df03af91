// The emulated printers as a device: their state machines driven frame by frame as scripts
// (the fiscal day, the documents and their counters, the status lights, the maintenance
// commands), every refusal with its model's code (a refused frame never changes what the
// printer holds), model B's bank table, and the standalone printer-emulator program reached the
// way a serial program reaches it: through the pseudo-terminal it prints.
#include "bank_table.h"
#include "support/emulator_bench.h"
#include "support/test_main.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>

using namespace emubench;
using emu::BankLayout;
namespace BankTable = emu::BankTable;

namespace {
const QByteArray Ff("\xFF", 1);

QByteArray num(qint64 value, int width) {
    return QByteArray::number(value).rightJustified(width, '0');
}
QByteArray at(const QDateTime &time) {
    return time.toString("ddMMyyHHmmss").toLatin1();
}

// A status light: bits of one status digit, lit when (digit & mask) == on; model A, model B.
struct Light {
    int position, mask, on;
};
const QMap<QString, std::pair<Light, Light>> Lights = {
    {"operation", {{3, 8, 8}, {3, 8, 8}}}, // not in maintenance mode
    {"idle", {{4, 3, 2}, {5, 3, 3}}},      {"offline", {{2, 8, 8}, {3, 1, 1}}},
    {"paperEnd", {{1, 1, 1}, {2, 2, 2}}},  {"paperLow", {{2, 1, 1}, {2, 1, 1}}},
    {"slip", {{1, 2, 0}, {2, 4, 4}}},      {"drawer", {{1, 8, 8}, {1, 8, 8}}},
    {"readingX", {{6, 4, 4}, {4, 2, 2}}}, // the day's initial Leitura X issued
    {"dayOpen", {{6, 8, 8}, {4, 1, 1}}},   {"pending", {{2, 2, 2}, {8, 8, 8}}}, // a Redução Z due
    {"reduced", {{6, 2, 2}, {4, 4, 4}}},   {"coupon", {{4, 4, 4}, {7, 1, 1}}},
    {"report", {{4, 8, 8}, {7, 8, 8}}},
};

// A printer at noon whose reports print at once, with TA 18,00 %, TB 7,00 % (ICMS), TC 5,00 %
// (ISS), a linked card method, a cheque method, an inflow and an outflow totalizer.
std::unique_ptr<Printer> bench(Model m, const QByteArray &firmware = {}) {
    auto p = makePrinter(m, firmware);
    atNoon(*p);
    p->setPrintTimeMs(0);
    const bool a = isA(m);
    for (const QByteArray &frame :
         {esc(0xDC) + (a ? "1800" : "N1800"), esc(0xDC) + (a ? "0700" : "N0700"),
          esc(0xDC) + "S0500",
          a ? esc(0xDA) + "PGVB" + pad("Cartao", 17) : esc(0xDE) + "51" + pad("Cartao", 21),
          a ? esc(0xDA) + "PGXC" + pad("Cheque", 17) : esc(0xDE) + "02" + pad("Cheque", 21),
          esc(a ? 0xE2 : 0xDF) + "+" + pad("Recebimento", 21),
          esc(a ? 0xE2 : 0xDF) + "-" + pad("Sangria", 21),
          a ? esc(0xE2) + "V" + pad("Cartao", 21) : esc(0xE0) + pad("Caixa", 21)})
        if (!accepted(m, exchange(*p, frame)))
            return nullptr;
    return p;
}

// The user record as the tool lays it out, with the authorization code of `codeCnpj` (none:
// the frame of firmware without the code).
QByteArray userRecord(Model m, const QByteArray &serial, const QByteArray &codeCnpj) {
    const QByteArray fields = "CNPJ:" + pad("11.444.777/0001-61", 20) + "IE:" + pad("ISENTO", 20) +
                              "IM:" + pad("98765", 20) + QByteArray(25, ' ');
    const QByteArray frame = esc(0xBE) + QDate::currentDate().toString("ddMMyy").toLatin1() +
                             (isA(m) ? QByteArray(16, ' ') : "") + fields;
    return codeCnpj.isEmpty() ? frame : frame + emu::authorizationCode(serial, codeCnpj);
}

// The frames of the scripts by name, as the tool lays them out for the printer's model. Items
// and payments are R$ 10,00; `coupon` is the COO of the script's last coupon.
QByteArray frameNamed(Printer &p, const QString &name, int coupon) {
    const Model m = p.model();
    const bool a = isA(m);
    const QByteArray cash = a ? "A" : "01", cheque = a ? "C" : "02", card = a ? "B" : "51";
    const QDateTime now = p.printerClock();
    const auto item = [a](const QByteArray &tax, const QByteArray &quantity,
                          const QByteArray &price = "000001000") {
        return a ? esc(0xCA) + tax + pad("123", 6) + "00000000" + price + quantity + pad("Pao", 14)
                 : esc(0xC9) + tax + pad("123", 6) + "1000000000" + price + quantity +
                       pad("Pao", 13);
    };
    const auto pay = [&](const QByteArray &method) {
        return esc(a ? 0xF2 : 0xCF) + method + num(1000, 12) + "Obrigado" + Ff;
    };
    const auto reverse = [&](const QByteArray &from, qint64 cents) {
        return esc(a ? 0xF8 : 0xDB) + from + cash + num(coupon, 6) + num(cents, 12);
    };
    const auto linked = [&](const QByteArray &method, qint64 cents) {
        return esc(a ? 0xDB : 0xD5) + (a ? "A" : "") + method + num(coupon, 6) + num(cents, 12);
    };
    const auto voucher = [&](const QByteArray &totalizer, qint64 discount) {
        return esc(a ? 0xD9 : 0xD4) + totalizer + '1' + num(discount, 12) + num(1000, 12) + Ff;
    };
    const QMap<QString, QByteArray> frames = {
        {"X", readingX(m)},
        {"Z", reductionZ(p)},
        {"Z+1d", esc(a ? 0xD0 : 0xFC) + at(now.addDays(1))},
        {"Z-3d", esc(a ? 0xD0 : 0xFC) + at(now.addDays(-3))},
        {"rate", esc(0xDC) + (a ? "0100" : "N0100")},
        {"hour11", esc(0xE4) + QByteArray(a ? 40 : 20, 'X').replace(a ? 21 : 11, 2, "11")},
        {"hour13", esc(0xE4) + QByteArray(a ? 40 : 20, 'X').replace(a ? 21 : 11, 2, "13")},
        {"open", esc(0xC8)},
        {"item", item("TA", "00001")},
        {"itemTD", item("TD", "00001")}, // a rate not programmed
        {"item0", item("TA", "00000")},
        {"itemX", item("TA", "00001", "00000x000")},
        // TC is an ISS rate, 5 % off; the factory options leave discounts on ISS off.
        {"itemISS",
         a ? esc(0xDF) + "TC" + pad("789", 13) + "00500" + "000000100000001000kg" + Ff
           : esc(0xCA) + "TC" + pad("789", 18) + "0000000500" + "000000100000001000kg" + Ff},
        {"cancelItem1", esc(a ? 0xCD : 0xCC) + "001"},
        {"cancelItem9", esc(a ? 0xCD : 0xCC) + "009"},
        {"adjust1", esc(0xCB) + "0011" + num(150, 9)}, // model B: R$ 1,50 off a sold item
        {"adjust2", esc(0xCB) + "0021" + num(150, 9)},
        {"total", esc(a ? 0xF1 : 0xCE) + '1' + num(0, 12)},
        {"total-10,01", esc(a ? 0xF1 : 0xCE) + '1' + num(1001, 12)},
        {"total+10%", esc(0xCE) + '2' + num(1000, 12)}, // model B: the percentage in all 12 digits
        {"cash", pay(cash)},
        {"card", pay(card)},
        {"payQ", pay(a ? "Q" : "17")}, // a method that does not exist
        {"close", a ? esc(0xF3) + "Volte sempre" + Ff : esc(0xD1) + "XVolte sempre\r\n" + Ff},
        {"cancel", esc(a ? 0xCE : 0xD3)},
        {"reverse5", reverse(card, 500)},
        {"reverse5,01", reverse(card, 501)},
        {"reverseCheque", reverse(cheque, 100)},
        {"linked", linked(card, 1000)},
        {"linked10,01", linked(card, 1001)},
        {"linkedCash", linked(cash, 1000)},
        {"copy", esc(0xDA)},                               // model B: the voucher's second copy
        {"cancelVoucher", esc(0xD9) + num(coupon + 1, 6)}, // model B
        {"voucherIn", voucher(a ? "A" : "01", 0)},
        {"voucherOut", voucher(a ? "B" : "02", 0)},
        {"voucherF", voucher(a ? "F" : "06", 0)}, // a totalizer not programmed
        {"voucher-10,01", voucher(a ? "A" : "01", 1001)},
        {"report", a ? esc(0xD3) : esc(0xD2) + "01"},
        {"report02", esc(0xD2) + "02"},
        {"memoryX", esc(a ? 0xD1 : 0xFB) + "X000001005000"}, // the fiscal memory on paper
        {"memoryx", esc(0xFB) + "x000001005000"},            // model B: the full reading
        {"line", a ? esc(0xD5) + "texto" + Ff : esc(0xD7) + pad("texto", 48)},
        {"closeReport", esc(a ? 0xD4 : 0xD8)},
        {"auth", esc('Y') + "Autenticado" + '\n'},
        {"ZZZ", esc(0xC0) + at(now.addSecs(60)) + "ZZZ R" + Ff},
        {"ZZZ-1d", esc(0xC0) + at(now.addDays(-1)) + "ZZZ R" + Ff},
        {"XXX", esc(0xC0) + at(now.addSecs(60)) + "XXX R" + Ff},
        {"XXXbold", esc(0xC0) + at(now.addSecs(60)) + "XXX R0001" +
                        (a ? "\x1B"
                             "ELOJA\x1B"
                             "F"
                           : "\x1B"
                             "E1LOJA\x1B"
                             "E0") +
                        Ff},
        {"user", userRecord(m, p.identity().serial, "11.444.777/0001-61")},
        {"userNoCode", userRecord(m, {}, {})},
        {"userWrongCode", userRecord(m, p.identity().serial, "11444777000162")},
        {"update", esc(0xC1) + (a ? p.identity().serial : "XXXXXXXX")}, // firmware update mode
        {"clock", esc(0xE6)},
        {"poll", statusPoll(m)},
        {"identify", esc(a ? 0xEC : 0xE9)},
        {"version", esc(0xF3) + "010"}, // model B
    };
    return frames.value(name);
}

// Everything the printer holds that a refused frame must leave alone.
QByteArray snapshot(const Printer &p) {
    QByteArray all = p.options() + p.operatorText() + p.headerText() + p.identity().ecfNumber;
    for (const emu::TaxRate &t : p.taxRates())
        all += t.rate + char('0' + t.iss);
    for (const emu::PaymentMethod &method : p.paymentMethods())
        all += method.name + char('0' + method.linked);
    for (const emu::NonFiscalTotalizer &t : p.nonFiscalTotalizers())
        all += t.name + char('0' + t.outflow);
    const emu::DocumentView d = p.document();
    for (const qint64 n :
         {qint64(p.reductionCount()), qint64(p.documentCounter()), qint64(p.fiscalDayOpen()),
          qint64(d.kind), d.items.size(), d.paid, p.clockOffsetSeconds()})
        all += QByteArray::number(n) + ';';
    const auto user = p.userRecord();
    return all + p.linkedTotalizerNames().join() + p.reportNames().join() +
           (user ? user->cnpj : "");
}

const QByteArray Accepted = ":R0000" + End;

QList<BankLayout> banks(int count, int first = 1) {
    QList<BankLayout> table;
    for (int i = 0; i < count; ++i)
        table << BankLayout{first + 9 * i, {2, 60}, {4, 12}, {5, 2}, {7, 8},
                            {9, 28},       {9, 50}, {9, 56}, {9, 75}};
    return table;
}

// Starts the program; the path of the pseudo-terminal it prints (empty: none).
QString start(QProcess &program, const QStringList &arguments) {
    program.start(QStringLiteral(PRINTER_EMULATOR_PATH), arguments);
    QElapsedTimer timer;
    timer.start();
    while (program.waitForStarted(5000) && program.state() == QProcess::Running &&
           !program.canReadLine() && timer.elapsed() < 5000)
        program.waitForReadyRead(100);
    return QString::fromLocal8Bit(program.readLine()).trimmed();
}
// Stops the program as a user would: it exits normally, with 0.
bool stopped(QProcess &program) {
    program.terminate();
    return program.waitForFinished(5000) && program.exitStatus() == QProcess::NormalExit &&
           program.exitCode() == 0;
}

} // namespace

class EmulatorTest : public QObject {
    Q_OBJECT

private slots:
    // Each script runs on a programmed printer (bench()) and is a list of steps: "name" sends
    // the frame of that name and expects it accepted, "name=CC" refused with code CC ("AA|BB":
    // model A's code, model B's), "name=-" unanswered. "+light"/"-light" checks a status light;
    // "coo+N"/"crz+N" how far the COO and the reduction counter have moved; "paper:TEXT" that
    // a line printed since the last such step starts with TEXT. Controls: "midnight" passes,
    // "jumper" is put in place, "paperEnd", "paperLow" and "slip" switch on those sensors (a slip
    // answers a waiting authentication), "full" fills the fiscal memory, "fill" programs rates into
    // every free slot, "off"/"on" switches the printer.
    void scripts_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<QString>("script");
        const auto row = [](const char *name, const char *models, const char *firmware,
                            const char *script) {
            for (const char *m : {"A", "B"})
                if (QByteArray(models).contains(*m))
                    QTest::addRow("%s %s", m, name) << m << QByteArray(firmware) << script;
        };
        // clang-format off
        row("lights", "AB", "", "+operation +idle -offline -paperEnd -paperLow -slip -drawer -readingX -dayOpen "
                                "-pending -reduced -coupon -report");
        row("jumper", "AB", "", "jumper -operation +idle");
        row("paper end: off-line", "AB", "", "paperEnd +offline +paperEnd -paperLow +idle");
        row("paper low: on-line", "AB", "", "paperLow -offline -paperEnd +paperLow +idle");
        row("fiscal day", "AB", "", "-readingX X +readingX +dayOpen rate=40 midnight +pending -readingX X=23 Z crz+1 "
                                    "-pending +reduced -dayOpen Z=22 X -dayOpen rate midnight -reduced Z crz+2 coo+4");
        row("no day yet", "AB", "", "open=42 X item=11 total=11 cash=11 close=11 cancel=12 closeReport=11 line=11 "
                                    "auth=31 coo+1");
        row("day reduced", "AB", "", "X Z open=22"); row("reduction due", "AB", "", "X midnight open=23 X=23");
        row("maintenance mode", "AB", "", "X jumper open=00|09"); row("fiscal memory full", "AB", "", "full crz+1995 Z=03");
        row("minimum hour", "AB", "", "hour13 Z=78|26 hour11 Z crz+1");
        row("PC a day ahead", "AB", "", "Z+1d=ok|04"); row("PC before the last reduction", "A", "", "Z-3d=41");
        row("coupon", "AB", "", "X open +coupon coo+2 item open=10 report=10 X=10 Z=10 line=10 cash=39 close=39 "
                                "cancelItem9=15 itemTD=18 item0=28 itemX=13 itemISS=76|32 total-10,01=24 total item=39 "
                                "cancelItem1=39 total=39 close=39 payQ=38 cash cash=39 close -coupon coo+2");
        row("item adjusted", "B", "", "X open item adjust2=15 adjust1 adjust1=24");
        row("totalized with a percentage", "B", "", "X open item total+10% total=39");
        row("non-fiscal voucher", "AB", "", "X voucherIn total=39 close=39 cash close voucherOut cash=39 close "
                                            "voucherF=30 voucher-10,01=24 coo+3");
        row("management report", "AB", "", "X report +report item=10 close=10 open=10 line closeReport -report "
                                           "closeReport=11");
        row("unknown report", "B", "", "X report02=30");
        row("fiscal memory on paper", "AB", "", "X Z memoryX"); row("full fiscal memory on paper", "B", "", "X Z memoryx");
        row("linked voucher", "AB", "", "X open item total linked=10 card close linked10,01=43 linkedCash=43 linked "
                                        "line closeReport coo+3");
        row("coupon cancelled with its voucher", "A", "", "X open item total card close linked closeReport cancel "
                                                          "cancel=12 coo+4");
        row("voucher cancelled before its coupon", "B", "", "X open item total card close linked closeReport copy "
                                                            "copy=47 cancel=46 cancelVoucher cancelVoucher=12 cancel");
        row("reversal", "AB", "", "X open item total card reverse5 close reverse5,01=38|48 reverseCheque=38|49 "
                                  "reverse5 coo+3");
        row("header on paper", "AB", "", "jumper XXXbold X paper:LOJA");
        row("coupon and reduction on paper", "AB", "", "X open item total cash close paper:Dinheiro Z paper:T01");
        row("authentication", "AB", "", "X auth=31 open item total cash close auth=- slip auth auth auth auth=31");
        row("rate table full", "AB", "", "fill rate=14"); row("intervention", "AB", "", "jumper X ZZZ=40 XXX Z ZZZ-1d=41 ZZZ");
        row("firmware update mode", "A", "", "jumper update clock=- poll=- rate=- identify off on clock");
        row("firmware update mode", "B", "", "jumper update clock=- poll=- rate=- identify version off on clock");
        row("user record without code", "A", "1.20", "jumper user=16 userNoCode userNoCode=20");
        row("user record without code", "B", "1.00", "jumper user=16 userNoCode userNoCode=20");
        row("user record with code", "A", "1.22", "jumper userNoCode=16 userWrongCode=53 user user=20");
        row("user record with code", "B", "1.01", "jumper userNoCode=16 userWrongCode=08 user user=20");
        // clang-format on
    }
    void scripts() {
        QFETCH(QString, model);
        QFETCH(QByteArray, firmware);
        QFETCH(QString, script);
        const auto p = bench(modelOf(model), firmware);
        QVERIFY(p);
        const int coo = p->documentCounter(), crz = p->reductionCount();
        int coupon = 0;
        QStringList paper; // what the printer printed since the last "paper:" step
        p->setPaperObserver([&](const QStringList &lines) { paper += lines; });
        const QMap<QString, std::function<void()>> controls = {
            {"midnight", [&] { p->advanceDays(1); }},
            {"jumper", [&] { p->setMaintenanceJumper(true); }},
            {"paperEnd", [&] { p->setPaperEnd(true); }},
            {"paperLow", [&] { p->setPaperLow(true); }},
            {"full", [&] { p->addPastReductions(5000); }},
            {"off", [&] { p->setPowered(false); }},
            {"on", [&] { p->setPowered(true); }},
            {"fill",
             [&] { // rates into the thirteen free slots
                 for (int i = 4; i <= 16; ++i)
                     exchange(*p, esc(0xDC) + (isA(p->model()) ? "" : "N") + num(1000 + i, 4));
             }},
            {"slip", [&] {
                 const bool waiting = p->authenticationWaiting();
                 p->setDocumentInserted(true);
                 QCOMPARE(wire(p->poll()).isEmpty(), !waiting);
             }}};
        for (const QString &step : script.split(' ')) {
            const QString light = step.mid(1);
            if ((step.startsWith('+') || step.startsWith('-')) && Lights.contains(light)) {
                const Light l = isA(p->model()) ? Lights[light].first : Lights[light].second;
                QVERIFY2(((statusDigit(*p, l.position) & l.mask) == l.on) == step.startsWith('+'),
                         qPrintable(step));
            } else if (step.startsWith("coo+") || step.startsWith("crz+")) {
                QCOMPARE(step.startsWith("coo") ? p->documentCounter() - coo
                                                : p->reductionCount() - crz,
                         step.mid(4).toInt());
            } else if (step.startsWith("paper:")) {
                const QString start = step.mid(6);
                QVERIFY2(std::any_of(paper.begin(), paper.end(),
                                     [&](const QString &line) { return line.startsWith(start); }),
                         qPrintable(step + " in\n" + paper.join('\n')));
                paper.clear();
            } else if (controls.contains(step)) {
                controls[step]();
            } else {
                const QStringList parts = step.split('=');
                const QStringList codes = parts.value(1, "ok").split('|');
                const QString want = codes.value(isA(p->model()) ? 0 : 1, codes[0]);
                const QByteArray frame = frameNamed(*p, parts[0], coupon);
                QVERIFY2(!frame.isEmpty(), qPrintable(step));
                const QByteArray before = snapshot(*p);
                const QByteArray got = outcome(p->model(), exchange(*p, frame));
                QVERIFY2(got == (want == "-" ? "no answer" : want.toLatin1()),
                         qPrintable(step + ": " + got));
                if (want != "ok")
                    QVERIFY2(snapshot(*p) == before, qPrintable(step + " changed the printer"));
                if (parts[0] == "open" && want == "ok")
                    coupon = p->documentCounter();
            }
        }
    }

    // Single frames refused by a programmed printer, with the code of each model.
    void refusals_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("jumper");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("code");
        const auto row = [](const char *name, const char *m, const QByteArray &frame,
                            const char *code, bool jumper = false) {
            QTest::addRow("%s %s", m, name) << m << jumper << frame << QByteArray(code);
        };
        const QByteArray noon = QDate::currentDate().toString("ddMMyy").toLatin1() + "120000";
        // clang-format off
        for (const char *m : {"A", "B"}) {
            const bool a = *m == 'A';
            const QByteArray fm = esc(a ? 0xD1 : 0xFB) + 'S';
            row("unknown command", m, esc(0x01), "16");
            row("the other model's poll", m, gs(a ? 0x05 : 0xFF), "16");
            row("zero rate", m, esc(0xDC) + (a ? "0000" : "S0000"), "28");
            row("intervention without jumper", m, esc(0xC0) + noon + "XXX R\xFF", "01");
            row("user record without jumper", m, userRecord(modelOf(m), {}, {}), "01");
            row("intervention mode", m, esc(0xC0) + noon + "YYY R\xFF", "16", true);
            row("intervention ECF number", m, esc(0xC0) + noon + "XXX R00A1X\r\n\xFF", "13", true);
            row("intervention header cut short", m, esc(0xC0) + noon + "XXX R1\xFF", "16", true);
            row("intervention on 31 February", m, esc(0xC0) + "310225120000XXX R\xFF", a ? "16" : "13", true);
            row("firmware update password", m, esc(0xC1) + (a ? "XXXXXXXX" : "47000456"), a ? "53" : "08", true);
            row("fiscal memory periods mixed", m, fm + "000001311294", "16");
            row("fiscal memory destination", m, esc(a ? 0xD1 : 0xFB) + "P000001005000", "16");
            row("fiscal memory empty period", m, fm + "000100000200", "19");
            row("fiscal memory date", m, fm + (a ? "320195311294" : "010195311394"), a ? "16" : "13");
            row("Redução Z date", m, esc(a ? 0xD0 : 0xFC) + "0101251200xx", "13");
        }
        row("rate already loaded", "A", esc(0xDC) + "1800", "37");
        row("rate not numeric", "A", esc(0xDC) + "18a0", "13");
        row("unused rate mark", "B", esc(0xDC) + "N////", "13");
        row("rate kind", "B", esc(0xDC) + "Q1800", "16");
        row("method letter Q", "A", esc(0xDA) + "PGXQ" + pad("Vale", 17), "38");
        row("linked cash", "A", esc(0xDA) + "PGVA" + pad("Dinheiro", 17), "38");
        row("method flag", "A", esc(0xDA) + "PGZB" + pad("Vale", 17), "16");
        row("blank method", "A", esc(0xDA) + "PGXD" + QByteArray(17, ' '), "45");
        row("method 17", "B", esc(0xDE) + "17" + pad("Vale", 21), "38");
        row("method number", "B", esc(0xDE) + "5x" + pad("Vale", 21), "13");
        row("method renamed", "B", esc(0xDE) + "02" + pad("Vale", 21), "44");
        row("totalizer kind", "A", esc(0xE2) + "Q" + pad("Sangria", 21), "16");
        row("control character", "A", esc(0xE2) + "+" + pad("Sang\x07ria", 21), "25");
        row("blank report name", "B", esc(0xE0) + QByteArray(21, ' '), "45");
        row("operator label", "B", esc(0xDD) + "Lj:0001 Opr: " + pad("MARIA", 13), "16");
        row("minimum hour 24", "A", esc(0xE4) + QByteArray(40, 'X').replace(21, 2, "24"), "16");
        row("fixed character", "A", esc(0xE4) + QByteArray(39, 'X').prepend('Z'), "25");
        row("minimum hour 30", "B", esc(0xE4) + QByteArray(20, 'X').replace(11, 2, "30"), "13");
        // clang-format on
    }
    void refusals() {
        QFETCH(QString, model);
        QFETCH(bool, jumper);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, code);
        const auto p = bench(modelOf(model));
        QVERIFY(p);
        p->setMaintenanceJumper(jumper);
        const QByteArray before = snapshot(*p);
        QCOMPARE(exchange(*p, frame), refusal(p->model(), code));
        QCOMPARE(snapshot(*p), before);
        QVERIFY(!p->firmwareUpdateMode());
    }

    // The table announces its length: however it is cut on the line, the printer answers once,
    // after its last byte, and the frame after it is a frame of its own. A load replaces the
    // table (model B's sample, loaded first); a refused one leaves it.
    void bankTable_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("piece");
        QTest::addColumn<int>("banks");       // after the load
        QTest::addColumn<QByteArray>("code"); // empty: accepted
        const QByteArray good = BankTable::encode(banks(2));
        const auto with = [](std::function<void(BankLayout &)> change) {
            QList<BankLayout> table = banks(2);
            change(table.last());
            return BankTable::encode(table);
        };
        // clang-format off
        QTest::newRow("byte by byte") << good << 1 << 2 << QByteArray();
        QTest::newRow("pieces of 37") << good << 37 << 2 << QByteArray();
        QTest::newRow("a full table in pieces of 500") << BankTable::encode(banks(100)) << 500 << 100 << QByteArray();
        QTest::newRow("count not digits") << QByteArray(good).replace(3, 1, "x").left(5) << 500 << 32 << QByteArray("16");
        QTest::newRow("no end mark") << QByteArray(good).replace(good.size() - 1, 1, "0") << 500 << 32 << QByteArray("16");
        QTest::newRow("no bank") << BankTable::encode({}) << 500 << 32 << QByteArray("28");
        QTest::newRow("no room") << BankTable::encode(banks(101)) << 500 << 32 << QByteArray("86");
        QTest::newRow("letter in a record") << QByteArray(good).replace(15, 1, "A") << 500 << 32 << QByteArray("13");
        QTest::newRow("bank 000") << with([](BankLayout &b) { b.bank = 0; }) << 500 << 32 << QByteArray("13");
        QTest::newRow("bank twice") << with([](BankLayout &b) { b.bank = 1; }) << 500 << 32 << QByteArray("13");
        QTest::newRow("line off the check") << with([](BankLayout &b) { b.year.line = 17; }) << 500 << 32 << QByteArray("13");
        QTest::newRow("column 00") << with([](BankLayout &b) { b.payee.column = 0; }) << 500 << 32 << QByteArray("13");
        // clang-format on
    }
    void bankTable() {
        QFETCH(QByteArray, frame);
        QFETCH(int, piece);
        QFETCH(int, banks);
        QFETCH(QByteArray, code);
        QFile file(QStringLiteral(BANK_TABLE_SAMPLE)); // the sample file beside the tool
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto printer = makePrinter(Model::B);
        QVERIFY(printer->bankTable().isEmpty());
        QCOMPARE(exchange(*printer, file.readAll()), Accepted);
        QCOMPARE(printer->bankTable(), BankTable::sample());
        QList<int> answeredAfter; // the pieces an answer came after
        for (int at = 0; at < frame.size(); at += piece)
            if (const QByteArray answer = exchange(*printer, frame.mid(at, piece));
                !answer.isEmpty())
                answeredAfter << at / piece
                              << int(answer ==
                                     (code.isEmpty() ? Accepted : refusal(Model::B, code)));
        QCOMPARE(answeredAfter, QList<int>({int((frame.size() - 1) / piece), 1}));
        QCOMPARE(printer->bankTable(), code.isEmpty() ? ::banks(banks) : BankTable::sample());
        QCOMPARE(exchange(*printer, gs(0x05)).size(), 15);
    }

    // The program answers at the positions the tool reads with the identity of its arguments;
    // it refuses arguments it cannot use (exit code 2, a word on standard error only).
    void program_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("expected"); // empty: the arguments are refused
        // clang-format off
        QTest::newRow("A identity") << QStringList{"--model", "A", "--serial", "87654321", "--firmware", "1.22", "--ecf", "0042"}
                                    << esc(0xEC) << 2 << QByteArray("876543211.220042");
        QTest::newRow("B identity") << QStringList{"--model=B", "--serial=MV000123", "--firmware=1.05", "--ecf=0003"}
                                    << esc(0xE9) << 16 << QByteArray("MV0001231.050003");
        QTest::newRow("A poll, paced") << QStringList{"--model", "A", "--pacing", "--delay", "300"}
                                       << QByteArray("\r\x1D\xFF") << 3 << QByteArray("8");
        // clang-format on
        for (const QStringList &arguments : {QStringList{},
                                             {"--model", "C"},
                                             {"--model", "A", "--serial", "1234"},
                                             {"--model", "B", "--firmware", "120"},
                                             {"--model", "A", "--delay", "-5"},
                                             {"--model", "A", "--baud", "9600"},
                                             {"--model", "A", "--fault", "late"},
                                             {"--model", "B", "--fault", "error=1"},
                                             {"--model", "B", "--tcp", "127.0.0.1:65536"}})
            QTest::addRow("refused: %s", qPrintable(arguments.join(' ')))
                << arguments << QByteArray() << 0 << QByteArray();
    }
    void program() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, frame);
        QFETCH(int, position);
        QFETCH(QByteArray, expected);
        QProcess program;
        const QString path = start(program, arguments);
        if (expected.isEmpty()) {
            QVERIFY(program.waitForFinished(5000) || !program.processId());
            QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 2);
            QVERIFY(path.isEmpty() && !program.readAllStandardError().isEmpty());
            return;
        }
        QVERIFY2(path.startsWith("/dev/"), qPrintable(path));
        {
            PtyLine line(path);
            QElapsedTimer timer;
            timer.start();
            QVERIFY(line.isOpen() && line.write(frame));
            const QByteArray answer = line.read(1, 3000);
            QVERIFY2(answer.startsWith(':') && answer.endsWith(End), answer.toHex().constData());
            QCOMPARE(answer.mid(position, expected.size()), expected);
            QVERIFY(timer.elapsed() >= (arguments.contains("--delay") ? 300 : 0));
        }
        QVERIFY(stopped(program));
    }

    // On TCP the line has one client at a time: a newer one takes it over and the older one is
    // dropped, as a serial device server does.
    void tcpClientReplaced() {
        QProcess program;
        const QString address = start(program, {"--model", "B", "--tcp", "127.0.0.1:0"});
        QVERIFY2(address.startsWith("tcp://127.0.0.1:"), qPrintable(address));
        const quint16 port = quint16(address.section(':', -1).toUInt());
        QTcpSocket first, second;
        QByteArray answers[2];
        for (QTcpSocket *client : {&first, &second}) {
            QByteArray &answer = answers[client == &second];
            client->connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(client->waitForConnected(3000));
            QVERIFY(client->write(esc(0xC3)) == 2);
            QTRY_VERIFY_WITH_TIMEOUT((answer += client->readAll()).endsWith(End), 3000);
            QVERIFY2(answer.startsWith(":100047"), answer.constData());
        }
        QTRY_COMPARE(first.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(second.state(), QAbstractSocket::ConnectedState);
        QVERIFY(stopped(program));
    }

    // The line outlives the programs that open it: a second opener is served like the first.
    // A frame left unfinished is dropped after the printer's inter-byte time-out.
    void reopenedLineAndUnfinishedFrame() {
        QProcess program;
        const QString path = start(program, {"--model", "B"});
        for (int round = 0; round < 2; ++round) {
            PtyLine line(path);
            QVERIFY(line.isOpen());
            QVERIFY(line.write(esc(0xF3) + "0"));
            QVERIFY(line.read(1, 600).isEmpty());
            QVERIFY(line.write(esc(0xC3)));
            QVERIFY(line.read(1, 3000).startsWith(":100047"));
        }
        QVERIFY(stopped(program));
    }
};

TOOL_TEST_CLASS(EmulatorTest)
#include "test_emulator.moc"
