// The Edit Data window ("Parâmetros de Inicialização da Impressora") as a technician uses it
// against the emulated printers. The rules behind each step are tested without the window
// (test_programming_tables, test_c2k_file, test_table_transfer); here the controls reach them.
#include "programming/prglote.h"
#include "programming/table_transfer.h"
#include "programming/tags.h"
#include "send_data_fixture.h"
#include "support/programming_maintenance_session.h"
#include "support/test_main.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

using fixture::printer;

class EditDataWindowTest : public QObject {
    Q_OBJECT

    fixture::WindowSession s;
    WindowDriver &ui = s.ui;

    void page(const char *name) {
        ui.find<QTabWidget>("PageControl")->setCurrentWidget(ui.find(name));
    }
    QTableWidget *grid(const char *name) { return ui.find<QTableWidget>(name); }
    QString cell(const char *name, int row, int column) {
        const QTableWidgetItem *item = grid(name)->item(row, column);
        return item ? item->text() : QString();
    }
    // "Salvar Dados" to a new file; what the file holds, as Import reads it.
    QStringList save(const QString &name) {
        s.dialogs->answer(s.path(name));
        ui.press("btSalvar");
        const QByteArray data = fixture::readFile(s.path(name));
        return fixture::cells(readC2k(data, toolState().ModelCode, false).tables);
    }

private slots:
    void init() { s.begin({"c2k"}); }
    void cleanup() { s.end(); }

