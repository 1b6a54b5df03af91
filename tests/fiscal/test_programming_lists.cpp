// The programming lists read from emulated printers of both models, programmed through the
// command sets: order, codes and the names left out.
#include "core/clock.h"
#include "core/global.h"
#include "fiscal/programming_lists.h"
#include "link/codepage.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "printer.h"
#include "protocol/command_set.h"
#include "support/recording_messages.h"

#include <QtTest>

#include <cstring>

namespace {

// A factory-fresh emulated printer of `model`, present on the link.
bool connectPrinter(uint32_t model) {
    toolState().ModelCode = model;
    toolState().PrinterPresent = true;
    return printerLink().OpenPort(QString::fromLatin1(model == ModelA ? EmulatedPorts::ModelAPort
                                                                      : EmulatedPorts::ModelBPort),
                                  9600, false) == 0;
}

void nameInto(uint8_t (&name)[21], const QString &text) {
    std::memset(name, ' ', 21);
    const QByteArray bytes = Codepage::toWindows1252(text);
    std::memcpy(name, bytes.constData(), size_t(std::min<qsizetype>(21, bytes.size())));
}

bool rate(CommandSet &cs, bool iss, const char *digits) {
    TaxRateRecord r{uint8_t(iss ? 1 : 0), {}};
    std::memcpy(r.rate, digits, 4);
    return cs.ProgramTaxRate(r);
}

bool method(CommandSet &cs, uint32_t model, int index, bool linked, const QString &name) {
    PaymentMethodRecord m{uint8_t(linked ? 1 : 0), {}, {}};
    std::memcpy(m.index, QByteArray::number(index).rightJustified(2, '0').constData(), 2);
    nameInto(m.name, name);
    return cs.ProgramPaymentMethod(m) && (model == ModelB || cs.ProgramLinkedTotalizer(m));
}

bool totalizer(CommandSet &cs, bool outflow, const QString &name) {
    TotalizerRecord t{uint8_t(outflow ? 1 : 0), {' ', ' '}, {}};
    nameInto(t.name, name);
    return cs.ProgramNonFiscalTotalizer(t);
}

QList<QByteArray> codes(std::initializer_list<const char *> texts, int width) {
    QList<QByteArray> out;
    for (const char *t : texts)
        out << QByteArray(t, width);
    return out;
}

} // namespace

class TestProgrammingLists : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingMessages> messages;

