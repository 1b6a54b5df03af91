// The traffic viewer's "Protocolo" view on a coupon against the emulated MV4700: the
// exchanges in order, decoded; the filters; the raw bytes of a row; "Salvar..." and
// "Abrir..." giving back the same rows; and collection while hidden only when asked.
#include "app/protocol_panel.h"
#include "app/visualizacao.h"
#include "fiscal/item_entry.h"
#include "fiscal/payment_entry.h"
#include "protocol/cmd4700.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"
#include "support/test_main.h"
#include "support/window_driver.h"

#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

// Command and answer of each row the table shows.
QStringList shownRows(WindowDriver &viewer) {
    auto *table = viewer.find<QTableWidget>("twProtocolo");
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r)
        rows << table->item(r, 2)->text() + " => " + table->item(r, 4)->text();
    return rows;
}

// Returns the COO the command set read from the printer's answer.
QString coupon(CommandSet &c) {
    const ItemEntry::Sale sale{.code = "789100",
                               .description = "Produto",
                               .price = "000001000",
                               .taxCode = "TA",
                               .quantity = "00002",
                               .unit = {},
                               .adjustment = {}};
    char coo[6];
    TotalRecord total = ItemEntry::totalRecord('N', false, {});
    PaymentRecord cash = PaymentEntry::paymentRecord("01", "2000", {});
    c.OpenCoupon(coo);
    c.SellItem(ItemEntry::saleRecord(sale));
    c.CancelItem("009");
    c.Totalize(total);
    c.RegisterPayment(cash);
    c.CloseCoupon("Volte sempre");
    return QString::fromLatin1(coo, 6);
}

} // namespace

class ProtocolMonitorTest : public QObject {
    Q_OBJECT

private slots:
    void couponSavedAndReopened() {
        fixture::freshPrinters(0.02);
        RecordingMessages messages;
        ScriptedFileDialogs dialogs;
        QTemporaryDir dir;
        QVERIFY(fixture::connectPrinter(ModelB));
        Cmd4700 commands(printerLink());
        // The day opened before the viewer is: the rows begin with the coupon.
        QVERIFY(commands.ProgramTaxRate({0, {'1', '8', '0', '0'}}) && commands.ReadingX() &&
                commands.WaitPrinterIdle());
        TfmVisualizacao window(nullptr);
        WindowDriver viewer(&window);
        QVERIFY(viewer.show());
        viewer.press("btProtocolo");
        QVERIFY(viewer.visible("twProtocolo") && !viewer.visible("memoVisualizacaoASCII"));
        const QString coo = coupon(commands);
        // clang-format off
        const QStringList expected{
            "Abrir cupom => aceito; COO: " + coo,
            QStringLiteral("Venda de item => aceito"),
            QStringLiteral("Cancelar item => recusado: código 15 – Item solicitado não foi encontrado"),
            QStringLiteral("Totalizar cupom => aceito; subtotal: 20,00"),
            QStringLiteral("Pagamento => aceito; saldo: 0,00"),
            QStringLiteral("Fechar cupom => aceito")};
        // clang-format on
        QTRY_COMPARE(shownRows(viewer), expected);
        auto *table = viewer.find<QTableWidget>("twProtocolo");
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$")
                    .match(table->item(0, 0)->text())
                    .hasMatch());
        QVERIFY(QRegularExpression("^\\+\\d+,\\d\\d\\d s$")
                    .match(table->item(1, 1)->text())
                    .hasMatch());
        QVERIFY(QRegularExpression("^\\d+ ms$").match(table->item(0, 5)->text()).hasMatch());
        QCOMPARE(
            table->item(1, 3)->text(),
            QStringLiteral(
                "alíquota: \"TA\"; código: \"789100\"; ajuste: desconto em valor ou nenhum; valor "
                "do ajuste: 0,00; preço unitário: 10,00; quantidade: 2; descrição: \"Produto\""));
        table->selectRow(0);
        QVERIFY2(viewer.text("memoBytes")
                     .startsWith("Enviado:  1B C8\n          [ESC][200]\nRecebido: 3A "),
                 qPrintable(viewer.text("memoBytes")));

        // Filters: a command, the refused only, a text in any column (the hex included).
        QVERIFY(viewer.pick("cbComando", QStringLiteral("Venda de item")));
        QCOMPARE(shownRows(viewer), expected.mid(1, 1));
        viewer.pick("cbComando", QStringLiteral("Todos os comandos"));
        viewer.check("cbRecusados");
        QCOMPARE(shownRows(viewer), expected.mid(2, 1));
        viewer.check("cbRecusados", false);
        viewer.setText("edProcurar", QStringLiteral("1b ce"));
        QCOMPARE(shownRows(viewer), expected.mid(3, 1));
        viewer.setText("edProcurar", {});

        // Saved as a text log and a CSV table; the log opened again gives the same rows.
        const QList<ExchangeRow> before = window.findChild<ProtocolPanel *>()->log().rows();
        dialogs.answer(dir.filePath("cupom.log"));
        viewer.press("btSalvar");
        QVERIFY(QFile::exists(dir.filePath("cupom.csv")));
        viewer.press("btLimpar");
        QCOMPARE(shownRows(viewer), QStringList());
        dialogs.answer(dir.filePath("cupom.log"));
        viewer.press("btAbrir");
        QCOMPARE(shownRows(viewer), expected);
        QVERIFY(window.findChild<ProtocolPanel *>()->log().rows() == before);
        QCOMPARE(messages.count(), 1); // the refused cancellation, shown by the command set
        // A file that is not a protocol log is refused with a message, and the rows stay.
        dialogs.answer(dir.filePath("cupom.csv"));
        viewer.press("btAbrir");
        QCOMPARE(messages.count(), 2);
        QVERIFY2(messages.texts().last().contains("cupom.csv"),
                 qPrintable(messages.texts().last()));
        QCOMPARE(shownRows(viewer), expected);

        // Hidden, the viewer collects nothing, unless "Registrar sempre" is checked.
        for (bool always : {false, true}) {
            viewer.check("cbRegistrarSempre", always);
            window.hide();
            commands.ReadingX();
            QCoreApplication::processEvents();
            QVERIFY(viewer.show());
            viewer.press("btProtocolo");
            // Showing the viewer starts it empty, unless it was recording all along.
            QTRY_COMPARE(shownRows(viewer).size(), always ? 1 : 0);
            QVERIFY(!always || shownRows(viewer)[0].startsWith("Leitura X => "));
        }
    }
};

TOOL_TEST_CLASS(ProtocolMonitorTest)
#include "test_protocol_monitor.moc"