    // Read all, change flag cells by keys, send a payment method, the options page, the
    // header, save, clear everything, import what was saved.
    void session_data() {
        fixture::columns<uint, QString, QStringList>({"model", "shown", "saved"});
        // clang-format off
        QTest::newRow("MV4700") << uint(ModelB) << "cbSuprimeMsgErro cbChequeNegrito edLoja"
            << QStringList{"T1 18,00%    S", "R1 Sangria", "N1 Suprimento   S", " FP01 Dinheiro    N",
                           " FP55 Cartao    N", "H <N>Loja</N>"};
        QTest::newRow("MV210") << uint(ModelA) << "cbFPVinc cbSuprimeMsgErro cbArredondamento"
            << QStringList{"T1 18,00%    S", "N1 Suprimento   S", " FP01 Dinheiro    N",
                           " FP03 Cartao    V", "H <N>Loja</N>"};
        // clang-format on
    }
    void session() {
        QFETCH(uint, model);
        QVERIFY(s.usePrinter(model, model == ModelB ? "1.01" : "1.22"));
        CommandSet &set = *commandSetFor(model);
        QVERIFY(sendTaxRate(set, false, QStringLiteral("18,00%")));
        QVERIFY(sendTotalizer(set, true, QStringLiteral("Suprimento")));
        sendReportName(set, model, QStringLiteral("Sangria"));
        toolState().TablesStale = true; // the model was changed in the main window
        TfmPrgLote *window = s.open<TfmPrgLote>();
        QVERIFY(window);
        QCOMPARE(window->pos(), s.main->pos() + QPoint(10, -70));
        QString shown;
        for (const char *name : {"cbFPVinc", "cbRZAut", "cbSuprimeMsgErro", "cbChequeNegrito",
                                 "cbArredondamento", "edLoja"})
            shown += ui.find(name)->isHidden() ? "" : QString(shown.isEmpty() ? "" : " ") + name;
        QTEST(shown, "shown");
        QCOMPARE(ui.find<QTabWidget>("PageControl")->isTabEnabled(2), model == ModelB);

        // The payment notice once after a model change, then the grid.
        page("tabFP");
        QVERIFY(ui.visible("PanelFPMsg") && !ui.visible("PanelFP"));
        QCOMPARE(ui.text("lbMsgFP"), QString(model == ModelB ? "MV4700" : "MV210"));
        QVERIFY(
            ui.text("lbMsgWarningFP").startsWith(model == ModelB ? "Os pagamentos" : "Para cada"));
        ui.press("btContMsgWFP");
        page("tabAliq");
        page("tabFP");
        QVERIFY(ui.visible("PanelFP") && !ui.visible("PanelFPMsg"));

        ui.press("btLerTodos");
        QCOMPARE(cell("sgAliquotas", 1, 1), QStringLiteral("18,00%"));
        QCOMPARE(cell("sgFP", 2, 1), QString()); // model A's "Pagamento Tipo B" is not shown
        QTest::mouseClick(grid("sgFP")->viewport(), Qt::LeftButton, {},
                          grid("sgFP")->visualItemRect(grid("sgFP")->item(1, 1)).center());
        QCOMPARE(grid("sgFP")->currentRow(), 2); // the cash row is not changed

        // The flag columns change by keys only; a space turns the ISS flag back.
        page("tabAliq");
        grid("sgAliquotas")->setCurrentCell(1, 2);
        QTest::keyClicks(grid("sgAliquotas"), "s  x");
        QCOMPARE(cell("sgAliquotas", 1, 2), QStringLiteral("    S"));
        QCOMPARE(grid("sgAliquotas")->editTriggers(), QAbstractItemView::NoEditTriggers);
        page("tabCNFNV");
        grid("sgCNFNV")->setCurrentCell(1, 2);
        QTest::keyClicks(grid("sgCNFNV"), "S");

        // One method sent (model B: 55 is the linked 05), read back at once.
        page("tabFP");
        ui.setText("meNumFP", model == ModelB ? "55" : "03");
        ui.setText("meDescFP", "Cartao");
        ui.check("cbFPVinc", model == ModelA);
        ui.press("btEnviarFPImpr");
        QCOMPARE(ui.text("meDescFP"), QString());
        QCOMPARE(printer(model)->linkedTotalizerNames().value(0).trimmed(),
                 QByteArray(model == ModelA ? "Cartao" : "")); // the linked voucher

        // The options block follows the boxes once the page is left.
        page("tabESC228");
        QTest::mouseClick(ui.find<QAbstractButton>("cbLXAut"), Qt::LeftButton);
        QCOMPARE(window->optionsBlock().bytes[0], uint8_t('0')); // as read
        page("tabAliq");
        QCOMPARE(window->optionsBlock().bytes[0], uint8_t('1'));

        // The header: tag buttons, sent in an intervention, bounded to what the printer takes.
        page("tabCliche");
        ui.press("btLimparCliche"); // the header read from the printer
        ui.press("btTagN");
        QTest::keyClicks(ui.find("MemoCliche"), QStringLiteral("Loja"));
        ui.press("btTagN");
        ui.press("btEnviarClicheImpr");
        QCOMPARE(printer(model)->headerText(), taggedTextToPrinter(model, "<N>Loja</N>"));
        ui.find<QPlainTextEdit>("MemoCliche")->insertPlainText(QString(500, u'x'));
        QCOMPARE(ui.text("MemoCliche"), QStringLiteral("<N>Loja</N>"));
        QVERIFY(s.messages->texts().value(0).contains(QLatin1String("499")));

        QFETCH(QStringList, saved);
        QCOMPARE(save("first.c2k"), saved);
        const FileDialogRequest request = s.dialogs->requests.value(0);
        QCOMPARE(request.title + request.filter, "ConfiguraçõesArquivo de configuração (*.c2k)");
        QCOMPARE(QDir(request.folder), QDir(s.path("c2k")));
        ui.press("btLimparTodos");
        QCOMPARE(save("cleared.c2k"), QStringList{" FP01 Dinheiro    N"});
        s.dialogs->answer(s.path("first.c2k"));
        ui.press("btImportar");
        QCOMPARE(save("again.c2k"), saved);
        QCOMPARE(s.messages->count(), 1);

        // Without a printer every action that needs one says so and sends nothing (the report
        // page is disabled on model A); the two of "Configurações 2" go without the test.
        toolState().PrinterPresent = false;
        s.messages->clear();
        fixture::takeFrames(model);
        for (const char *button :
             {"btLerAliqImpr", "btEviarAliqImpr", "btLerFPImpr", "btEnviarFPImpr", "btLerRGImpr",
              "btEnviarRGImpr", "btLerCNFNVImpr", "btEnviarCNFNVImpr", "btLerClicheImpr",
              "btEnviarClicheImpr", "btLX", "btEnviaESC228Impr", "btLerESC228Impr",
              "btLerConf2Impr", "btLerTodos"})
            ui.find<QAbstractButton>(button)->click();
        QCOMPARE(s.messages->texts(),
                 QStringList(model == ModelB ? 15 : 13, "Não existe impressora!"));
        QVERIFY(fixture::takeFrames(model).isEmpty());
        ui.press("btEnviarOperador");
        ui.press("btEnviarHorarioVerao");
        QCOMPARE(s.messages->count(), model == ModelB ? 15 : 13);
        QVERIFY(!fixture::takeFrames(model).isEmpty());
    }

