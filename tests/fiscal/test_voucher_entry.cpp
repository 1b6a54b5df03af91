// The widget-free half of the report, voucher and authentication windows: the linked voucher
// record filled from the lists, the memo text as the printer commands take it, and the
// authentication text.
#include "core/global.h"
#include "fiscal/voucher_entry.h"

#include <QtTest>

using VoucherEntry::Problem;

namespace {

template <size_t N> QByteArray str(const uint8_t (&field)[N]) {
    return QByteArray(reinterpret_cast<const char *>(field), int(N));
}

// Linked methods in the order the lists show them (sorted by name), with the model's codes;
// on model A the linked totalizer letters in the same order.
ProgrammingLists listsFor(uint32_t model) {
    ProgrammingLists lists;
    if (model == ModelA) {
        lists.linkedPayments.add(QStringLiteral("Cartao"), "D");
        lists.linkedPayments.add(QStringLiteral("Ticket"), "B");
        lists.linkedTotalizerLetters = "CA";
    } else {
        lists.linkedPayments.add(QStringLiteral("Cartao"), "53");
        lists.linkedPayments.add(QStringLiteral("Ticket"), "51");
    }
    return lists;
}

} // namespace

class TestVoucherEntry : public QObject {
    Q_OBJECT

private slots:
    void linkedVoucher_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("coo");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<char>("totalizer");
        QTest::addColumn<QByteArray>("cooField");
        QTest::newRow("B second") << uint(ModelB) << 1 << "000123" << QByteArray("51") << '\0'
                                  << QByteArray("000123");
        QTest::newRow("B none chosen")
            << uint(ModelB) << -1 << "45" << QByteArray("53") << '\0' << QByteArray("000045");
        QTest::newRow("A same position")
            << uint(ModelA) << 1 << "000777" << QByteArray("B\0", 2) << 'A' << QByteArray("000777");
        QTest::newRow("A none chosen")
            << uint(ModelA) << -1 << "12_" << QByteArray("D\0", 2) << 'C' << QByteArray("000012");
    }
    void linkedVoucher() {
        QFETCH(uint, model);
        QFETCH(int, index);
        QFETCH(QString, coo);
        QFETCH(QByteArray, method);
        QFETCH(char, totalizer);
        QFETCH(QByteArray, cooField);
        LinkedVoucherRecord record;
        std::memset(&record, 'x', sizeof record);
        QCOMPARE(VoucherEntry::fillLinkedVoucher(model, listsFor(model), index, coo,
                                                 QStringLiteral("000000012345"), record),
                 Problem::None);
        QCOMPARE(str(record.method), method);
        QCOMPARE(str(record.coo), cooField);
        QCOMPARE(str(record.amount), QByteArray("000000012345"));
        QCOMPARE(str(record.gap), QByteArray(3, '\0'));
        QCOMPARE(char(record.linkedTotalizer), totalizer);
    }

    // Nothing to send with: the window says so instead of sending zero bytes.
    void linkedVoucherProblems() {
        LinkedVoucherRecord record;
        QCOMPARE(VoucherEntry::fillLinkedVoucher(ModelB, ProgrammingLists(), 0, "000001",
                                                 "000000000100", record),
                 Problem::NoLinkedMethod);
        ProgrammingLists lists = listsFor(ModelA);
        lists.linkedTotalizerLetters = "C"; // the printer lacks the second method's totalizer
        QCOMPARE(
            VoucherEntry::fillLinkedVoucher(ModelA, lists, 1, "000001", "000000000100", record),
            Problem::NoLinkedTotalizer);
        QVERIFY(!VoucherEntry::problemText(Problem::NoLinkedTotalizer).isEmpty());
    }

    // The COO the printer writes back becomes CurrentCOO only when the command succeeded.
    void withCurrentCoo_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("after");
        QTest::newRow("accepted") << "12" << true << "000013";
        QTest::newRow("refused") << "000012" << false << "000012";
    }
    void withCurrentCoo() {
        QFETCH(QString, current);
        QFETCH(bool, accepted);
        toolState().CurrentCOO.set(current);
        QByteArray given;
        QCOMPARE(VoucherEntry::withCurrentCoo([&](char *coo) {
                     given = QByteArray(coo, 6);
                     std::memcpy(coo, "000013", 6);
                     return accepted;
                 }),
                 accepted);
        QCOMPARE(given, QByteArray("000012"));
        QTEST(toolState().CurrentCOO.get(), "after");
    }

    void documentText_data() {
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("lines") << "Linha 1\n\nLinha 3" << QByteArray("Linha 1\r\n\r\nLinha 3");
        QTest::newRow("CR LF kept single") << "a\r\nb" << QByteArray("a\r\nb");
        QTest::newRow("accents") << QStringLiteral("Ação") << QByteArray("A\xe7\xe3o");
        QTest::newRow("zero byte dropped")
            << QString(QStringLiteral("ab") + QChar(0) + "c") << QByteArray("abc");
    }
    void documentText() {
        QFETCH(QString, memo);
        QFETCH(QByteArray, sent);
        const QByteArray text = VoucherEntry::documentText(memo);
        QCOMPARE(text, sent);
        QCOMPARE(text.constData()[text.size()], '\0');
    }

    void authenticationText_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("B 18") << uint(ModelB) << "1234567890ABCDEFGHIJ"
                              << QByteArray("1234567890ABCDEFGH");
        QTest::newRow("A 13") << uint(ModelA) << "1234567890ABCDEFGHIJ"
                              << QByteArray("1234567890ABC");
        QTest::newRow("LF would end the frame")
            << uint(ModelB) << "PAGO\nEM" << QByteArray("PAGO EM");
    }
    void authenticationText() {
        QFETCH(uint, model);
        QFETCH(QString, typed);
        QFETCH(QByteArray, sent);
        QCOMPARE(VoucherEntry::authenticationText(model, typed), sent);
    }
};

QTEST_GUILESS_MAIN(TestVoucherEntry)
#include "test_voucher_entry.moc"