private slots:
    void init() {
        printerLink().ClosePort();
        EmulatedPorts::replacePrinters();
        resetToolState();
        Clock::setScale(0.01);
        invalidateConfigurationCache();
        messages = std::make_unique<RecordingMessages>();
    }
    void cleanup() {
        printerLink().ClosePort();
        Clock::setScale(1.0);
        messages.reset();
    }

    void programmed_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QStringList>("unlinkedNames");
        QTest::addColumn<QList<QByteArray>>("unlinkedCodes");
        QTest::addColumn<QList<QByteArray>>("linkedCodes");
        QTest::addColumn<QList<QByteArray>>("totalizerCodes");
        QTest::addColumn<QByteArray>("linkedTotalizerLetters");
        QTest::addColumn<QList<QByteArray>>("reportCodes");
        const QStringList unlinked{"Dinheiro", "Boleto", "Cheque"};
        // Model A codes are the slot letter and a zero byte.
        QTest::newRow("MV210") << uint(ModelA) << unlinked << codes({"A", "C", "B"}, 2)
                               << codes({"G", "F"}, 2) << codes({"EC", "EB", "SA"}, 2)
                               << QByteArray("BA") << QList<QByteArray>{};
        QTest::newRow("MV4700") << uint(ModelB) << unlinked << codes({"01", "03", "02"}, 2)
                                << codes({"53", "52"}, 2) << codes({"E03", "E02", "S01"}, 3)
                                << QByteArray() << codes({"02", "01"}, 2);
    }
    void programmed() {
        QFETCH(uint, model);
        QFETCH(QStringList, unlinkedNames);
        QFETCH(QList<QByteArray>, unlinkedCodes);
        QFETCH(QList<QByteArray>, linkedCodes);
        QFETCH(QList<QByteArray>, totalizerCodes);
        QFETCH(QByteArray, linkedTotalizerLetters);
        QFETCH(QList<QByteArray>, reportCodes);
        QVERIFY(connectPrinter(model));
        CommandSet &cs = *commandSetFor(model);
        QVERIFY(rate(cs, false, "1800") && rate(cs, false, "0700") && rate(cs, false, "1200"));
        QVERIFY(rate(cs, true, "0500"));
        // Cash (slot 0) stays first although "Boleto" sorts before it; a name that begins with
        // a digit or an accented letter is not offered; model A's slots still named
        // "Pagamento Tipo " are left out.
        QVERIFY(method(cs, model, 2, false, "Cheque") && method(cs, model, 3, false, "Boleto"));
        QVERIFY(method(cs, model, 4, false, "1Vale") && method(cs, model, 5, false, "Ágil"));
        const int linkedAt = model == ModelA ? 6 : 2;
        QVERIFY(method(cs, model, linkedAt, true, "Cartao"));
        QVERIFY(method(cs, model, linkedAt + 1, true, "Amex"));
        QVERIFY(totalizer(cs, true, "Sangria") && totalizer(cs, false, "Recebimento"));
        QVERIFY(totalizer(cs, false, "Fundo"));
        if (model == ModelB) {
            uint8_t name[21];
            nameInto(name, "Vendas");
            QVERIFY(cs.ProgramReportName(name));
            nameInto(name, "Abertura");
            QVERIFY(cs.ProgramReportName(name));
        }
        invalidateConfigurationCache();

        ProgrammingLists lists;
        QVERIFY(LoadProgrammingLists(cs, model, lists));
        QCOMPARE(lists.icms.names, QStringList({"I", "F", "N", "07,00%", "12,00%", "18,00%"}));
        QCOMPARE(lists.icms.codes, codes({"I ", "F ", "N ", "TB", "TC", "TA"}, 2));
        QCOMPARE(lists.iss.names, QStringList{"05,00%"});
        QCOMPARE(lists.iss.codes, codes({"TD"}, 2));
        QCOMPARE(lists.unlinkedPayments.names, unlinkedNames);
        QCOMPARE(lists.unlinkedPayments.codes, unlinkedCodes);
        QCOMPARE(lists.linkedPayments.names, QStringList({"Amex", "Cartao"}));
        QCOMPARE(lists.linkedPayments.codes, linkedCodes);
        QCOMPARE(lists.totalizers.names, QStringList({"Fundo", "Recebimento", "Sangria"}));
        QCOMPARE(lists.totalizers.codes, totalizerCodes);
        QCOMPARE(lists.linkedTotalizerLetters, linkedTotalizerLetters);
        QCOMPARE(lists.reports.names.size(), reportCodes.size());
        QCOMPARE(lists.reports.codes, reportCodes);
        QCOMPARE(messages->count(), 0);
    }

    // A read that fails ends the load: what was read before it stays, the rest is empty.
    void failedRead() {
        QVERIFY(connectPrinter(ModelB));
        CommandSet &cs = *commandSetFor(ModelB);
        QVERIFY(rate(cs, false, "1800"));
        ProgrammingLists lists;
        lists.totalizers.add("velho", "E01");
        EmulatedPorts::printerFor(EmulatedPorts::ModelBPort)->setSilent(true);
        QVERIFY(!LoadProgrammingLists(cs, ModelB, lists));
        QCOMPARE(lists.icms.names, QStringList({"I", "F", "N"}));
        QVERIFY(lists.unlinkedPayments.names.isEmpty() && lists.totalizers.names.isEmpty());
        QVERIFY(!LoadProgrammingLists(cs, 0, lists));
    }
};

QTEST_GUILESS_MAIN(TestProgrammingLists)
#include "test_programming_lists.moc"