    // Import: a refused file leaves the copy, an old file is converted on the user's word and
    // saved at once, a header longer than the printer takes is cut after a warning.
    void import_data() {
        fixture::columns<QByteArray, int, QStringList, QString>(
            {"file", "answer", "texts", "memo"});
        const QByteArray file = fixture::sampleFile(ModelB);
        const QByteArray old =
            file.left(1667).replace(0, 5, "00.50") + "        {\\b Loja\\b0\\par}";
        const QString longHeader = "O Clichê do arquivo tem mais de 499 caracteres, o máximo que a "
                                   "impressora aceita.\r\nSerão mantidos apenas os primeiros 499.";
        const int yes = int(MessageAnswer::Yes), no = int(MessageAnswer::No);
        // clang-format off
        QTest::newRow("other model") << fixture::sampleFile(ModelA) << no << QStringList{C2kText::WrongModel}
                                     << "mine";
        QTest::newRow("old, Yes") << old << yes << QStringList{C2kText::ConvertQuestion} << "<N>Loja</N>\n";
        QTest::newRow("long header") << fixture::withHeader(file, QByteArray(600, 'z')) << no
                                     << QStringList{longHeader} << QString(499, u'z');
        // clang-format on
    }
    void import() {
        QFETCH(QByteArray, file);
        QFETCH(int, answer);
        QVERIFY(s.usePrinter(ModelB, "1.05") && s.open<TfmPrgLote>());
        ui.setText("MemoCliche", QStringLiteral("mine"));
        fixture::writeFile(s.path("in.c2k"), file);
        s.dialogs->answer(s.path("in.c2k"));
        s.dialogs->answer(s.path("converted.c2k"));
        s.messages->scriptAnswer(MessageAnswer(answer));
        ui.press("btImportar");
        QTEST(s.messages->texts(), "texts");
        QTEST(ui.text("MemoCliche"), "memo");
        const QByteArray converted = fixture::readFile(s.path("converted.c2k"));
        QCOMPARE(converted.left(5) + converted.right(13),
                 answer == int(MessageAnswer::Yes) ? "02.00<N>Loja</N>\r\n" : QByteArray());
    }

