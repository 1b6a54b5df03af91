// The fiscal window and its document windows as the tool wires them, against the built-in
// emulated printers of both models: a coupon taken through the document windows while a macro
// records it, the macro played back on a fresh printer, the faults of playback, and the
// programming lists the windows offer. Protocol durations are shortened through the clock.
#include "app/tool_windows.h"
#include "fiscal/macro_file.h"
#include "link/macro_line.h"
#include "protocol/command_set.h"
#include "support/recording_messages.h"
#include "support/scripted_file_dialogs.h"
#include "support/test_main.h"
#include "support/window_driver.h"

#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>

#include <sys/resource.h>

namespace {

enum class Steps { Coupon, NulInAFrame, ReadingX, Paused };
enum class Action {
    Voucher,
    ItemSurcharge,
    IssSale,
    Reversal,
    LinkedPayment,
    CancelItem,
    CancelVoucher,
    StampCancelled
};
// A macro's lines, the printer's fault ("": none, "10": refused, "silent", "stop" while it
// prints), the answer to "Deseja continuar?", what the user is told, and the frames sent.
using FaultRow = std::tuple<uint, QByteArray, QByteArray, MessageAnswer, QStringList, qsizetype>;

template <size_t N> void put(uint8_t (&field)[N], const char *text) {
    std::memset(field, ' ', N);
    std::memcpy(field, text, std::min(N, std::strlen(text)));
}

// The printer of `model` present, programmed and its day opened by `readings` Leitura X, its
// frames cleared: TA (ICMS 18,00%), TB (ISS 5,00%); the linked methods "Cartao" and "Ticket"
// (02, 03; model A with their linked totalizers); the totalizers "Recebimento" (inflow) and
// "Sangria" (outflow); model B's reports "Zeta" (01) and "Alfa" (02).
bool openDay(uint model, int readings = 1) {
    if (!fixture::connectPrinter(model))
        return false;
    fixture::printer(model)->setPrintTimeMs(20);
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
    fixture::printer(model)->clearReceivedFrames();
    return ok;
}

QList<QByteArray> escFrames(uint model) {
    return fixture::framesStartingWith(model, "\x1B");
}
QByteArray fileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Steps)
Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(FaultRow)

class FiscalFlowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::unique_ptr<ToolWindows> tool;
    WindowDriver fiscal;

    QString path() const { return dir->filePath(QStringLiteral("m.b2k")); }
    // Shown, the window reads the programming lists; the frames are cleared after that.
    void showFiscal() {
        QVERIFY(fiscal.show());
        QCoreApplication::processEvents();
        for (uint model : {ModelA, ModelB})
            fixture::printer(model)->clearReceivedFrames();
    }
    QColor led() const { return fiscal.find("ledREC")->property("color").value<QColor>(); }
    bool atRest() const {
        return fiscal.enabled("btMacroRec") && fiscal.enabled("btMacroPlay") &&
               !fiscal.enabled("btMacroStop") && !fiscal.enabled("btMacroPause") &&
               toolState().RecordingState == RecordingOff;
    }
    void play() {
        dialogs->answer(path());
        fiscal.press("btMacroPlay");
    }
    // The document window of `button`, opened from the fiscal window.
    WindowDriver open(const char *button, QWidget &window) {
        fiscal.press(button);
        if (!window.isVisible())
            qFatal("%s opened no window", button);
        return WindowDriver(&window);
    }

    // One item with a 10 % surcharge, totalized, paid with the card, closed; the card's
    // credit/debit voucher; a management report; a second coupon, cancelled.
    void coupon() {
        fiscal.press("btAbreCF");
        WindowDriver sale = open("btVendeItem", tool->vendaItem);
        QCOMPARE(sale.find<QLineEdit>("edCodigo")->maxLength(), 6); // one line
        sale.check("rbDescCompleta");
        const bool a = toolState().ModelCode == ModelA;
        QCOMPARE(sale.find<QLineEdit>("edCodigo")->maxLength(), a ? 13 : 18);
        QCOMPARE(sale.find<QLineEdit>("edDescricao")->maxLength(), a ? 174 : 200);
        sale.setText("edCodigo", "789");
        sale.setText("edDescricao", "Leite");
        QVERIFY(sale.pick("cbSTICMS", "18,00%") && sale.pick("cbUnidade", "l"));
        sale.type("meValor", "10000");
        sale.type("meQuantidade", "1000");
        sale.check("rbAcrescimo");
        QCOMPARE(sale.enabled("rbValor"), !a); // model A: a percentage only
        sale.check("rbPorcentagem");
        sale.type("meAcresDesc", "1000");
        sale.press("btProceder");
        sale.press("btSair");
        open("btTotalizacao", tool->totalizacao).press("btProceder");
        WindowDriver pay = open("btPagamento", tool->pagamento);
        pay.check("rbVinc");
        pay.type("meValorFP", "1100");
        pay.setText("edTextoAdicional", "Troco");
        pay.press("btProceder");
        WindowDriver closing = open("btFechamento", tool->fechamento);
        closing.setText("memoMSG", "Obrigado\nVolte sempre");
        closing.press("btProceder");
        WindowDriver ccd = open("btCCD", tool->ccd);
        ccd.type("meValor", "1100");
        ccd.press("btEmiteCCD");
        ccd.setText("memoTexto", "Cartao 1234");
        ccd.press("btEnviarTexto");
        ccd.press("btFinalizaCCD");
        ccd.press("btSair");
        WindowDriver report = open("btRG", tool->rg);
        report.press("btEmiteRG");
        report.setText("memoTexto", "Caixa");
        report.press("btEnviarTexto");
        report.press("btFinalizaRG");
        report.press("btSair");
        fiscal.press("btAbreCF");
        WindowDriver cancel = open("btCancelamento", tool->cancelamento);
        QCOMPARE(cancel.visible("rbCCD"), !a); // model A cancels no credit/debit voucher
        cancel.check("rbCF");
        cancel.press("btProceder");
    }

