// The emulated printers' programming, maintenance, daily reports and fiscal memory: frames
// change the printer's state, and the read frames give it back at the answer positions the
// tool reads.

#include "support/emulator_bench.h"

#include <QTest>

using namespace emubench;

namespace {

constexpr int Columns = 48; // the printer's paper

QByteArray dateTimeDigits(const QDateTime &at) {
    return at.toString("ddMMyyHHmmss").toLatin1();
}

QByteArray fiscalMemory(Model model, char destination, const QByteArray &start,
                        const QByteArray &end) {
    return esc(model == Model::A ? 0xD1 : 0xFB) + destination + start + end;
}

// The technical intervention: without the header (20 bytes), or with the ECF number and header.
QByteArray interventionFrame(const QByteArray &mode, const QDateTime &at) {
    return esc(0xC0) + dateTimeDigits(at) + mode + '\xFF';
}
QByteArray interventionFrame(const QByteArray &mode, const QDateTime &at, const QByteArray &ecf,
                             const QByteArray &header) {
    return esc(0xC0) + dateTimeDigits(at) + mode + ecf + header + '\xFF';
}

// The PC's wall-clock time, in the form the printer's clock is given (no zone).
QDateTime wallClock() {
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), now.time(), Qt::UTC);
}

// The user record frame, laid out as the tool lays it out for each model.
QByteArray userRecordFrame(Model model, bool withCode, const QByteArray &code,
                           const QByteArray &cnpj, const QByteArray &ie, const QByteArray &im) {
    const QByteArray date = QDate::currentDate().toString("ddMMyy").toLatin1();
    QByteArray frame = esc(0xBE) + date;
    if (model == Model::A) {
        frame += QByteArray(16, ' ') + "CNPJ:" + pad(cnpj, 20) + "IE:" + pad(ie, 20);
        QByteArray rest(48, ' ');
        if (!im.trimmed().isEmpty())
            rest.replace(0, 23, "IM:" + pad(im, 20));
        frame += rest;
    } else {
        frame += "CNPJ:" + pad(cnpj, 20) + "IE:" + pad(ie, 20);
        frame += im.trimmed().isEmpty() ? QByteArray(23, ' ') : "IM:" + pad(im, 20);
        frame += QByteArray(25, ' ');
    }
    return withCode ? frame + code : frame;
}

// Everything the printer holds that a refused frame must leave alone.
QByteArray snapshot(const Printer &printer) {
    QByteArray all;
    for (const emu::TaxRate &t : printer.taxRates())
        all += (t.iss ? "S" : "N") + t.rate + ';';
    for (const emu::PaymentMethod &m : printer.paymentMethods())
        all += (m.linked ? "V" : "X") + m.name + ';';
    for (const emu::NonFiscalTotalizer &t : printer.nonFiscalTotalizers())
        all += (t.outflow ? "-" : "+") + t.name + ';';
    all += printer.linkedTotalizerNames().join(';') + printer.reportNames().join(';');
    all += printer.options() + printer.operatorText() + printer.headerText();
    all += printer.identity().ecfNumber + QByteArray::number(printer.reductionCount());
    all += QByteArray::number(printer.fiscalDayOpen()) +
           QByteArray::number(printer.clockOffsetSeconds());
    if (const auto user = printer.userRecord())
        all += user->cnpj + user->ie + user->im;
    return all;
}

} // namespace

class TestEmulatorTables : public QObject {
    Q_OBJECT

private slots:
    // ---- Programming and read-back ----
    // Plain entries read back through the tool in test_round_trip; here the slots the printer
    // picks, the empty slots and the options it keeps.

    void programAndReadBack_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArrayList>("program"); // every frame must be accepted
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray ff21(21, '\xFF');
        const QByteArray a = esc(0xDC), rates = esc(0xE7), cfgA = esc(0xEE), cfgB = esc(0xEA);
        // Tax rates: next free slot, the slot's letter as type byte, lower case for ISS.
        QTest::newRow("A ISS rate")
            << "A" << QByteArrayList{a + "S0500"} << rates << 2 << QByteArray("a0500");
        QTest::newRow("A second rate in T B")
            << "A" << QByteArrayList{a + "1800", a + "S0500"} << rates << 7 << QByteArray("b0500");
        QTest::newRow("B ISS rate")
            << "B" << QByteArrayList{a + "S0300"} << rates << 6 << QByteArray("a0300");
        QTest::newRow("B same rate twice") << "B" << QByteArrayList{a + "N1800", a + "N1800"}
                                           << rates << 11 << QByteArray("B1800");

        // Model A configuration block: operator 1, totalizers 21, linked names 373, methods 709.
        QTest::newRow("A unprogrammed method P") << "A" << QByteArrayList{} << cfgA << 709 + 15 * 18
                                                 << "X" + pad("Pagamento Tipo P", 17);
        QTest::newRow("A linked method B")
            << "A" << QByteArrayList{esc(0xDA) + "PGVB" + pad("Cart\xC6o", 17)} << cfgA << 727
            << "V" + pad("Cart\xC6o", 17);
        QTest::newRow("A linked totalizer")
            << "A" << QByteArrayList{esc(0xE2) + "V" + pad("Cartao", 21)} << cfgA << 373
            << pad("Cartao", 21);
        QTest::newRow("A linked totalizer named twice takes one slot")
            << "A"
            << QByteArrayList{esc(0xE2) + "V" + pad("Cartao", 21),
                              esc(0xE2) + "V" + pad("Cartao", 21)}
            << cfgA << 394 << ff21;
        QTest::newRow("A outflow totalizer")
            << "A" << QByteArrayList{esc(0xE2) + "-" + pad("Sangria", 21)} << cfgA << 21
            << "-" + pad("Sangria", 21);
        QTest::newRow("A second totalizer")
            << "A"
            << QByteArrayList{esc(0xE2) + "-" + pad("Sangria", 21),
                              esc(0xE2) + "+" + pad("Suprimento", 21)}
            << cfgA << 43 << "+" + pad("Suprimento", 21);
        QTest::newRow("A empty totalizer") << "A" << QByteArrayList{} << cfgA << 21 << "+" + ff21;