    // One page's own actions, as steps: "field=text" fills a field, "grid:row:column=keys"
    // types into a cell's editor and moves on, anything else presses that button. Then
    // the first frame the printer received, a cell read back ("grid:row:column=text") and
    // what the user is told.
    void pageActions_data() {
        fixture::columns<uint, QStringList, QByteArray, QString, QStringList>(
            {"model", "steps", "frame", "cell", "told"});
        const QStringList none;
        // clang-format off
        QTest::newRow("MV4700 tax rate") << uint(ModelB) << QStringList{"meAliq=1250", "btEviarAliqImpr"}
            << QByteArray("\x1B\xDC" "N1250") << "sgAliquotas:1:1=12,50%" << none;
        QTest::newRow("MV4700 report") << uint(ModelB) << QStringList{"meDescRG=Caixa", "btEnviarRGImpr"}
            << QByteArray("\x1B\xE0" "Caixa") << "sgRG:1:1=Caixa                " << none;
        QTest::newRow("MV210 totalizer") << uint(ModelA) << QStringList{"meDescCNFNV=Troco", "btEnviarCNFNVImpr"}
            << QByteArray("\x1B\xE2") << "sgCNFNV:1:1=Troco                " << none;
        QTest::newRow("no payment number") << uint(ModelA) << QStringList{"meNumFP=", "btEnviarFPImpr"}
            << QByteArray() << "" << QStringList{"Informe o número da Forma de Pagamento!"};
        QTest::newRow("MV210 options") << uint(ModelA) << QStringList{"btEnviaESC228Impr"}
            << QByteArray("\x1B\xE4") << "" << none;
        QTest::newRow("MV4700 Leitura X") << uint(ModelB) << QStringList{"btLX"}
            << QByteArray("\x1B\xFA") << "" << none;
        QTest::newRow("rate typed in its cell") << uint(ModelA) << QStringList{"sgAliquotas:2:1=7"}
            << QByteArray() << "sgAliquotas:2:1=7 ,  %" << none;
        QTest::newRow("rate cell left blank") << uint(ModelA) << QStringList{"sgAliquotas:2:1="}
            << QByteArray() << "sgAliquotas:2:1=//,//%" << none;
        QTest::newRow("report name cut") << uint(ModelB) << QStringList{"sgRG:1:1=" + QString(30, u'r')}
            << QByteArray() << "sgRG:1:1=" + QString(21, u'r') << none;
        // clang-format on
    }
    void pageActions() {
        QFETCH(uint, model);
        QFETCH(QStringList, steps);
        QFETCH(QString, cell);
        QVERIFY(s.usePrinter(model, model == ModelB ? "1.05" : "1.22"));
        QVERIFY(s.open<TfmPrgLote>());
        if (ui.visible("PanelFPMsg"))
            ui.press("btContMsgWFP");
        fixture::takeFrames(model);
        static const QRegularExpression cellStep(QStringLiteral("^(\\w+):(\\d+):(\\d+)=(.*)$"));
        for (const QString &step : steps) {
            const QRegularExpressionMatch target = cellStep.match(step);
            if (target.hasMatch()) {
                QTableWidget *table = grid(qPrintable(target.captured(1)));
                const QModelIndex index =
                    table->model()->index(target.captured(2).toInt(), target.captured(3).toInt());
                table->setCurrentIndex(index);
                table->edit(index);
                auto *editor = table->viewport()->findChild<QLineEdit *>();
                QVERIFY(editor);
                QTest::keyClicks(editor, target.captured(4));
                // Moving to another cell keeps what was typed, complete or not.
                table->setCurrentIndex(index.siblingAtRow(index.row() + 1));
            } else if (step.contains('=')) {
                ui.setText(qPrintable(step.section('=', 0, 0)), step.section('=', 1));
            } else {
                ui.press(qPrintable(step));
            }
        }
        const QByteArrayList frames = fixture::takeFrames(model);
        QByteArray first;
        for (const QByteArray &frame : frames)
            if (first.isEmpty() && frame.startsWith('\x1B'))
                first = frame;
        QFETCH(QByteArray, frame);
        if (!frame.isEmpty())
            QCOMPARE(first.left(frame.size()), frame);
        const QRegularExpressionMatch shown = cellStep.match(cell);
        if (shown.hasMatch())
            QCOMPARE(this->cell(qPrintable(shown.captured(1)), shown.captured(2).toInt(),
                                shown.captured(3).toInt()),
                     shown.captured(4));
        QTEST(s.messages->texts(), "told");
    }
};

TOOL_TEST_CLASS(EditDataWindowTest)
#include "test_prglote.moc"