private slots:
    void init() {
        fixture::freshPrinters();
        invalidateConfigurationCache();
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        tool = std::make_unique<ToolWindows>(dir->path());
        tool->main.show();
        fiscal.drive(&tool->fiscal);
    }
    void cleanup() {
        tool.reset();
        fixture::disconnectPrinter();
        dialogs.reset();
        messages.reset();
    }

    // What the user does while recording, the lines the macro file then holds (between its
    // header and ":FIM:"), and the same frames played twice on a fresh printer whose document
    // numbers run ahead: the voucher goes out with the coupon of its own pass. The Leitura X
    // rows end the recording with "Sair", which asks first.
    void recordAndPlay_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QByteArrayList>("lines");
        const QByteArray nul(1, '\0');
        // clang-format off
        QTest::newRow("MV210 coupon") << uint(ModelA) << Steps::Coupon << QByteArrayList{
            "[ESC][200]", "[ESC][223]TA789          11000000001000000001000l Leite[255]",
            "[ESC][241]1000000000000", "[ESC][242]B000000001100Troco[255]",
            "[ESC][243]Obrigado[CR][LF]Volte sempre[255]", "[ESC][219]AB000219000000001100",
            "[ESC][213]Cartao 1234[255]", "[ESC][212]", "[ESC][211]", "[ESC][213]Caixa[255]",
            "[ESC][212]", "[ESC][200]", "[ESC][206]"};
        QTest::newRow("MV4700 coupon") << uint(ModelB) << Steps::Coupon << QByteArrayList{
            "[ESC][200]", "[ESC][202]TA789               2000001000000001000000001000l Leite[255]",
            "[ESC][206]1000000000000", "[ESC][207]52000000001100Troco[255]",
            "[ESC][209]XObrigado[CR][LF]Volte sempre[CR][LF][255]", "[ESC][213]52000219000000001100",
            "[ESC][215]" + QByteArray("Cartao 1234").leftJustified(48), "[ESC][216]", "[ESC][210]02",
            "[ESC][215]" + QByteArray("Caixa").leftJustified(48), "[ESC][216]", "[ESC][200]",
            "[ESC][211]"};
        QTest::newRow("MV210 NUL in a frame") << uint(ModelA) << Steps::NulInAFrame
            << QByteArrayList{"[ESC][228]000" + nul + "0000100000X0000080025500000000000000"};
        QTest::newRow("MV4700 NUL in a frame") << uint(ModelB) << Steps::NulInAFrame
            << QByteArrayList{"[ESC][228]" + nul + "00X00X0000000000000"};
        // The idle wait's status polls are not part of the macro.
        QTest::newRow("MV210 Leitura X") << uint(ModelA) << Steps::ReadingX << QByteArrayList{"[ESC][207]"};
        QTest::newRow("MV4700 Leitura X") << uint(ModelB) << Steps::ReadingX << QByteArrayList{"[ESC][250]"};
        // Stopped while paused: no ":FIM:", and the playback ends at the end of the data.
        QTest::newRow("MV4700 paused") << uint(ModelB) << Steps::Paused << QByteArrayList{"[ESC][250]"};
        // clang-format on
    }
    void recordAndPlay() {
        QFETCH(uint, model);
        QFETCH(Steps, steps);
        QFETCH(QByteArrayList, lines);
        QVERIFY(openDay(model));
        showFiscal();
        dialogs->answer(path());
        fiscal.press("btMacroRec");
        QCOMPARE(dialogs->requests.value(0).title, QStringLiteral("Gravação de comandos"));
        QCOMPARE(dialogs->requests.value(0).filter, QStringLiteral("Arquivo de comandos (*.b2k)"));
        QCOMPARE(dialogs->requests.value(0).defaultSuffix, QStringLiteral("b2k"));
        QVERIFY(!fiscal.enabled("btMacroPlay") && !fiscal.enabled("btAutenticacao"));
        if (steps == Steps::Coupon)
            coupon();
        if (steps == Steps::NulInAFrame) {
            OptionsBlock options;
            std::memset(options.bytes, '0', sizeof options.bytes);
            options.bytes[OptionsBlock::AutoReadingX] = 0;
            QVERIFY(commandSetFor(model)->ProgramOptions(options));
        }
        if (steps == Steps::ReadingX || steps == Steps::Paused)
            fiscal.press("btLX");
        if (steps == Steps::Paused) {
            fiscal.press("btMacroPause");
            QCOMPARE(toolState().RecordingState.load(), int(RecordingPaused));
            QTRY_COMPARE(led(), QColor(242, 176, 77));
            fiscal.press("btLX"); // not recorded
        }
        if (steps == Steps::ReadingX) { // "Sair" asks first; Cancelar keeps on recording
            messages->scriptAnswer(MessageAnswer::Cancel);
            fiscal.press("btSair");
            QVERIFY(fiscal.widget()->isVisible() && toolState().RecordingState == RecordingOn);
            messages->scriptAnswer(MessageAnswer::Ok);
            fiscal.press("btSair");
            QCOMPARE(messages->texts(), QStringList(2, "A gravação será interrompida!"));
            messages->clear();
            showFiscal();
        }
        fiscal.press("btMacroStop");
        QVERIFY(atRest());
        QCOMPARE(led(), QColor(Qt::white));
        const QByteArray end = steps == Steps::Paused ? "\r\n" : "\r\n:FIM:";
        QCOMPARE(fileBytes(path()), MacroFile::header(model) + lines.join("\r\n") + end);

        printerLink().ClosePort();
        EmulatedPorts::replacePrinters();
        QVERIFY(openDay(model, 2));
        const int start = fixture::printer(model)->documentCounter();
        QSignalSpy passesLeft(fiscal.find<QLineEdit>("edLoop"), &QLineEdit::textChanged);
        fiscal.setText("edLoop", "2");
        play();
        QCOMPARE(toolState().RecordingState.load(), int(RecordingPlayback));
        QTRY_VERIFY_WITH_TIMEOUT(atRest(), 30000);
        QCOMPARE(messages->texts(), QStringList());
        // 1 after the first pass; 0 after the last, which the field's own rule turns into 1.
        QStringList shown;
        for (const QList<QVariant> &change : passesLeft)
            shown << change.value(0).toString();
        QCOMPARE(shown, QStringList({"2", "1", "1", "0"}));
        const int perPass = (fixture::printer(model)->documentCounter() - start) / 2;
        QByteArrayList played, expected;
        for (const QByteArray &frame : escFrames(model))
            played << macroLineFor(frame).chopped(2);
        for (int pass = 0; pass < 2; ++pass) {
            const QByteArray coo = QByteArray::number(start + 1 + pass * perPass);
            for (const QByteArray &line : lines)
                expected << QByteArray(line).replace("000219", coo.rightJustified(6, '0'));
        }
        QCOMPARE(played, expected);
    }

    // The stamp's frame (model A has one stamp, model B stamps on the left or on the right of
    // the slip), sent after the flow's last coupon, which was cancelled: the printer refuses
    // to stamp it (31) and the window says so in the model's words.
    void authentication_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("left");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("message");
        const QString a = "ERRO: 31\r\n\nNão pode autenticar. Excedeu 4 repetições ou \r\nnão é "
                          "permitida nesta fase";
        const QString b = "ERRO: 31\r\n\nNão pode autenticar";
        const QByteArray right = "\x1BYTexto Autent.\n", left = "\x1ByTexto Autent.\n";
        QTest::newRow("MV210") << uint(ModelA) << true << right << a;
        QTest::newRow("MV4700 left") << uint(ModelB) << true << left << b;
        QTest::newRow("MV4700 right") << uint(ModelB) << false << right << b;
    }
    void authentication() {
        QFETCH(uint, model);
        QFETCH(bool, left);
        QVERIFY(openDay(model));
        showFiscal();
        coupon();
        fixture::printer(model)->setDocumentInserted(true);
        fixture::printer(model)->clearReceivedFrames();
        WindowDriver stamp = open("btAutenticacao", tool->autenticacao);
        QCOMPARE(stamp.visible("rbLeft"), model == ModelB);
        stamp.check(left ? "rbLeft" : "rbRight");
        stamp.press("btEnviar");
        QTRY_VERIFY(stamp.enabled("btEnviar") && stamp.text("btSair") == " Sair");
        QTEST(escFrames(model).value(0), "frame");
        QTEST(messages->texts().join("#"), "message");
    }

    // The document windows' other actions, on the day openDay opens (the "fresh" rows on a
    // printer never programmed): the last frame the printer received ("" when nothing was
    // sent) and what the user is told. Reversals and the voucher cancellation find nothing to
    // act on, and the printer says so; model B's stamp cannot be stopped from the tool.
    void documentActions_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QStringList>("told");
        const QStringList none;
        // clang-format off
        QTest::newRow("MV210 voucher") << uint(ModelA) << Action::Voucher << QByteArray("\x1B\xD9" "A1000000000000000000002500\xFF") << none;
        QTest::newRow("MV4700 voucher") << uint(ModelB) << Action::Voucher << QByteArray("\x1B\xD4" "011000000000000000000002500\xFF") << none;
        QTest::newRow("fresh: no totalizer") << uint(ModelB) << Action::Voucher << QByteArray() << QStringList{"Nenhum totalizador não fiscal programado na impressora!"};
        QTest::newRow("MV4700 item surcharge") << uint(ModelB) << Action::ItemSurcharge << QByteArray("\x1B\xCB" "0011000000050") << none;
        QTest::newRow("fresh: no ISS rate") << uint(ModelA) << Action::IssSale << QByteArray() << QStringList{"Nenhuma alíquota de ISSQN programada na impressora!"};
        QTest::newRow("MV210 reversal") << uint(ModelA) << Action::Reversal << QByteArray("\x1B\xF8" "AB000000000000001000") << QStringList{"ERRO: 38\r\n\nForma de pagamento selecionada não é válida"};
        QTest::newRow("MV4700 reversal") << uint(ModelB) << Action::Reversal << QByteArray("\x1B\xDB" "0152000000000000001000") << QStringList{"ERRO: 49\r\n\nForma de pagamento a ser estornada não foi \r\nencontrada na memória"};
        QTest::newRow("fresh: no linked method") << uint(ModelB) << Action::LinkedPayment << QByteArray() << QStringList{"Nenhuma forma de pagamento programada na impressora!"};
        QTest::newRow("MV210 cancel item") << uint(ModelA) << Action::CancelItem << QByteArray("\x1B\xCD" "001") << none;
        QTest::newRow("MV4700 cancel voucher") << uint(ModelB) << Action::CancelVoucher << QByteArray("\x1B\xD9" "000012") << QStringList{"ERRO: 12\r\n\nNão há documento a cancelar"};
        QTest::newRow("MV4700 stamp cancelled") << uint(ModelB) << Action::StampCancelled << QByteArray("\x1BYTexto Autent.\n") << QStringList{"Desligue a impressora para cancelar!"};
        // clang-format on
    }
    void documentActions() {
        QFETCH(uint, model);
        QFETCH(Action, action);
        const bool fresh = QByteArray(QTest::currentDataTag()).startsWith("fresh");
        QVERIFY(fresh ? fixture::connectPrinter(model) : openDay(model));
        showFiscal();
        switch (action) {
        case Action::Voucher:
        case Action::StampCancelled: {
            WindowDriver voucher = open("btCNF", tool->cnfnv);
            if (!fresh)
                QVERIFY(voucher.pick("cbCNFNV", "Recebimento"));
            voucher.type("meValorCNFNV", "2500");
            voucher.press("btProceder");
            if (action == Action::Voucher)
                break;
            voucher.press("btSair");
            WindowDriver pay = open("btPagamento", tool->pagamento);
            pay.type("meValorFP", "2500");
            pay.press("btProceder");
            open("btFechamento", tool->fechamento).press("btProceder");
            // No slip in place: the printer waits for one until the user cancels.
            WindowDriver stamp = open("btAutenticacao", tool->autenticacao);
            stamp.press("btEnviar");
            QTRY_VERIFY(escFrames(model).last().startsWith("\x1BY"));
            QCOMPARE(stamp.text("btSair"), QStringLiteral("Cancelar"));
            stamp.press("btSair");
            QTRY_VERIFY(stamp.enabled("btEnviar"));
            QVERIFY(stamp.widget()->isVisible());
            break;
        }
        case Action::ItemSurcharge:
        case Action::IssSale:
        case Action::CancelItem: {
            if (action != Action::IssSale)
                fiscal.press("btAbreCF");
            WindowDriver sale = open("btVendeItem", tool->vendaItem);
            sale.check(action == Action::IssSale ? "rbVinc" : "rbICMS");
            sale.setText("edCodigo", "7");
            sale.setText("edDescricao", "Pao");
            sale.type("meValor", "300");
            sale.type("meQuantidade", "2");
            sale.press("btProceder");
            if (action == Action::ItemSurcharge) {
                sale.setText("meItem", "1");
                sale.check("rbDesconto2");
                sale.type("meAcresDesc2", "50");
                sale.press("btEnviarAcreDescItem");
                QCOMPARE(sale.text("meItem"), QStringLiteral("001"));
            }
            sale.press("btSair");
            if (action == Action::CancelItem) {
                WindowDriver cancel = open("btCancelamento", tool->cancelamento);
                cancel.check("rbItem");
                cancel.setText("meItem", "1");
                cancel.press("btProceder");
            }
            break;
        }
        case Action::Reversal:
        case Action::LinkedPayment: {
            WindowDriver pay = open("btPagamento", tool->pagamento);
            if (action == Action::LinkedPayment) {
                pay.check("rbVinc");
                pay.press("btProceder");
                break;
            }
            pay.find<QTabWidget>("pcPagamento")->setCurrentIndex(1);
            pay.check("rbFPNV1");
            QVERIFY(pay.pick("cbFPNV1", "Dinheiro"));
            pay.check("rbFPV2");
            QVERIFY(pay.pick("cbFPV2", "Cartao"));
            pay.type("meValorEst", "1000");
            pay.press("btEstorno");
            break;
        }
        case Action::CancelVoucher: {
            WindowDriver cancel = open("btCancelamento", tool->cancelamento);
            cancel.check("rbCCD");
            cancel.setText("meCOO", "12");
            cancel.press("btProceder");
            QCOMPARE(cancel.text("meCOO"), QStringLiteral("000012"));
            break;
        }
        }
        QTEST(escFrames(model).value(escFrames(model).size() - 1), "frame");
        QTEST(messages->texts(), "told");
    }

    // A macro file that cannot be created, written or read: the user is told, no recording or
    // playback is claimed, and the buttons are back at rest.
    void macroFileFaults_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("told");
        QTest::newRow("no such folder") << "nowhere/m.b2k"
                                        << "Não foi possível criar";
        QTest::newRow("disk full") << "/dev/full"
                                   << "Não foi possível criar";
        QTest::newRow("write fails later") << "m.b2k"
                                           << "Erro ao gravar";
        QTest::newRow("nothing to play") << "none.b2k"
                                         << "Não foi possível abrir";
    }
    void macroFileFaults() {
        QFETCH(QString, file);
        QFETCH(QString, told);
        QVERIFY(openDay(ModelB));
        showFiscal();
        dialogs->answer(file.startsWith('/') ? file : dir->filePath(file));
        const bool later = told == QLatin1String("Erro ao gravar");
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        if (later) { // the file may grow by its header and one short line only
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 30;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        fiscal.press(told.endsWith("abrir") ? "btMacroPlay" : "btMacroRec");
        if (later) {
            QCOMPARE(toolState().RecordingState.load(), int(RecordingOn));
            fiscal.press("btAbreCF");
            WindowDriver cancel = open("btCancelamento", tool->cancelamento);
            cancel.check("rbCF");
            cancel.press("btProceder");
            QTRY_VERIFY(messages->count() > 0);
            setrlimit(RLIMIT_FSIZE, &saved);
            QCOMPARE(fileBytes(path()), MacroFile::header(ModelB) + "[ESC][200]\r\n");
        }
        QCOMPARE(messages->count(), 1);
        QVERIFY2(messages->texts()[0].startsWith(told), qPrintable(messages->texts()[0]));
        QVERIFY(atRest());
        QCOMPARE(led(), QColor(Qt::white));
    }

    // A file the player refuses, a frame the printer refuses or leaves unanswered, or Stop
    // during the idle wait after a Leitura X: what the user is told, and the frames sent.
    void playbackFaults_data() {
        QTest::addColumn<FaultRow>("row");
        const QByteArray coupon = "[ESC][200]\r\n", twice = coupon + coupon;
        const QByteArray a = MacroFile::header(ModelA), b = MacroFile::header(ModelB);
        const QString stopped = "\r\nNada dessa linha foi enviado e a execução foi interrompida.";
        const QStringList other{"O arquivo especificado é incompatível\r\ncom a impressora em "
                                "uso!\r\n"};
        const QStringList silent{"A impressora não respondeu.\r\nO envio da seqüência de "
                                 "comandos foi interrompido."};
        const QStringList tooLong{"A linha 3 do arquivo de comandos é longa demais para ser "
                                  "enviada à impressora." +
                                  stopped};
        const QStringList noCr{"A linha 2 do arquivo de comandos está incompleta (falta o fim "
                               "de linha)." +
                               stopped};
        const auto no = MessageAnswer::No;
        // clang-format off
        QTest::newRow("MV210 file of MV4700") << FaultRow{uint(ModelA), b + coupon, QByteArray(), no, other, 0};
        QTest::newRow("MV4700 file of MV210") << FaultRow{uint(ModelB), a + coupon, QByteArray(), no, other, 0};
        QTest::newRow("line too long") << FaultRow{uint(ModelB), b + coupon + QByteArray(3000, 'A') + "\r\n", QByteArray(), no, tooLong, 1};
        QTest::newRow("line without CR") << FaultRow{uint(ModelA), a + "[ESC][200]", QByteArray(), no, noCr, 0};
        QTest::newRow("MV210 refused, go on") << FaultRow{uint(ModelA), a + twice, QByteArray("10"), MessageAnswer::Yes, QStringList{"ERRO: 10\r\n\nDocumento sendo emitido", "Deseja continuar?"}, 2};
        QTest::newRow("MV4700 refused, stop") << FaultRow{uint(ModelB), b + twice, QByteArray("10"), no, QStringList{"ERRO: 10\r\n\nDocumento aberto", "Deseja continuar?"}, 1};
        QTest::newRow("MV4700 silent") << FaultRow{uint(ModelB), b + twice, QByteArray("silent"), no, silent, 1};
        QTest::newRow("Stop while printing") << FaultRow{uint(ModelB), b + "[ESC][250]\r\n" + coupon + ":FIM:", QByteArray("stop"), no, QStringList(), 1};
        // clang-format on
    }
    void playbackFaults() {
        QFETCH(FaultRow, row);
        const auto &[model, lines, fault, answer, told, sent] = row;
        QVERIFY(fault == "stop" ? fixture::connectPrinter(model) : openDay(model));
        showFiscal();
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lines) == lines.size());
        file.close();
        if (fault == "silent")
            fixture::printer(model)->setSilent(true);
        else if (fault == "stop")
            fixture::printer(model)->setPrintTimeMs(1500);
        else if (!fault.isEmpty())
            fixture::printer(model)->failNextWith(fault);
        messages->scriptAnswer(MessageAnswer::Ok);
        messages->scriptAnswer(answer);
        play();
        if (fault == "stop") {
            QTRY_VERIFY(fixture::printer(model)->receivedFrames().value(1).startsWith('\x1D'));
            QVERIFY(!toolState().ViewerFeed); // no idle polls in the traffic viewer
            QTRY_COMPARE(led(), QColor(0, 128, 0));
            fiscal.press("btMacroStop");
            QCOMPARE(led(), QColor(Qt::white));
            QVERIFY(!fiscal.enabled("btMacroRec") && !fiscal.enabled("btMacroPlay"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(atRest(), 30000);
        QVERIFY(toolState().ViewerFeed);
        QCOMPARE(messages->texts(), told);
        for (const Message &message : messages->shown())
            QCOMPARE(message.caption, QStringLiteral("Erro"));
        QCOMPARE(escFrames(model).size(), sent);
    }

    // The lists the window reads when shown: names sorted, cash first, names that begin with
    // a digit or an accent left out (and model A's unnamed slots), the codes the windows send;
    // a read that fails keeps what was read before it.
    void programmingLists_data() {
        QTest::addColumn<uint>("model");
        // Payments unlinked and linked, totalizers, reports, and model A's linked totalizers.
        QTest::addColumn<QByteArrayList>("codes");
        const QByteArray a("A\0", 2), b("B\0", 2), c("C\0", 2), d("D\0", 2);
        QTest::newRow("MV210") << uint(ModelA) << QByteArrayList{a, d, b, c, "EA", "SB", "AB"};
        QTest::newRow("MV4700") << uint(ModelB) << QByteArrayList{"01",  "04", "52", "53", "E01",
                                                                  "S02", "02", "01", ""};
    }
    void programmingLists() {
        QFETCH(uint, model);
        QVERIFY(fixture::connectPrinter(model));
        CommandSet &c = *commandSetFor(model);
        QVERIFY(c.ProgramTaxRate({0, {'2', '0', '0', '0'}})); // TA, before openDay's 18 % (TB)
        const char *const names[] = {"Boleto", "1Vale", "\xC1gil"};
        for (uint8_t i = 0; i < 3; ++i) {
            PaymentMethodRecord m{0, {'0', uint8_t('4' + i)}, {}};
            put(m.name, names[i]);
            QVERIFY(c.ProgramPaymentMethod(m));
        }
        QVERIFY(openDay(model));
        showFiscal();
        const ProgrammingLists &lists = tool->fiscal.programmingLists();
        QCOMPARE(lists.icms.names, QStringList({"I", "F", "N", "18,00%", "20,00%"}));
        QCOMPARE(lists.icms.codes, QByteArrayList({"I ", "F ", "N ", "TB", "TA"}));
        QCOMPARE(lists.iss.names, QStringList{"05,00%"});
        QCOMPARE(lists.iss.codes, QByteArrayList{"TC"});
        QCOMPARE(lists.unlinkedPayments.names + lists.linkedPayments.names,
                 QStringList({"Dinheiro", "Boleto", "Cartao", "Ticket"}));
        QCOMPARE(lists.totalizers.names, QStringList({"Recebimento", "Sangria"}));
        QTEST(lists.unlinkedPayments.codes + lists.linkedPayments.codes + lists.totalizers.codes +
                  lists.reports.codes + QByteArrayList{lists.linkedTotalizerLetters},
              "codes");
        QCOMPARE(messages->count(), 0);
    }
};

TOOL_TEST_CLASS(FiscalFlowTest)
#include "test_fiscal_flows.moc"
