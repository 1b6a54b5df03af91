// The check window against the built-in emulated MV4700: the bank table load and its messages,
// a check printed front and back, and the ways a print is stopped. Protocol durations are
// shortened through the clock.
#include "bank_table.h"
#include "core/clock.h"
#include "core/global.h"
#include "link/emulator_transport.h"
#include "link/serial_new.h"
#include "peripherals/cheques.h"
#include "printer.h"
#include "support/recording_messages.h"
#include "support/screenshot.h"
#include "support/scripted_file_dialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString Port = QStringLiteral("EMUL-MV4700");
const QByteArray Can("\x18");
} // namespace

class TestChequesWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::shared_ptr<emu::Printer> printer;
    std::unique_ptr<QWidget> main;
    std::unique_ptr<TfmCheques> window;
    qsizetype printedBefore = 0; // the shared emulated printer keeps what earlier cases printed

    QList<emu::PrintedCheck> printed() { return printer->printedChecks().mid(printedBefore); }

    template <class T = QPushButton> T *control(const char *name) {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    void click(const char *name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    QString progress() { return control<QLabel>("lbMSG")->text(); }
    bool idle() {
        return !control<QLabel>("lbMSG")->isVisible() &&
               control("btSair")->text() == QStringLiteral(" Sair") &&
               control("btImprimir")->isEnabled();
    }
    int framesStartingWith(const QByteArray &start) {
        int n = 0;
        for (const QByteArray &f : printer->receivedFrames())
            n += f.startsWith(start);
        return n;
    }
    QString writeFile(const QString &name, const QByteArray &bytes) {
        const QString path = dir->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(bytes);
        return path;
    }
    void loadTable(const QByteArray &bytes) {
        dialogs->answer(writeFile(QStringLiteral("bancos.QBK"), bytes));
        click("btOpenArqCheques");
        click("btProceder");
    }
    // Fills the check: bank 341, São Paulo, the payee, R$ 123,45 typed digit by digit.
    void fillCheck(bool back, const QString &backText = {}) {
        QLineEdit *bank = control<QLineEdit>("meNumBanco");
        bank->setText(QStringLiteral("341"));
        control<QLineEdit>("edCidade")->setText(QStringLiteral("São Paulo"));
        control<QLineEdit>("edFavorecido")->setText(QStringLiteral("José da Conceição"));
        QLineEdit *amount = control<QLineEdit>("meValor");
        QTest::keyClick(amount, Qt::Key_Escape);
        QTest::keyClicks(amount, QStringLiteral("12345"));
        QCheckBox *verso = control<QCheckBox>("cbTxtVerso");
        if (verso->isChecked() != back)
            QTest::mouseClick(verso, Qt::LeftButton, {}, QPoint(4, verso->height() / 2));
        control<QPlainTextEdit>("memoMSG")->setPlainText(backText);
    }

private slots:
    void init() {
        resetToolState();
        toolState().ViewerFeed = false;
        Clock::setScale(0.01);
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        installFileDialogs(dialogs.get());
        printer = EmulatedPorts::printerFor(Port);
        printer->setPowered(true);
        printer->setSilent(false);
        printer->removeCheck();
        printer->setCheckPrintTimeMs(40);
        QCOMPARE(printerLink().OpenPort(Port, 9600, false), 0);
        toolState().ModelCode = ModelB;
        toolState().PrinterPresent = true;
        main = std::make_unique<QWidget>();
        main->move(200, 200);
        main->show();
        window = std::make_unique<TfmCheques>(main.get());
        window->show();
        QVERIFY(!main->isEnabled());
        // The sample table of 32 banks, Itaú (341) among them.
        loadTable(emu::BankTable::encode(emu::BankTable::sample()));
        messages->clear();
        printer->clearReceivedFrames();
        printedBefore = printer->printedChecks().size();
    }
    void cleanup() {
        window.reset();
        main.reset();
        printerLink().ClosePort();
        installFileDialogs(nullptr);
        dialogs.reset();
        messages.reset();
        printer->removeCheck();
        Clock::setScale(1.0);
    }

    void opensOnPrintingWithToday() {
        QCOMPARE(control<QTabWidget>("PageControl")->currentWidget()->objectName(),
                 QStringLiteral("tabImpressao"));
        QCOMPARE(control<QLineEdit>("meData")->text().remove(QLatin1Char('/')),
                 Clock::now().toString(QStringLiteral("ddMMyyyy")));
        QCOMPARE(control<QLineEdit>("meNumBanco")->text(), QStringLiteral("001"));
        QVERIFY(!control<QLabel>("lbMSG")->isVisible());
        QVERIFY(!control<QPlainTextEdit>("memoMSG")->isEnabled());
        click("btSair");
        QVERIFY(!window->isVisible());
        QVERIFY(main->isEnabled());
    }

    void amountTypedLikeACalculator() {
        QLineEdit *amount = control<QLineEdit>("meValor");
        QTest::keyClicks(amount, QStringLiteral("12a3-45"));
        QCOMPARE(amount->text(), QStringLiteral("0000000123,45"));
        QTest::keyClick(amount, Qt::Key_Escape);
        QCOMPARE(amount->text(), QStringLiteral("0000000000,00"));
    }

    void sixthLineBlanked() {
        fillCheck(true, QStringLiteral("1\n2\n3\n4\n5"));
        QPlainTextEdit *memo = control<QPlainTextEdit>("memoMSG");
        memo->moveCursor(QTextCursor::End);
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, QStringLiteral("6"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("1\n2\n3\n4\n5\n"));
    }

    void bankTableMessages_data() {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        const QByteArray good = emu::BankTable::encode(emu::BankTable::sample());
        QTest::newRow("accepted") << good << false << "Envio efetuado com sucesso!"
                                  << "Aviso";
        QTest::newRow("no answer: 99")
            << good << true << "Erro ao carregar tabela!\r\nCódigo de Erro: 99"
            << "Erro";
        QByteArray zero = good.left(2) + "000" + QByteArray(1, '\xFF');
        QTest::newRow("refused by the printer")
            << zero << false << "Erro ao carregar tabela!\r\nCódigo de Erro: 28"
            << "Erro";
    }
    void bankTableMessages() {
        QFETCH(QByteArray, table);
        QFETCH(bool, silent);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        printer->setSilent(silent);
        control<QTabWidget>("PageControl")->setCurrentIndex(0);
        loadTable(table);
        QCOMPARE(messages->count(), 1);
        QCOMPARE(messages->shown()[0].text, text);
        QCOMPARE(messages->shown()[0].caption, caption);
        QVERIFY(control("btProceder")->isEnabled());
        QVERIFY(control("btSair")->isEnabled());
        // The table reached the printer whole, however it was cut for the line.
        QCOMPARE(printer->receivedFrames().size(), 1);
        QCOMPARE(printer->receivedFrames()[0], table);
    }

    void missingTableFile() {
        control<QLineEdit>("edArqCheques")->setText(dir->filePath(QStringLiteral("none.QBK")));
        click("btProceder");
        QCOMPARE(messages->texts(), QStringList{QStringLiteral("Arquivo de Cheques Inexistente")});
        QVERIFY(printer->receivedFrames().isEmpty());
    }

    void cancelledDialogEmptiesThePath() {
        control<QLineEdit>("edArqCheques")->setText(QStringLiteral("x"));
        click("btOpenArqCheques"); // the script is empty: the user cancels
        QCOMPARE(control<QLineEdit>("edArqCheques")->text(), QString());
    }

    void noPrinter() {
        toolState().PrinterPresent = false;
        click("btImprimir");
        QCOMPARE(messages->texts(), QStringList{QStringLiteral("Não existe impressora!")});
        QVERIFY(printer->receivedFrames().isEmpty());
    }

    void frontAndBack() {
        fillCheck(true, QStringLiteral("PAGAR ATÉ 10/05\nOBRIGADO"));
        click("btImprimir");
        QCOMPARE(control("btSair")->text(), QStringLiteral("Cancelar"));
        QVERIFY(!control("btImprimir")->isEnabled());
        QTRY_COMPARE(progress(), QStringLiteral("Posicione Cheque"));
        printer->insertCheck();
        QTRY_COMPARE(printed().size(), 1);
        printer->removeCheck();
        QTRY_COMPARE(progress(), QStringLiteral("Posicione Cheque (Verso)"));
        printer->insertCheck();
        QTRY_COMPARE(printed().size(), 2);
        printer->removeCheck();
        QTRY_VERIFY(idle());

        const QList<emu::PrintedCheck> printed = this->printed();
        QCOMPARE(printed[0].back, false);
        QCOMPARE(printed[0].vertical, false);
        QCOMPARE(printed[0].bank, 341);
        QCOMPARE(printed[0].amount, QByteArray("000000012345"));
        QCOMPARE(printed[0].city, QByteArray("S\xC6o Paulo"));
        QCOMPARE(printed[0].payee, QByteArray("Jos\x82 da Concei\x87\xC6o"));
        QCOMPARE(printed[0].date, Clock::now().toString(QStringLiteral("ddMMyyyy")).toLatin1());
        QCOMPARE(printed[1].back, true);
        QCOMPARE(printed[1].text, QByteArray("PAGAR AT\xC9 10/05\r\nOBRIGADO"));
        QCOMPARE(framesStartingWith(Can), 0);
        QVERIFY(window->isVisible());
    }

    void emptyBackTextPrintsOnlyTheFront() {
        fillCheck(true, QString());
        QVERIFY(control<QRadioButton>("rbVertical")->isEnabled());
        control<QRadioButton>("rbVertical")->setChecked(true);
        click("btImprimir");
        QTRY_COMPARE(progress(), QStringLiteral("Posicione Cheque"));
        printer->insertCheck();
        QTRY_COMPARE(printed().size(), 1);
        printer->removeCheck();
        QTRY_VERIFY(idle());
        QCOMPARE(framesStartingWith("\x1BV"), 1);
        QCOMPARE(framesStartingWith("\x1Bt"), 0);
    }

    void cancelledBeforeInsertion() {
        fillCheck(false);
        click("btImprimir");
        QTRY_COMPARE(progress(), QStringLiteral("Posicione Cheque"));
        click("btSair"); // "Cancelar"
        QTRY_VERIFY(idle());
        QVERIFY(window->isVisible()); // cancelling does not close the window
        QCOMPARE(framesStartingWith("\x1Bv"), 0);
        QCOMPARE(framesStartingWith(Can), 0);
        click("btSair");
        QVERIFY(!window->isVisible());
    }

    void notRemovedWithinEightSeconds() {
        fillCheck(true, QStringLiteral("VERSO"));
        click("btImprimir");
        QTRY_COMPARE(progress(), QStringLiteral("Posicione Cheque"));
        printer->insertCheck(); // and never taken out
        QTRY_COMPARE(progress(), QStringLiteral("Cancelando..."));
        QTRY_VERIFY(idle());
        QCOMPARE(framesStartingWith(Can), 1);
        QCOMPARE(framesStartingWith("\x1Bt"), 0);
        QCOMPARE(printed().size(), 1);
    }

    // A poll without an answer holds the link's '9' fill, whose bits look like a check in
    // place and one still held: it must count as neither.
    void silentPollNeitherInsertsNorReleases() {
        Clock::setScale(0.05);
        fillCheck(false);
        printer->setSilent(true);
        click("btImprimir");
        QTRY_COMPARE(progress(), QStringLiteral("Posicione Cheque"));
        QTest::qWait(600); // several unanswered polls
        QCOMPARE(progress(), QStringLiteral("Posicione Cheque"));
        QCOMPARE(framesStartingWith("\x1Bv"), 0);

        printer->setSilent(false);
        printer->insertCheck();
        QTRY_COMPARE(printed().size(), 1);
        printer->setSilent(true); // before "Retire o Cheque"
        QTRY_COMPARE(progress(), QStringLiteral("Retire o Cheque"));
        QTest::qWait(800); // well past the 8 seconds (400 ms here)
        QCOMPARE(progress(), QStringLiteral("Retire o Cheque"));
        QCOMPARE(framesStartingWith(Can), 0);

        printer->removeCheck();
        printer->setSilent(false);
        QTRY_VERIFY(idle());
        QCOMPARE(framesStartingWith(Can), 0);
    }

    void cancelWhilePrinterSilentAtTheSlot() {
        fillCheck(false);
        printer->setSilent(true);
        click("btImprimir");
        QTRY_COMPARE(progress(), QStringLiteral("Posicione Cheque"));
        click("btSair");
        QTRY_VERIFY(idle());
    }

    void screenshot() {
        fillCheck(true, QStringLiteral("TEXTO LIVRE 120 CARACTERES"));
        control<QLabel>("lbMSG")->setText(QStringLiteral("Posicione Cheque"));
        control<QLabel>("lbMSG")->show();
        QVERIFY(saveScreenshot(window->grab(), QStringLiteral("checks.png")));
        control<QLabel>("lbMSG")->hide();
    }
};

QTEST_MAIN(TestChequesWindow)
#include "test_cheques_window.moc"