        // Model B configuration block: operator 6, totalizers 32, reports 384, methods 720.
        QTest::newRow("B cash sent again")
            << "B" << QByteArrayList{esc(0xDE) + "01" + pad("Dinheiro", 21)} << cfgB << 720
            << "X" + pad("Dinheiro", 21);
        QTest::newRow("B linked method 55")
            << "B" << QByteArrayList{esc(0xDE) + "55" + pad("Cartao", 21)} << cfgB << 720 + 20 * 22
            << "V" + pad("Cartao", 21);
        QTest::newRow("B second report name")
            << "B" << QByteArrayList{esc(0xE0) + pad("Vendas", 21), esc(0xE0) + pad("Caixa", 21)}
            << cfgB << 405 << pad("Caixa", 21);
        QTest::newRow("B empty report name") << "B" << QByteArrayList{} << cfgB << 384 << ff21;

        // Options: P(i) at byte i + 1 (A) or i + 6 (B); 'X' leaves a parameter unchanged.
        QByteArray optA(40, '0');
        optA.replace(15, 11,
                     "20"
                     "03"
                     "08"
                     "05"
                     "255");
        optA[5] = '1';
        QTest::newRow("A daylight saving P5")
            << "A" << QByteArrayList{esc(0xE4) + optA} << esc(0xE5) << 6 << QByteArray("1");
        QTest::newRow("A minimum hour P21-22")
            << "A" << QByteArrayList{esc(0xE4) + optA} << esc(0xE5) << 22 << QByteArray("05");
        QTest::newRow("A X keeps line height")
            << "A" << QByteArrayList{esc(0xE4) + optA, esc(0xE4) + QByteArray(40, 'X')} << esc(0xE5)
            << 16 << QByteArray("20");
        QTest::newRow("A factory fixed characters")
            << "A" << QByteArrayList{} << esc(0xE5) << 9 << QByteArray("1");
        QByteArray optB = "0010"
                          "01"
                          "0"
                          "25"
                          "04"
                          "06"
                          "00000"
                          "1"
                          "1";
        QTest::newRow("B daylight saving P2")
            << "B" << QByteArrayList{esc(0xE4) + optB} << esc(0xE5) << 8 << QByteArray("1");
        QTest::newRow("B line height P7-8")
            << "B" << QByteArrayList{esc(0xE4) + optB} << esc(0xE5) << 13 << QByteArray("25");
        QTest::newRow("B suppress messages P19")
            << "B" << QByteArrayList{esc(0xE4) + optB} << esc(0xE5) << 25 << QByteArray("1");
        // A flag keeps bit 0 of its byte: a zero byte switches it off.
        QTest::newRow("B zero byte flag")
            << "B"
            << QByteArrayList{esc(0xE4) + optB, esc(0xE4) + "XX" + '\0' + QByteArray(17, 'X')}
            << esc(0xE5) << 8 << QByteArray("0");
    }

    void programAndReadBack() {
        QFETCH(QString, model);
        QFETCH(QByteArrayList, program);
        QFETCH(QByteArray, read);
        QFETCH(int, position);
        QFETCH(QByteArray, expected);

        const auto printer = makePrinter(modelOf(model));
        for (const QByteArray &frame : program) {
            const QByteArray answer = exchange(*printer, frame);
            QVERIFY2(accepted(printer->model(), answer), frame.toHex().constData());
        }
        const QByteArray answer = exchange(*printer, read);
        QVERIFY(answer.startsWith(':'));
        QVERIFY(answer.endsWith(End));
        QCOMPARE(answer.mid(position, expected.size()), expected);
    }

    // The read answers' lengths, which the tool takes as the blocks' extents.
    void readAnswerLengths_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<int>("length");

        QTest::newRow("A tax rates") << "A" << esc(0xE7) << 2 + 80 + 2;
        QTest::newRow("B tax rates") << "B" << esc(0xE7) << 6 + 80 + 2;
        QTest::newRow("A options") << "A" << esc(0xE5) << 1 + 40 + 2;
        QTest::newRow("B options") << "B" << esc(0xE5) << 6 + 20 + 2;
        QTest::newRow("A configuration") << "A" << esc(0xEE) << 997 + 2;
        QTest::newRow("B configuration") << "B" << esc(0xEA) << 1425 + 2;
        QTest::newRow("A clock") << "A" << esc(0xE6) << 2 + 12 + 2;
        QTest::newRow("B clock") << "B" << esc(0xE6) << 6 + 12 + 2;
    }

    void readAnswerLengths() {
        QFETCH(QString, model);
        QFETCH(QByteArray, read);
        QFETCH(int, length);
        const auto printer = makePrinter(modelOf(model));
        QCOMPARE(exchange(*printer, read).size(), length);
    }

    // The daylight-saving frame the tool builds: every option 'X' but the flag, the fixed
    // characters as always. Only the flag may change.
    void daylightSavingFrameChangesOnlyTheFlag_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("parameters");
        QTest::addColumn<int>("flag");
        QTest::newRow("A") << "A"
                           << QByteArray("0X0XX10X10XX00XXXXX08XX255"
                                         "00000X0X000000")
                           << 5;
        QTest::newRow("B") << "B" << QByteArray("XX1XXXXXXXXXX00000XX") << 2;
    }

    void daylightSavingFrameChangesOnlyTheFlag() {
        QFETCH(QString, model);
        QFETCH(QByteArray, parameters);
        QFETCH(int, flag);
        const auto printer = makePrinter(modelOf(model));
        atNoon(*printer);
        QByteArray expected = printer->options();
        const QDateTime before = printer->printerClock();
        QVERIFY(accepted(printer->model(), exchange(*printer, esc(0xE4) + parameters)));
        expected[flag] = '1';
        QCOMPARE(printer->options(), expected);
        QVERIFY(printer->daylightSaving());
        // In daylight-saving time the printer shows one hour more.
        QVERIFY(qAbs(before.secsTo(printer->printerClock()) - 3600) <= 2);
    }

    // ---- Refusals ----

    void refusals_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("jumper");
        QTest::addColumn<QByteArrayList>("setup"); // accepted frames first
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("code");

        const QByteArray rate = esc(0xDC);
        const QDateTime noon(QDate::currentDate(), QTime(12, 0));
        QByteArrayList sixteenA, sixteenB;
        for (int i = 1; i <= 16; ++i) {
            sixteenA << rate + QByteArray::number(1000 + i);
            sixteenB << rate + "N" + QByteArray::number(1000 + i);
        }
        QTest::newRow("A rate already loaded")
            << "A" << false << QByteArrayList{rate + "1800"} << rate + "1800" << QByteArray("37");
        QTest::newRow("A seventeenth rate")
            << "A" << false << sixteenA << rate + "0700" << QByteArray("14");
        QTest::newRow("B seventeenth rate")
            << "B" << false << sixteenB << rate + "N0700" << QByteArray("14");
        QTest::newRow("A zero rate")
            << "A" << false << QByteArrayList{} << rate + "0000" << QByteArray("28");
        QTest::newRow("B zero rate")
            << "B" << false << QByteArrayList{} << rate + "S0000" << QByteArray("28");
        QTest::newRow("A rate not numeric")
            << "A" << false << QByteArrayList{} << rate + "18a0" << QByteArray("13");
        QTest::newRow("B unused rate mark")
            << "B" << false << QByteArrayList{} << rate + "N////" << QByteArray("13");
        QTest::newRow("B rate kind")
            << "B" << false << QByteArrayList{} << rate + "Q1800" << QByteArray("16");
        QTest::newRow("A method letter Q")
            << "A" << false << QByteArrayList{} << esc(0xDA) + "PGXQ" + pad("Vale", 17)
            << QByteArray("38");
        QTest::newRow("A linked cash")
            << "A" << false << QByteArrayList{} << esc(0xDA) + "PGVA" + pad("Dinheiro", 17)
            << QByteArray("38");
        QTest::newRow("A method flag") << "A" << false << QByteArrayList{}
                                       << esc(0xDA) + "PGZB" + pad("Vale", 17) << QByteArray("16");
        QTest::newRow("A blank method")
            << "A" << false << QByteArrayList{} << esc(0xDA) + "PGXB" + QByteArray(17, ' ')
            << QByteArray("45");
        QTest::newRow("A operator label")
            << "A" << false << QByteArrayList{} << esc(0xDA) + "OOper" + pad("JOAO", 16)
            << QByteArray("16");
        QTest::newRow("B method 17") << "B" << false << QByteArrayList{}
                                     << esc(0xDE) + "17" + pad("Vale", 21) << QByteArray("38");
        QTest::newRow("B method 00") << "B" << false << QByteArrayList{}
                                     << esc(0xDE) + "00" + pad("Vale", 21) << QByteArray("38");
        QTest::newRow("B method number") << "B" << false << QByteArrayList{}
                                         << esc(0xDE) + "5x" + pad("Vale", 21) << QByteArray("13");
        QTest::newRow("B method renamed")
            << "B" << false << QByteArrayList{esc(0xDE) + "03" + pad("Cheque", 21)}
            << esc(0xDE) + "03" + pad("Vale", 21) << QByteArray("44");
        QTest::newRow("B cash renamed")
            << "B" << false << QByteArrayList{} << esc(0xDE) + "01" + pad("Especie", 21)
            << QByteArray("44");
        QTest::newRow("A totalizer kind")
            << "A" << false << QByteArrayList{} << esc(0xE2) + "Q" + pad("Sangria", 21)
            << QByteArray("16");
        QTest::newRow("A control character in a name")
            << "A" << false << QByteArrayList{} << esc(0xE2) + "+" + pad("Sang\x07ria", 21)
            << QByteArray("25");
        QTest::newRow("B blank report name") << "B" << false << QByteArrayList{}
                                             << esc(0xE0) + QByteArray(21, ' ') << QByteArray("45");
        QTest::newRow("B operator label")
            << "B" << false << QByteArrayList{} << esc(0xDD) + "Lj:0001 Opr: " + pad("MARIA", 13)
            << QByteArray("16");
        QTest::newRow("A minimum hour 24")
            << "A" << false << QByteArrayList{}
            << esc(0xE4) + QByteArray("XXXXXXXX1XXXXXXXXXX0824255XXXXXXXXXXXXXX")
            << QByteArray("16");
        QTest::newRow("A fixed character")
            << "A" << false << QByteArrayList{} << esc(0xE4) + QByteArray(39, 'X').prepend('Z')
            << QByteArray("25");
        QTest::newRow("B line height half X")
            << "B" << false << QByteArrayList{} << esc(0xE4) + QByteArray("XXXXXXX3XXXXXXXXXXXX")
            << QByteArray("13");
        QTest::newRow("B minimum hour 30")
            << "B" << false << QByteArrayList{} << esc(0xE4) + QByteArray("XXXXXXXXXXX30XXXXXXX")
            << QByteArray("13");
        // Maintenance commands need the jumper.
        for (const QString m : {"A", "B"}) {
            const auto row = [&m](const char *what) -> QTestData & {
                return QTest::newRow(qPrintable(m + ' ' + what));
            };
            row("intervention without jumper")
                << m << false << QByteArrayList{} << interventionFrame("XXX R", noon)
                << QByteArray("01");
            row("user record without jumper")
                << m << false << QByteArrayList{}
                << userRecordFrame(modelOf(m), true, "00000000", "11.222.333/0001-81", "1", "")
                << QByteArray("01");
            row("firmware update without jumper")
                << m << false << QByteArrayList{} << esc(0xC1) + "XXXXXXXX" << QByteArray("01");
            row("intervention mode") << m << true << QByteArrayList{}
                                     << interventionFrame("YYY R", noon) << QByteArray("16");
            row("intervention date not numeric")
                << m << true << QByteArrayList{} << esc(0xC0) + "0101a5120000XXX R\xFF"
                << QByteArray("13");
            row("intervention ECF number")
                << m << true << QByteArrayList{}
                << interventionFrame("XXX R", noon, "00A1", "X\r\n") << QByteArray("13");
            row("fiscal memory period kinds mixed")
                << m << false << QByteArrayList{}
                << fiscalMemory(modelOf(m), 'S', "000001", "311294") << QByteArray("16");
            row("fiscal memory destination")
                << m << false << QByteArrayList{}
                << fiscalMemory(modelOf(m), 'P', "000001", "005000") << QByteArray("16");
            row("fiscal memory empty period")
                << m << false << QByteArrayList{}
                << fiscalMemory(modelOf(m), 'S', "000100", "000200") << QByteArray("19");
            row("Redução Z date not numeric")
                << m << false << QByteArrayList{} << esc(m == "A" ? 0xD0 : 0xFC) + "0101251200xx"
                << QByteArray("13");
        }
        QTest::newRow("A intervention on 31 February")
            << "A" << true << QByteArrayList{} << esc(0xC0) + "310225120000XXX R\xFF"
            << QByteArray("16");
        QTest::newRow("B intervention on 31 February")
            << "B" << true << QByteArrayList{} << esc(0xC0) + "310225120000XXX R\xFF"
            << QByteArray("13");
        QTest::newRow("A firmware update password")
            << "A" << true << QByteArrayList{} << esc(0xC1) + "XXXXXXXX" << QByteArray("53");
        QTest::newRow("B firmware update password")
            << "B" << true << QByteArrayList{} << esc(0xC1) + "47000456" << QByteArray("08");
        QTest::newRow("A fiscal memory date")
            << "A" << false << QByteArrayList{} << fiscalMemory(Model::A, 'S', "320195", "311294")
            << QByteArray("16");
        QTest::newRow("B fiscal memory date")
            << "B" << false << QByteArrayList{} << fiscalMemory(Model::B, 's', "010195", "311394")
            << QByteArray("13");
    }

    void refusals() {
        QFETCH(QString, model);
        QFETCH(bool, jumper);
        QFETCH(QByteArrayList, setup);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, code);

        const auto printer = makePrinter(modelOf(model));
        atNoon(*printer);
        printer->setMaintenanceJumper(jumper);
        for (const QByteArray &f : setup)
            QVERIFY2(accepted(printer->model(), exchange(*printer, f)), f.toHex().constData());
        const QByteArray before = snapshot(*printer);
        QCOMPARE(exchange(*printer, frame), refusal(printer->model(), code));
        QCOMPARE(snapshot(*printer), before); // a refused frame changes nothing
        QVERIFY(!printer->firmwareUpdateMode());
    }

    // ---- Fiscal day: Leitura X, Redução Z ----

    void fiscalDay_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("pendingPos"); // Redução Z pending: A s2 bit 1, B s8 bit 3
        QTest::addColumn<int>("pendingBit");
        QTest::addColumn<int>("todayPos"); // Redução Z of today issued: A s6 bit 1, B s4 bit 2
        QTest::addColumn<int>("todayBit");
        QTest::addColumn<int>("readingXPos"); // initial Leitura X: A s6 bit 2, B s4 bit 1
        QTest::addColumn<int>("readingXBit");
        QTest::newRow("A") << "A" << 2 << 2 << 6 << 2 << 6 << 4;
        QTest::newRow("B") << "B" << 8 << 8 << 4 << 4 << 4 << 2;
    }

    void fiscalDay() {
        QFETCH(QString, model);
        QFETCH(int, pendingPos);
        QFETCH(int, pendingBit);
        QFETCH(int, todayPos);
        QFETCH(int, todayBit);
        QFETCH(int, readingXPos);
        QFETCH(int, readingXBit);
        const Model m = modelOf(model);
        const auto printer = makePrinter(m);
        printer->setPrintTimeMs(0);
        atNoon(*printer);
        const int reductions = printer->reductionCount();
        const QByteArray rate = esc(0xDC) + (m == Model::A ? "1800" : "N1800");

        // The initial Leitura X opens the fiscal day: no more table programming.
        QCOMPARE(statusDigit(*printer, readingXPos) & readingXBit, 0);
        QVERIFY(accepted(m, exchange(*printer, readingX(m))));
        QVERIFY(printer->fiscalDayOpen());
        QCOMPARE(statusDigit(*printer, readingXPos) & readingXBit, readingXBit);
        QCOMPARE(exchange(*printer, rate), refusal(m, "40"));

        // The next day the reduction is overdue: nothing fiscal but the Redução Z.
        printer->advanceDays(1);
        QCOMPARE(statusDigit(*printer, pendingPos) & pendingBit, pendingBit);
        QCOMPARE(statusDigit(*printer, readingXPos) & readingXBit, 0);
        QCOMPARE(exchange(*printer, readingX(m)), refusal(m, "23"));
        QVERIFY(accepted(m, exchange(*printer, reductionZ(*printer))));
        QCOMPARE(printer->reductionCount(), reductions + 1);
        const emu::Reduction last = printer->reductions().constLast();
        QCOMPARE(last.crz, reductions + 1);
        QCOMPARE(last.movementDate, printer->printerClock().date().addDays(-1));
        QCOMPARE(statusDigit(*printer, pendingPos) & pendingBit, 0);
        QCOMPARE(statusDigit(*printer, todayPos) & todayBit, todayBit);

        // One Redução Z a day; a Leitura X still prints, but the day stays closed.
        QCOMPARE(exchange(*printer, reductionZ(*printer)), refusal(m, "22"));
        QVERIFY(accepted(m, exchange(*printer, readingX(m))));
        QVERIFY(!printer->fiscalDayOpen());
        QVERIFY(accepted(m, exchange(*printer, rate)));

        // Midnight passes: a new day may be reduced, even without movement.
        printer->advanceDays(1);
        QCOMPARE(statusDigit(*printer, todayPos) & todayBit, 0);
        QVERIFY(accepted(m, exchange(*printer, reductionZ(*printer))));
        QCOMPARE(printer->reductionCount(), reductions + 2);
        QCOMPARE(printer->reductions().constLast().rates[0].rate, QByteArray("1800"));
    }

    void reductionDateChecks_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("sendOffsetSeconds"); // from the printer's own clock
        QTest::addColumn<QByteArray>("minimumHour");
        QTest::addColumn<QByteArray>("code"); // empty: accepted
        QTest::newRow("A PC ahead a day") << "A" << 86400 << QByteArray() << QByteArray();
        QTest::newRow("B PC ahead a day") << "B" << 86400 << QByteArray() << QByteArray("04");
        QTest::newRow("B PC a few minutes off") << "B" << -300 << QByteArray() << QByteArray();
        QTest::newRow("A PC before the last reduction")
            << "A" << -3 * 86400 << QByteArray() << QByteArray("41");
        QTest::newRow("A before the minimum hour")
            << "A" << 0 << QByteArray("13") << QByteArray("78");
        QTest::newRow("B before the minimum hour")
            << "B" << 0 << QByteArray("13") << QByteArray("26");
        QTest::newRow("A after the minimum hour") << "A" << 0 << QByteArray("11") << QByteArray();
    }

    void reductionDateChecks() {
        QFETCH(QString, model);
        QFETCH(int, sendOffsetSeconds);
        QFETCH(QByteArray, minimumHour);
        QFETCH(QByteArray, code);
        const Model m = modelOf(model);
        const auto printer = makePrinter(m);
        printer->setPrintTimeMs(0);
        atNoon(*printer);
        if (!minimumHour.isEmpty()) {
            QByteArray p = m == Model::A ? QByteArray(40, 'X') : QByteArray(20, 'X');
            p.replace(m == Model::A ? 21 : 11, 2, minimumHour);
            QVERIFY(accepted(m, exchange(*printer, esc(0xE4) + p)));
        }
        const QByteArray frame = esc(m == Model::A ? 0xD0 : 0xFC) +
                                 dateTimeDigits(printer->printerClock().addSecs(sendOffsetSeconds));
        const QByteArray answer = exchange(*printer, frame);
        if (code.isEmpty())
            QVERIFY2(accepted(m, answer), answer.constData());
        else
            QCOMPARE(answer, refusal(m, code));
    }

    // ---- The printing mechanism ----

    void busyThenIdle_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("report");
        for (const QString m : {"A", "B"}) {
            for (const QString r : {"Leitura X", "Redução Z", "fiscal memory"})
                QTest::newRow(qPrintable(m + ' ' + r)) << m << r;
        }
    }

    void busyThenIdle() {
        QFETCH(QString, model);
        QFETCH(QString, report);
        const Model m = modelOf(model);
        const auto printer = makePrinter(m);
        atNoon(*printer);
        printer->setPrintTimeMs(1500);
        QVERIFY(idle(*printer));
        const QByteArray frame = report == "Leitura X"   ? readingX(m)
                                 : report == "Redução Z" ? reductionZ(*printer)
                                                         : fiscalMemory(m, 'X', "000001", "005000");
        const int coo = printer->documentCounter();
        const auto replies = printer->receive(frame);
        QCOMPARE(replies.size(), size_t(1));
        QCOMPARE(replies.front().front().pauseMs, 0); // answered at once
        const QByteArray answer = wire(replies);
        QVERIFY(accepted(m, answer));
        QCOMPARE(printer->documentCounter(), coo + 1);
        QCOMPARE(answer.mid(m == Model::A ? 2 : 6, 6),
                 QByteArray::number(coo + 1).rightJustified(6, '0'));
        QVERIFY(!idle(*printer));
        QTRY_VERIFY_WITH_TIMEOUT(idle(*printer), 20000);
        QVERIFY(!printer->printing());
    }

    // A command sent while a report prints is answered when the report is out.
    void commandWaitsForThePrint() {
        for (const Model m : {Model::A, Model::B}) {
            const auto printer = makePrinter(m);
            printer->setPrintTimeMs(60000);
            QVERIFY(accepted(m, exchange(*printer, readingX(m))));
            const auto clock = printer->receive(esc(0xE6));
            QVERIFY(clock.front().front().pauseMs > 30000);
            QCOMPARE(printer->receive(statusPoll(m)).front().front().pauseMs, 0);
            printer->setPowered(false); // the print is lost
            printer->setPowered(true);
            QVERIFY(idle(*printer));
        }
    }

    // ---- Clock ----

    void clock_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("position");
        QTest::newRow("A") << "A" << 2;
        QTest::newRow("B") << "B" << 6;
    }

    void clock() {
        QFETCH(QString, model);
        QFETCH(int, position);
        const auto printer = makePrinter(modelOf(model));
        printer->setClockOffsetSeconds(-90 * 60);
        printer->advanceDays(-2);
        const QDateTime expected = wallClock().addDays(-2).addSecs(-90 * 60);
        const QByteArray answer = exchange(*printer, esc(0xE6));
        QVERIFY(accepted(printer->model(), answer));
        QDateTime shown = QDateTime::fromString(
            QString::fromLatin1(answer.mid(position, 12)).insert(4, "20"), "ddMMyyyyHHmmss");
        shown.setTimeSpec(Qt::UTC);
        QVERIFY2(shown.isValid(), answer.constData());
        QVERIFY(qAbs(expected.secsTo(shown)) <= 2);
    }

    // ---- Maintenance ----

    void intervention_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<bool>("withHeader"); // else the 20-byte frame
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<bool>("cleared");
        for (const QString m : {"A", "B"}) {
            QTest::newRow(qPrintable(m + " ZZZ R"))
                << m << QByteArray("ZZZ R") << false << QByteArray() << true;
            QTest::newRow(qPrintable(m + " XXX R"))
                << m << QByteArray("XXX R") << false << QByteArray() << false;
            QTest::newRow(qPrintable(m + " XXX R with header")) << m << QByteArray("XXX R") << true
                                                                << QByteArray("\x1B"
                                                                              "E"
                                                                              "LOJA\r\nRUA 1\r\n")
                                                                << false;
            QTest::newRow(qPrintable(m + " ZZZ R empty header"))
                << m << QByteArray("ZZZ R") << true << QByteArray() << true;
        }
    }

    void intervention() {
        QFETCH(QString, model);
        QFETCH(QByteArray, mode);
        QFETCH(bool, withHeader);
        QFETCH(QByteArray, header);
        QFETCH(bool, cleared);
        const Model m = modelOf(model);
        const auto printer = makePrinter(m);
        const int ecfAt = m == Model::A ? 1 : 6;
        QVERIFY(accepted(m, exchange(*printer, esc(0xDC) + (m == Model::A ? "1800" : "N1800"))));
        QVERIFY(
            accepted(m, exchange(*printer, m == Model::A ? esc(0xE2) + "+" + pad("Troco", 21)
                                                         : esc(0xDF) + "+" + pad("Troco", 21))));
        const QByteArray method = m == Model::A ? esc(0xDA) + "PGXC" + pad("Cheque", 17)
                                                : esc(0xDE) + "03" + pad("Cheque", 21);
        QVERIFY(accepted(m, exchange(*printer, method)));
        QVERIFY(accepted(
            m, exchange(*printer,
                        esc(0xE4) + (m == Model::A ? QByteArray(40, 'X').replace(5, 1, "1")
                                                   : QByteArray(20, 'X').replace(2, 1, "1")))));
        const QByteArray oldHeader = printer->headerText();
        QVERIFY(!oldHeader.isEmpty());
        const QByteArray oldEcf = exchange(*printer, esc(0xE8)).mid(ecfAt, 4);
        const QByteArray operatorText = printer->operatorText();

        const QDateTime at = wallClock().addSecs(3 * 3600);
        const QByteArray frame =
            withHeader ? interventionFrame(mode, at, "0123", header) : interventionFrame(mode, at);
        QCOMPARE(exchange(*printer, frame), refusal(m, "01"));
        printer->setMaintenanceJumper(true);
        const QByteArray answer = exchange(*printer, frame);
        QVERIFY2(accepted(m, answer), answer.constData());

        QCOMPARE(printer->taxRates().first().rate.isEmpty(), cleared);
        QCOMPARE(printer->nonFiscalTotalizers().first().name.isEmpty(), cleared);
        QCOMPARE(printer->paymentMethods().at(2).name.startsWith("Cheque"), !cleared);
        QCOMPARE(printer->paymentMethods().first().name.trimmed(), QByteArray("Dinheiro"));
        if (m == Model::A && cleared)
            QCOMPARE(printer->paymentMethods().at(2).name.trimmed(),
                     QByteArray("Pagamento Tipo C"));
        QCOMPARE(printer->operatorText(), operatorText);
        // The clock is set as standard time and daylight-saving time is switched off.
        QVERIFY(!printer->daylightSaving());
        QVERIFY(qAbs(at.secsTo(printer->printerClock())) <= 2);
        // ESC 0xE8: ECF number, then the header up to the end mark.
        const QByteArray read = exchange(*printer, esc(0xE8));
        const QByteArray text = read.mid(ecfAt + 4, read.size() - ecfAt - 4 - 2);
        if (!withHeader) {
            QCOMPARE(read.mid(ecfAt, 4), oldEcf);
            QCOMPARE(text, cleared ? QByteArray() : oldHeader);
        } else {
            QCOMPARE(read.mid(ecfAt, 4), QByteArray("0123"));
            QCOMPARE(text, header);
            const QByteArray identification = exchange(*printer, esc(m == Model::A ? 0xEC : 0xE9));
            QCOMPARE(identification.mid(m == Model::A ? 14 : 28, 4), QByteArray("0123"));
        }
    }

    void interventionRefusedByTheFiscalDay() {
        for (const Model m : {Model::A, Model::B}) {
            const auto printer = makePrinter(m);
            printer->setPrintTimeMs(0);
            atNoon(*printer);
            printer->setMaintenanceJumper(true);
            const QDateTime now = printer->printerClock();
            QVERIFY(accepted(m, exchange(*printer, readingX(m))));
            QCOMPARE(exchange(*printer, interventionFrame("ZZZ R", now)), refusal(m, "40"));
            QVERIFY(accepted(m, exchange(*printer, interventionFrame("XXX R", now))));
            // Not before the last reduction in the fiscal memory.
            QVERIFY(accepted(m, exchange(*printer, reductionZ(*printer))));
            QCOMPARE(exchange(*printer, interventionFrame("ZZZ R", now.addDays(-1))),
                     refusal(m, "41"));
            QVERIFY(accepted(m, exchange(*printer, interventionFrame("ZZZ R", now.addSecs(60)))));
        }
    }

    void userRecord_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("firmware");
        QTest::addColumn<bool>("withCode");
        QTest::addColumn<bool>("rightCode");
        QTest::addColumn<QByteArray>("code"); // empty: accepted

        QTest::newRow("A 1.20, 120 bytes")
            << "A" << QByteArray("1.20") << false << false << QByteArray();
        QTest::newRow("A 1.20, 128 bytes")
            << "A" << QByteArray("1.20") << true << true << QByteArray("16");
        QTest::newRow("A 1.22, 120 bytes")
            << "A" << QByteArray("1.22") << false << false << QByteArray("16");
        QTest::newRow("A 1.22, right code")
            << "A" << QByteArray("1.22") << true << true << QByteArray();
        QTest::newRow("A 1.30, wrong code")
            << "A" << QByteArray("1.30") << true << false << QByteArray("53");
        QTest::newRow("B 1.00, 104 bytes")
            << "B" << QByteArray("1.00") << false << false << QByteArray();
        QTest::newRow("B 1.00, 112 bytes")
            << "B" << QByteArray("1.00") << true << true << QByteArray("16");
        QTest::newRow("B 1.01, 104 bytes")
            << "B" << QByteArray("1.01") << false << false << QByteArray("16");
        QTest::newRow("B 1.01, right code")
            << "B" << QByteArray("1.01") << true << true << QByteArray();
        QTest::newRow("B 1.05, wrong code")
            << "B" << QByteArray("1.05") << true << false << QByteArray("08");
    }

    void userRecord() {
        QFETCH(QString, model);
        QFETCH(QByteArray, firmware);
        QFETCH(bool, withCode);
        QFETCH(bool, rightCode);
        QFETCH(QByteArray, code);
        const Model m = modelOf(model);
        const auto printer = makePrinter(m, firmware);
        printer->setMaintenanceJumper(true);
        const QByteArray serial = printer->identity().serial;
        const QByteArray cnpj = "11.444.777/0001-61";
        // The pair the tool sends: the clearing intervention with the maker's header, then the
        // record itself.
        const QByteArray first = interventionFrame("ZZZ R", wallClock(), "0001", "KORVEL S.A.\r\n");
        QCOMPARE(first.size(), 37);
        QVERIFY(accepted(m, exchange(*printer, first)));
        const QByteArray authorization = rightCode
                                             ? emu::authorizationCode(serial, cnpj)
                                             : emu::authorizationCode(serial, "11444777000162");
        const QByteArray frame =
            userRecordFrame(m, withCode, authorization, cnpj, "ISENTO", "98765");
        const QByteArray answer = exchange(*printer, frame);
        if (!code.isEmpty()) {
            QCOMPARE(answer, refusal(m, code));
            QVERIFY(printer->userRecord()->cnpj != pad(cnpj, 20));
            return;
        }
        QVERIFY2(accepted(m, answer), answer.constData());
        QCOMPARE(printer->userRecord()->cnpj, pad(cnpj, 20));
        QCOMPARE(printer->userRecord()->ie, pad("ISENTO", 20));
        QCOMPARE(printer->userRecord()->im, pad("98765", 20));
        QCOMPARE(exchange(*printer, frame), refusal(m, "20")); // the same user again
    }

    // The code is a CRC-32 of the serial and the CNPJ's digits: the check value of CRC-32
    // ("123456789" gives CBF43926) comes out of serial "12345678" and CNPJ "9".
    void authorizationCode() {
        QCOMPARE(emu::authorizationCode("12345678", "9"), QByteArray("CBF43926"));
        QCOMPARE(emu::authorizationCode("12345678", "../-9 "), QByteArray("CBF43926"));
        QVERIFY(emu::authorizationCode("21000123", "11.222.333/0001-81") !=
                emu::authorizationCode("21000124", "11.222.333/0001-81"));
    }

    void firmwareUpdateMode_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("identification");
        QTest::newRow("A") << "A" << QByteArray("21000123") << esc(0xEC);
        QTest::newRow("B") << "B" << QByteArray("XXXXXXXX") << esc(0xE9);
    }

    void firmwareUpdateMode() {
        QFETCH(QString, model);
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, identification);
        const Model m = modelOf(model);
        const auto printer = makePrinter(m);
        printer->setMaintenanceJumper(true);
        const QByteArray identity = exchange(*printer, identification);
        QVERIFY(accepted(m, exchange(*printer, esc(0xC1) + password)));
        QVERIFY(printer->firmwareUpdateMode());
        // The boot loader answers its identity and nothing else.
        QCOMPARE(exchange(*printer, esc(0xE6)), QByteArray());
        QCOMPARE(exchange(*printer, statusPoll(m)), QByteArray());
        QCOMPARE(exchange(*printer, esc(0x01)), QByteArray());
        QCOMPARE(exchange(*printer, identification), identity);
        QVERIFY(exchange(*printer, esc(0xC3)).startsWith(m == Model::A ? ":10043" : ":100047"));
        printer->setPowered(false);
        printer->setPowered(true);
        QVERIFY(!printer->firmwareUpdateMode());
        QVERIFY(accepted(m, exchange(*printer, esc(0xE6))));
    }

    // ---- Fiscal memory reading ----

    void fiscalMemoryReading_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<char>("destination");
        QTest::addColumn<bool>("byDates");
        QTest::addColumn<int>("first"); // CRZ of the first and last reductions asked for
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("full");
        QTest::addColumn<int>("header");

        QTest::newRow("A counters") << "A" << 'S' << false << 2 << 4 << true << 9;
        QTest::newRow("A dates") << "A" << 'S' << true << 1 << 3 << true << 9;
        QTest::newRow("A lower case, the same reading")
            << "A" << 's' << false << 5 << 5 << true << 9;
        QTest::newRow("B counters summarised") << "B" << 'S' << false << 1 << 5 << false << 14;
        QTest::newRow("B dates full") << "B" << 's' << true << 3 << 4 << true << 14;
        QTest::newRow("B past the last counter") << "B" << 'S' << false << 4 << 5000 << false << 14;
    }

    void fiscalMemoryReading() {
        QFETCH(QString, model);
        QFETCH(char, destination);
        QFETCH(bool, byDates);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, full);
        QFETCH(int, header);
        const Model m = modelOf(model);
        const auto printer = makePrinter(m);
        const QList<emu::Reduction> all = printer->reductions();
        QVERIFY(all.size() >= 5);
        const int upTo = std::min(last, int(all.size()));
        QByteArray start = "00" + QByteArray::number(first).rightJustified(4, '0');
        QByteArray end = "00" + QByteArray::number(last).rightJustified(4, '0');
        if (byDates) {
            start = all[first - 1].movementDate.toString("ddMMyy").toLatin1();
            end = all[upTo - 1].movementDate.toString("ddMMyy").toLatin1();
        }

        const auto replies = printer->receive(fiscalMemory(m, destination, start, end));
        QCOMPARE(replies.size(), size_t(1));
        QByteArray answer;
        for (const emu::Segment &segment : replies.front()) {
            QCOMPARE(segment.pauseMs, 0); // one continuous stream
            answer += segment.bytes;
        }
        QVERIFY(answer.endsWith(End));
        const QByteArray text = answer.mid(header, answer.size() - header - 2);
        QVERIFY(!text.contains('\xFF'));
        // The header: ':', the echo (A) or "R0000" (B), then the text's length.
        if (m == Model::A)
            QCOMPARE(answer.left(2), QByteArray(":\xD1"));
        else
            QCOMPARE(answer.left(6), QByteArray(":R0000"));
        QCOMPARE(answer.mid(header - (m == Model::A ? 7 : 8), m == Model::A ? 7 : 8).toInt(),
                 text.size());
        QVERIFY(text.left(Columns).contains("LEITURA DA MEMORIA FISCAL"));
        QVERIFY(text.endsWith("\r\n"));
        QCOMPARE(text.count("\r\n"), text.count('\n'));

        // The reductions of the period and no others.
        for (const emu::Reduction &r : all) {
            const QByteArray crz = QByteArray::number(r.crz).rightJustified(4, '0');
            const QByteArray mark = full ? "CRZ:" + crz : "\r\n" + crz + ' ';
            QCOMPARE(text.contains(mark), r.crz >= first && r.crz <= upTo);
        }
        QVERIFY(text.contains(full ? "VENDA BRUTA:" : "VENDA BRUTA"));
        QCOMPARE(text.contains("CANCELAMENTOS:"), full);
        // Totals: a label and its value right-aligned in the printer's 48 columns.
        const qsizetype at = text.indexOf("REDUCOES NO PERIODO:");
        QVERIFY(at > 0);
        const QByteArray count = text.mid(at, text.indexOf("\r\n", at) - at);
        QCOMPARE(count.size(), Columns);
        QCOMPARE(count.mid(20).trimmed().toInt(), upTo - first + 1);
        QVERIFY(!printer->printing()); // sent, not printed
    }

    void largeFiscalMemoryReading_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<char>("destination");
        QTest::newRow("A") << "A" << 'S';
        QTest::newRow("B summarised") << "B" << 'S';
    }

    void largeFiscalMemoryReading() {
        QFETCH(QString, model);
        QFETCH(char, destination);
        const Model m = modelOf(model);
        const auto printer = makePrinter(m);
        const int before = printer->reductionCount();
        const QList<emu::Reduction> old = printer->reductions();
        printer->addPastReductions(600);
        QCOMPARE(printer->reductionCount(), before + 600);
        const QList<emu::Reduction> all = printer->reductions();
        // The records already there move up by the number added, keeping their dates, and the
        // counters keep rising with the dates.
        QCOMPARE(all.constLast().crz, before + 600);
        QCOMPARE(all.constLast().movementDate, old.constLast().movementDate);
        for (qsizetype i = 1; i < all.size(); ++i) {
            QVERIFY(all[i].movementDate > all[i - 1].movementDate);
            QVERIFY(all[i].coo > all[i - 1].coo);
            QCOMPARE(all[i].grandTotal, all[i - 1].grandTotal + all[i].grossSales);
        }
        const auto replies = printer->receive(fiscalMemory(m, destination, "000001", "009999"));
        QVERIFY(replies.front().size() > 1); // in pieces, back to back
        const QByteArray answer = wire(replies);
        QVERIFY(answer.size() >= 20 * 1024);
        QVERIFY(answer.endsWith(End));
        QCOMPARE(answer.count(End), 1);
    }

    // The fiscal memory has room for 2000 reductions; then the Redução Z is refused.
    void fullFiscalMemory() {
        for (const Model m : {Model::A, Model::B}) {
            const auto printer = makePrinter(m);
            printer->setPrintTimeMs(0);
            atNoon(*printer);
            printer->addPastReductions(5000);
            QCOMPARE(printer->reductionCount(), 2000);
            QCOMPARE(exchange(*printer, reductionZ(*printer)), refusal(m, "03"));
        }
    }
};

QTEST_GUILESS_MAIN(TestEmulatorTables)
#include "test_emulator_tables.moc"
