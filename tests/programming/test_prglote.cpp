// The Edit Data window against the built-in emulated printers: cell editing, reading and
// sending the tables, the options block, the payment notice, the header and the .c2k files.
// Protocol durations are shortened through the clock.
#include "app/main_window.h"
#include "core/working_folder.h"
#include "programming/c2k_file.h"
#include "programming/prglote.h"
#include "programming/table_records.h"
#include "programming/tags.h"
#include "protocol/command_set.h"
#include "send_data_fixture.h"
#include "support/recording_messages.h"
#include "support/screenshot.h"
#include "support/scripted_file_dialogs.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

constexpr uint B = 1;
constexpr uint A = 2;
const QString NoPrinter = QStringLiteral("Não existe impressora!");

using fixture::portOf;
using fixture::printer;
using fixture::readFile;
using fixture::writeFile;

int framesStartingWith(uint model, const QByteArray &start) {
    int n = 0;
    for (const QByteArray &frame : printer(model)->receivedFrames())
        n += frame.startsWith(start);
    return n;
}

// Puts a header into the printer through a technical intervention.
void programHeader(uint model, const QByteArray &tagged) {
    printer(model)->setMaintenanceJumper(true);
    ClicheRecord record{};
    QVERIFY(clicheForSending(model, "0001", tagged, record));
    QVERIFY(commandSetFor(model)->TechnicalIntervention(false, true, record));
    printer(model)->setMaintenanceJumper(false);
    invalidateConfigurationCache();
}

} // namespace

class TestPrgLote : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingMessages> messages;
    std::unique_ptr<ScriptedFileDialogs> dialogs;
    std::unique_ptr<TfmMain> main;
    std::unique_ptr<TfmPrgLote> window;

    template <class T> T *find(const char *name) {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QTableWidget *grid(const char *name) { return find<QTableWidget>(name); }
    QString cellText(const char *gridName, int row, int column) {
        const QTableWidgetItem *item = grid(gridName)->item(row, column);
        return item ? item->text() : QString();
    }
    void useModel(uint model, double firmware) {
        toolState().ModelCode = model;
        toolState().FirmwareVersionNumber = firmware;
        toolState().PrinterPresent = true;
        QCOMPARE(printerLink().OpenPort(portOf(model), 9600, false), 0);
        printer(model)->clearReceivedFrames();
    }
    void open() {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void click(const char *name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    void page(const char *name) {
        find<QTabWidget>("PageControl")->setCurrentWidget(find<QWidget>(name));
        QCoreApplication::processEvents();
    }
    void clickCell(const char *gridName, int row, int column) {
        QTableWidget *g = grid(gridName);
        const QRect rect = g->visualRect(g->model()->index(row, column));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QString optionBytes(int from, int count) {
        return QString::fromLatin1(
            reinterpret_cast<const char *>(window->optionsBlock().bytes) + from, count);
    }

private slots:
    void init() {
        resetToolState();
        Clock::setScale(0.01);
        // The emulated printers live for the whole run: each case starts from a printer whose
        // programming a clearing intervention has emptied.
        for (uint model : {A, B}) {
            auto p = printer(model);
            p->setPowered(true);
            p->setSilent(false);
            p->setStatusOverride(std::nullopt);
            p->setAnswerDelayMs(0);
            p->setPrintTimeMs(100);
            p->setMaintenanceJumper(true);
            QCOMPARE(printerLink().OpenPort(portOf(model), 9600, false), 0);
            ClicheRecord none{};
            QVERIFY(commandSetFor(model)->TechnicalIntervention(true, false, none));
            p->setMaintenanceJumper(false);
            p->clearReceivedFrames();
        }
        printerLink().ClosePort();
        invalidateConfigurationCache();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("c2k")));
        messages = std::make_unique<RecordingMessages>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        main = std::make_unique<TfmMain>(dir->path());
        window = std::make_unique<TfmPrgLote>(main.get());
        WorkingFolder::set(dir->path());
    }
    void cleanup() {
        window.reset();
        main.reset();
        printerLink().ClosePort();
        dialogs.reset();
        messages.reset();
        Clock::setScale(1.0);
    }

    // ---- Cell editing ----

    void flagColumnKeys_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        // One row per column and kind of key: the cell logic is TestProgrammingTables's.
        QTest::newRow("ISS space twice") << B << "tabAliq"
                                         << "sgAliquotas"
                                         << "  "
                                         << "    N";
        QTest::newRow("ISS other key") << B << "tabAliq"
                                       << "sgAliquotas"
                                       << "x1"
                                       << "    N";
        QTest::newRow("linked v") << A << "tabFP"
                                  << "sgFP"
                                  << "v"
                                  << "    V";
        QTest::newRow("direction s then e") << B << "tabCNFNV"
                                            << "sgCNFNV"
                                            << "se"
                                            << "   E";
    }
    void flagColumnKeys() {
        QFETCH(uint, model);
        QFETCH(QString, tab);
        QFETCH(QString, grid);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        useModel(model, model == A ? 1.20 : 1.05);
        open();
        page(qPrintable(tab));
        if (tab == QLatin1String("tabFP"))
            click("btContMsgWFP"); // the notice after the model change
        QTableWidget *g = this->grid(qPrintable(grid));
        g->setFocus();
        g->setCurrentCell(3, 1);
        QVERIFY(g->editTriggers() & QAbstractItemView::AnyKeyPressed); // editing in place
        g->setCurrentCell(3, 2);
        QCOMPARE(g->editTriggers(), QAbstractItemView::NoEditTriggers); // keys only
        for (QChar key : keys)
            QTest::keyClick(g, key.toLatin1());
        QCOMPARE(g->item(3, 2)->text(), expected);
        QCOMPARE(g->currentRow(), 3); // letters do not search the grid
        QVERIFY(!g->isPersistentEditorOpen(g->currentIndex()));
    }

    // The rate column edits through its mask; a cell left without digits stays unused.
    void rateCellMask_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole rate") << "1250"
                                    << "12,50%";
        QTest::newRow("half typed") << "1"
                                    << "1 ,  %";
        QTest::newRow("letters refused") << "ab"
                                         << "//,//%";
    }
    void rateCellMask() {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        useModel(B, 1.05);
        open();
        QTableWidget *g = grid("sgAliquotas");
        g->setFocus();
        g->setCurrentCell(2, 1);
        QTest::keyClick(g, typed.at(0).toLatin1()); // opens the editor with the first key
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClicks(editor, typed.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(g->item(2, 1)->text(), expected); // committed once the editor closes
    }

    void cashRowClickMovesToRowTwo() {
        useModel(B, 1.05);
        toolState().TablesStale = false;
        open();
        click("btLimparTodos");
        page("tabFP");
        clickCell("sgFP", 1, 1);
        QCOMPARE(grid("sgFP")->currentRow(), 2);
        clickCell("sgFP", 4, 1); // any other row stays
        QCOMPARE(grid("sgFP")->currentRow(), 4);
    }

    // ---- Payment methods ----

    void paymentMethodSent_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("box");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("linkedTotalizers");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("linkedCell");
        QByteArray b55("\x1B\xDE"
                       "55Cartao");
        b55 += QByteArray(15, ' ');
        QByteArray b05("\x1B\xDE"
                       "05Cartao");
        b05 += QByteArray(15, ' ');
        QTest::newRow("B 55 linked") << B << "55" << false << b55 << 0 << " FP55" << QString();
        QTest::newRow("B 05 plain") << B << "05" << true << b05 << 0 << " FP05" << QString();
        QTest::newRow("A linked") << A << "03" << true
                                  << QByteArray("\x1B\xDA"
                                                "PGVC")
                                  << 1 << " FP03"
                                  << "    V";
        QTest::newRow("A plain") << A << "03" << false
                                 << QByteArray("\x1B\xDA"
                                               "PGXC")
                                 << 0 << " FP03"
                                 << "    N";
    }
    void paymentMethodSent() {
        QFETCH(uint, model);
        QFETCH(QString, number);
        QFETCH(bool, box);
        QFETCH(QByteArray, frame);
        QFETCH(int, linkedTotalizers);
        QFETCH(QString, shown);
        QFETCH(QString, linkedCell);
        useModel(model, model == A ? 1.20 : 1.05);
        toolState().TablesStale = false;
        open();
        page("tabFP");
        find<QLineEdit>("meNumFP")->setText(number);
        find<QLineEdit>("meDescFP")->setText(QStringLiteral("Cartao"));
        find<QCheckBox>("cbFPVinc")->setChecked(box);
        click("btEnviarFPImpr");
        QCOMPARE(messages->texts(), QStringList());
        QCOMPARE(framesStartingWith(model, frame), 1);
        QCOMPARE(framesStartingWith(model, QByteArray("\x1B\xE2"
                                                      "V")),
                 linkedTotalizers);
        // Read back: cash, then the new method.
        QCOMPARE(cellText("sgFP", 1, 0), QStringLiteral(" FP01"));
        QCOMPARE(cellText("sgFP", 2, 0), shown);
        QCOMPARE(cellText("sgFP", 2, 1).trimmed(), QStringLiteral("Cartao"));
        if (!linkedCell.isEmpty())
            QCOMPARE(cellText("sgFP", 2, 2), linkedCell);
        QVERIFY(find<QLineEdit>("meDescFP")->text().isEmpty());
        QVERIFY(find<QPushButton>("btLerFPImpr")->isEnabled());
    }

    // One entry at a time, read back at once; the entry field is emptied after the send.
    void singleEntrySent_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("frame"); // empty: nothing is programmed
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("cell1");
        QTest::addColumn<QString>("cell2");
        QTest::newRow("ISS rate") << "rate" << QByteArray("\x1B\xDCS1800") << "sgAliquotas"
                                  << "18,00%"
                                  << "    S";
        QTest::newRow("unused rate skipped") << "unused rate" << QByteArray() << "sgAliquotas"
                                             << "//,//%"
                                             << "    N";
        QTest::newRow("report name") << "report"
                                     << QByteArray("\x1B\xE0"
                                                   "Conferencia          ")
                                     << "sgRG"
                                     << "Conferencia          " << QString();
        QTest::newRow("outflow totalizer")
            << "totalizer" << QByteArray("\x1B\xDF-Sangria              ") << "sgCNFNV"
            << "Sangria              "
            << "   S";
    }
    void singleEntrySent() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, frame);
        QFETCH(QString, grid);
        QFETCH(QString, cell1);
        QFETCH(QString, cell2);
        useModel(B, 1.05);
        open();
        const char *button = nullptr;
        QLineEdit *field = nullptr;
        if (kind.endsWith(QLatin1String("rate"))) {
            field = find<QLineEdit>("meAliq");
            field->setText(kind == QLatin1String("rate") ? QStringLiteral("1800")
                                                         : QStringLiteral("////"));
            find<QCheckBox>("cbVincISS")->setChecked(true);
            button = "btEviarAliqImpr";
        } else if (kind == QLatin1String("report")) {
            page("tabRG");
            field = find<QLineEdit>("meDescRG");
            field->setText(QStringLiteral("Conferencia"));
            button = "btEnviarRGImpr";
        } else {
            page("tabCNFNV");
            field = find<QLineEdit>("meDescCNFNV");
            field->setText(QStringLiteral("Sangria"));
            find<QRadioButton>("rbSaida")->setChecked(true);
            button = "btEnviarCNFNVImpr";
        }
        click(button);
        QCOMPARE(messages->texts(), QStringList());
        if (frame.isEmpty())
            QCOMPARE(framesStartingWith(B, QByteArray("\x1B\xDC")), 0);
        else
            QCOMPARE(printer(B)->receivedFrames().value(0), frame);
        // The send (none for an unused rate) and the read.
        QCOMPARE(printer(B)->receivedFrames().size(), frame.isEmpty() ? 1 : 2);
        QCOMPARE(cellText(qPrintable(grid), 1, 1), cell1);
        if (!cell2.isEmpty())
            QCOMPARE(cellText(qPrintable(grid), 1, 2), cell2);
        QCOMPARE(field->text(),
                 kind.endsWith(QLatin1String("rate")) ? QStringLiteral("//,//%") : QString());
    }

    void paymentNotice_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("row5");
        QTest::newRow("MV4700") << B << "MV4700" << 2 << 33 << QString();
        QTest::newRow("MV210") << A << "MV210" << 3 << 17 << " FP05";
    }
    void paymentNotice() {
        QFETCH(uint, model);
        QFETCH(QString, name);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QString, row5);
        useModel(model, 1.22);
        toolState().TablesStale = true; // the identification saw a model change
        open();
        page("tabFP");
        QVERIFY(find<QFrame>("PanelFPMsg")->isVisible());
        QVERIFY(!find<QFrame>("PanelFP")->isVisible());
        QCOMPARE(find<QLabel>("lbMsgFP")->text(), name);
        QVERIFY(find<QLabel>("lbMsgWarningFP")
                    ->text()
                    .contains(model == B ? QStringLiteral("51 a 66")
                                         : QStringLiteral("Limpar Programações")));
        QVERIFY(!toolState().TablesStale);
        QTableWidget *g = grid("sgFP");
        QCOMPARE(g->columnCount(), columns);
        QCOMPARE(g->rowCount(), rows);
        QCOMPARE(cellText("sgFP", 1, 0), QStringLiteral(" FP01"));
        QCOMPARE(cellText("sgFP", 1, 1), QStringLiteral("Dinheiro"));
        QCOMPARE(cellText("sgFP", 5, 0), row5);

        click("btContMsgWFP");
        QVERIFY(find<QFrame>("PanelFP")->isVisible());
        QVERIFY(!find<QFrame>("PanelFPMsg")->isVisible());
        QCOMPARE(g->currentRow(), 1);
        QCOMPARE(g->currentColumn(), 0);
        QVERIFY(g->hasFocus());

        page("tabAliq");
        page("tabFP"); // once only
        QVERIFY(find<QFrame>("PanelFP")->isVisible());
        QVERIFY(!find<QFrame>("PanelFPMsg")->isVisible());
    }

    // ---- Reading ----

    void readAllOnModelA() {
        useModel(A, 1.20);
        toolState().TablesStale = false;
        open();
        grid("sgRG")->item(3, 1)->setText(QStringLiteral("Left over"));
        grid("sgAliquotas")->item(1, 1)->setText(QStringLiteral("99,99%"));
        find<QLineEdit>("edOperador")->setText(QStringLiteral("someone"));
        click("btLerTodos");
        QCOMPARE(messages->texts(), QStringList());
        for (int row = 1; row <= 16; ++row)
            QVERIFY(cellText("sgRG", row, 1).isEmpty());
        QCOMPARE(cellText("sgAliquotas", 1, 1), QStringLiteral("//,//%"));
        QCOMPARE(cellText("sgFP", 1, 0), QStringLiteral(" FP01"));
        QCOMPARE(cellText("sgFP", 1, 1).trimmed(), QStringLiteral("Dinheiro"));
        QVERIFY(cellText("sgFP", 2, 1).isEmpty());                // "Pagamento Tipo B" is not shown
        QVERIFY(find<QLineEdit>("edOperador")->text().isEmpty()); // read back: no operator
        QVERIFY(framesStartingWith(A, QByteArray("\x1B\xE7")) >= 1);
        QVERIFY(framesStartingWith(A, QByteArray("\x1B\xE5")) >= 1);
        QVERIFY(framesStartingWith(A, QByteArray("\x1B\xE8")) >= 1);
        for (const char *name : {"btLerTodos", "btLerAliqImpr", "btLerFPImpr", "btLerConf2Impr"})
            QVERIFY(find<QPushButton>(name)->isEnabled());
    }

    // A header longer than the read buffer is announced before it is cut.
    void longHeaderReadIsAnnounced() {
        useModel(B, 1.05);
        programHeader(B, QByteArray(300, 'H'));
        open();
        page("tabCliche");
        click("btLerClicheImpr");
        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->texts().value(0).contains(QLatin1String("300")));
        QCOMPARE(find<QPlainTextEdit>("MemoCliche")->toPlainText(), QString(250, u'H'));
    }

    // ---- Options block ----

    void optionsFollowTheControlsWhenThePageIsLeft() {
        useModel(B, 1.05);
        open();
        QCOMPARE(optionBytes(0, 13), QString(13, QChar(0)));
        page("tabESC228");
        QTest::mouseClick(find<QCheckBox>("cbLXAut"), Qt::LeftButton);
        QVERIFY(find<QCheckBox>("cbLXAut")->isChecked());
        QCOMPARE(optionBytes(0, 1), QString(QChar(0))); // still on the page
        page("tabAliq");
        // Byte 1 is the automatic Redução Z, which model B does not offer: a zero byte.
        QCOMPARE(optionBytes(0, 3), QStringLiteral("1") + QChar(0) + u'X');
        QCOMPARE(optionBytes(7, 6), QStringLiteral("310600"));

        page("tabESC228");
        click("btPadraoESC228");
        QVERIFY(!find<QCheckBox>("cbLXAut")->isChecked());
        QVERIFY(find<QCheckBox>("cbLegCF")->isChecked());
        QCOMPARE(optionBytes(0, 1), QStringLiteral("1")); // "Padrão" alone changes no byte
        page("TabSheet1");
        QCOMPARE(optionBytes(0, 1), QStringLiteral("0"));
        QCOMPARE(optionBytes(5, 1), QStringLiteral("1"));
    }

    // ---- Header ----

    void headerSend_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<bool>("jumper");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QByteArray>("printed");
        QTest::addColumn<QString>("message");
        const QByteArray before = "KEEP\r\n";
        QTest::newRow("B in maintenance") << B << true << "<N>Loja</N>\nRua 1"
                                          << QByteArray("\x1B"
                                                        "E1Loja\x1B"
                                                        "E0\r\nRua 1")
                                          << QString();
        QTest::newRow("A in maintenance") << A << true << "<N>Loja</N>"
                                          << QByteArray("\x1B"
                                                        "ELoja\x1B"
                                                        "F")
                                          << QString();
        QTest::newRow("B without the jumper")
            << B << false << "<N>Loja</N>" << before << "Coloque a impressora em Modo Manutenção!";
        QTest::newRow("B empty memo") << B << true << "" << before << "Clichê inválido!";
    }
    void headerSend() {
        QFETCH(uint, model);
        QFETCH(bool, jumper);
        QFETCH(QString, memo);
        QFETCH(QByteArray, printed);
        QFETCH(QString, message);
        useModel(model, model == A ? 1.20 : 1.05);
        programHeader(model, "KEEP\r\n");
        open();
        page("tabCliche");
        find<QPlainTextEdit>("MemoCliche")->setPlainText(memo);
        printer(model)->setMaintenanceJumper(jumper);
        printer(model)->clearReceivedFrames();
        click("btEnviarClicheImpr");
        QCOMPARE(printer(model)->headerText(), printed);
        QCOMPARE(messages->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(find<QPushButton>("btEnviarClicheImpr")->isEnabled());
        QCOMPARE(framesStartingWith(model, QByteArray("\x1B\xE8")), 1); // the ECF number first
        QCOMPARE(framesStartingWith(model, QByteArray("\x1B\xC0")), message.isEmpty() ? 1 : 0);
    }

    void tagButtonsOpenAndClose() {
        useModel(B, 1.05);
        open();
        page("tabCliche");
        auto *memo = find<QPlainTextEdit>("MemoCliche");
        click("btTagN");
        QVERIFY(find<QPushButton>("btTagN")->isChecked());
        QTest::keyClicks(memo, QStringLiteral("Loja"));
        click("btTagN");
        QVERIFY(!find<QPushButton>("btTagN")->isChecked());
        click("btTagW1");
        click("btTagW1");
        QCOMPARE(memo->toPlainText(), QStringLiteral("<N>Loja</N><W1><W1>"));
        QVERIFY(!find<QPushButton>("btTagW1")->isCheckable());
        QVERIFY(find<QPushButton>("btTagI")->isHidden());
    }

    // The memo holds no more than the printer takes; text that does not fit is refused with
    // a message, never dropped unseen.
    void headerMemoIsBounded() {
        useModel(B, 1.05);
        open();
        page("tabCliche");
        auto *memo = find<QPlainTextEdit>("MemoCliche");
        memo->setPlainText(QString(498, u'a'));
        memo->moveCursor(QTextCursor::End);
        QTest::keyClick(memo, 'b');
        QCOMPARE(memo->toPlainText().size(), 499);
        QTest::keyClick(memo, 'c'); // one more does not fit
        QCOMPARE(memo->toPlainText(), QString(498, u'a') + u'b');
        QCOMPARE(messages->count(), 0);
        memo->moveCursor(QTextCursor::Start);
        memo->insertPlainText(QStringLiteral("\nxyz"));
        QCOMPARE(memo->toPlainText(), QString(498, u'a') + u'b');
        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->texts().value(0).contains(QLatin1String("499")));
    }

    // ---- Files ----

    void saveAfterClearAll_data() {
        QTest::addColumn<uint>("model");
        QTest::addColumn<QByteArray>("modelField");
        QTest::addColumn<QByteArray>("slotAfterCash");
        // Model A rows keep their numbers when cleared: slots 2-16 hold a numbered method
        // without a description.
        QTest::newRow("MV4700") << B << QByteArray("\x01\0\0\0MV4700              :", 25)
                                << QByteArray(22, ' ');
        QTest::newRow("MV210") << A << QByteArray("\x02\0\0\0MV210               :", 25)
                               << QByteArray("N").leftJustified(22, ' ');
    }
    void saveAfterClearAll() {
        QFETCH(uint, model);
        QFETCH(QByteArray, modelField);
        QFETCH(QByteArray, slotAfterCash);
        useModel(model, 1.20);
        open();
        find<QLineEdit>("edOperador")->setText(QStringLiteral("Ana"));
        find<QCheckBox>("cbHorarioVerao")->setChecked(true);
        grid("sgCNFNV")->item(2, 1)->setText(QStringLiteral("Sangria"));
        click("btLimparTodos");
        QCOMPARE(find<QLineEdit>("edOperador")->text(), QStringLiteral("Ana"));
        QVERIFY(find<QCheckBox>("cbHorarioVerao")->isChecked());

        const QString path = dir->filePath(QStringLiteral("c2k/cleared.c2k"));
        dialogs->answer(path);
        click("btSalvar");
        QCOMPARE(messages->texts(), QStringList());
        QCOMPARE(dialogs->requests.size(), 1);
        const FileDialogRequest request = dialogs->requests.constFirst();
        QCOMPARE(request.title, QStringLiteral("Configurações"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("c2k"));
        QCOMPARE(request.filter, QStringLiteral("Arquivo de configuração (*.c2k)"));
        QCOMPARE(QDir(request.folder), QDir(dir->filePath(QStringLiteral("c2k"))));

        // The layout is TestC2kFile's: here the cleared tables of the window reach the file.
        const QByteArray data = readFile(path);
        QCOMPARE(data.size(), 1672);
        QCOMPARE(data.mid(5, 25), modelField);
        QCOMPARE(data.mid(30, 96), QByteArray("N////;").repeated(16));
        QCOMPARE(data.mid(127, 23), QByteArray("NDinheiro") + QByteArray(13, ' ') + ';');
        QCOMPARE(data.mid(150, 23), slotAfterCash + ';');
        QCOMPARE(data.mid(1217 + 2 * 23, 23), QByteArray("E") + QByteArray(21, ' ') + ';');
    }

    void importRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("other model") << "other model" << C2kText::WrongModel;
        QTest::newRow("truncated") << "truncated" << C2kText::Malformed;
    }
    void importRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        useModel(B, 1.05);
        open();
        ProgrammingTables sample;
        clearAll(sample, kind == QLatin1String("other model") ? A : B, 1.05);
        sample.taxRates[0].rate = QStringLiteral("17,00%");
        sample.header = "<W>Loja</W>";
        QByteArray data = writeC2k(kind == QLatin1String("other model") ? A : B, sample);
        if (kind == QLatin1String("truncated"))
            data.chop(3); // the header's length runs past the end
        const QString path = dir->filePath(QStringLiteral("c2k/refused.c2k"));
        writeFile(path, data);

        grid("sgAliquotas")->item(1, 1)->setText(QStringLiteral("12,00%"));
        find<QPlainTextEdit>("MemoCliche")->setPlainText(QStringLiteral("mine"));
        dialogs->answer(path);
        click("btImportar");
        QCOMPARE(messages->texts(), QStringList{message});
        QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Erro"));
        QCOMPARE(cellText("sgAliquotas", 1, 1), QStringLiteral("12,00%"));
        QCOMPARE(find<QPlainTextEdit>("MemoCliche")->toPlainText(), QStringLiteral("mine"));
        QCOMPARE(cellText("sgFP", 1, 0), QString()); // nothing was filled in
    }

    void importLoadsTheFile() {
        useModel(B, 1.05);
        open();
        ProgrammingTables sample;
        clearAll(sample, B, 1.05);
        sample.taxRates[2] = {taxCodeText(3), QStringLiteral("05,00%"), QStringLiteral("    S")};
        sample.payments[1] = {QStringLiteral(" FP52"), QStringLiteral("Cheque pre"), QString()};
        sample.payments[2] = {QStringLiteral(" FP03"), QStringLiteral("Vale"), QString()};
        sample.totalizers[1].direction = QStringLiteral("   S");
        sample.totalizers[1].name = QStringLiteral("Sangria");
        sample.options.bytes[0] = '1';
        sample.options.bytes[7] = '2';
        sample.options.bytes[8] = '5';
        // A header longer than the printer takes: the file holds 600 characters.
        QByteArray data = writeC2k(B, sample);
        QVERIFY(!data.isEmpty());
        const QByteArray header(600, 'z');
        const uint32_t length = uint32_t(header.size());
        data.replace(1668, 4, QByteArray(reinterpret_cast<const char *>(&length), 4));
        data += header;
        const QString path = dir->filePath(QStringLiteral("c2k/full.c2k"));
        writeFile(path, data);
        dialogs->answer(path);
        click("btImportar");

        QCOMPARE(messages->count(), 1);
        QVERIFY(messages->texts().value(0).contains(QLatin1String("499")));
        QCOMPARE(find<QPlainTextEdit>("MemoCliche")->toPlainText(), QString(499, u'z'));
        QCOMPARE(cellText("sgAliquotas", 3, 1), QStringLiteral("05,00%"));
        QCOMPARE(cellText("sgAliquotas", 3, 2), QStringLiteral("    S"));
        // Packed in slot order: 03 before 52.
        QCOMPARE(cellText("sgFP", 2, 0), QStringLiteral(" FP03"));
        QCOMPARE(cellText("sgFP", 3, 0), QStringLiteral(" FP52"));
        QCOMPARE(cellText("sgCNFNV", 2, 2), QStringLiteral("   S"));
        QVERIFY(find<QCheckBox>("cbLXAut")->isChecked());
        QCOMPARE(find<QLineEdit>("meAlturaLinha")->text(), QStringLiteral("25"));
        QCOMPARE(optionBytes(0, 1), QStringLiteral("1"));
    }

    // An old file is converted on request and saved again at once.
    void oldFileConversion_data() {
        QTest::addColumn<bool>("convert");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void oldFileConversion() {
        QFETCH(bool, convert);
        useModel(B, 1.05);
        open();
        ProgrammingTables sample;
        clearAll(sample, B, 1.05);
        sample.taxRates[0].rate = QStringLiteral("18,00%");
        QByteArray data = writeC2k(B, sample).left(1667);
        data.replace(0, 5, "00.50");
        data += QByteArray(8, ' ') + QByteArray("{\\rtf1 \\b Loja\\b0\\par}");
        data += '\0';
        const QString oldPath = dir->filePath(QStringLiteral("c2k/old.c2k"));
        const QString newPath = dir->filePath(QStringLiteral("c2k/new.c2k"));
        writeFile(oldPath, data);
        dialogs->answer(oldPath);
        dialogs->answer(newPath);
        messages->scriptAnswer(convert ? MessageAnswer::Yes : MessageAnswer::No);
        click("btImportar");
        QCOMPARE(messages->texts(), QStringList{C2kText::ConvertQuestion});
        QCOMPARE(messages->shown().value(0).buttons, MessageButtons::YesNo);
        QCOMPARE(cellText("sgAliquotas", 1, 1),
                 convert ? QStringLiteral("18,00%") : QStringLiteral("//,//%"));
        QCOMPARE(dialogs->requests.size(), convert ? 2 : 1);
        const QByteArray saved = readFile(newPath);
        if (convert) {
            QCOMPARE(find<QPlainTextEdit>("MemoCliche")->toPlainText(),
                     QStringLiteral("<N>Loja</N>\n"));
            QCOMPARE(saved.left(5), QByteArray("02.00"));
            QVERIFY(saved.endsWith("<N>Loja</N>\r\n"));
        } else {
            QVERIFY(saved.isEmpty());
        }
    }

    // ---- Without a printer ----

    void noPrinter_data() {
        QTest::addColumn<QString>("button");
        for (const char *name :
             {"btLerAliqImpr", "btEviarAliqImpr", "btLerFPImpr", "btEnviarFPImpr", "btLerRGImpr",
              "btEnviarRGImpr", "btLerCNFNVImpr", "btEnviarCNFNVImpr", "btLerClicheImpr",
              "btEnviarClicheImpr", "btLX", "btEnviaESC228Impr", "btLerESC228Impr",
              "btLerConf2Impr", "btLerTodos"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void noPrinter() {
        QFETCH(QString, button);
        useModel(B, 1.05);
        toolState().PrinterPresent = false;
        open();
        find<QLineEdit>("meDescRG")->setText(QStringLiteral("Conta"));
        find<QLineEdit>("meDescCNFNV")->setText(QStringLiteral("Conta"));
        find<QPlainTextEdit>("MemoCliche")->setPlainText(QStringLiteral("Loja"));
        find<QPushButton>(qPrintable(button))->click();
        QCOMPARE(messages->texts(), QStringList{NoPrinter});
        QCOMPARE(messages->shown().value(0).caption, QStringLiteral("Erro"));
        QVERIFY(printer(B)->receivedFrames().isEmpty());
        QVERIFY(find<QPushButton>(qPrintable(button))->isEnabled());
    }

    // The two actions of "Configurações 2" go without the presence test.
    void configuration2WithoutPresenceTest() {
        useModel(B, 1.05);
        toolState().PrinterPresent = false;
        open();
        page("TabSheet1");
        find<QLineEdit>("edOperador")->setText(QStringLiteral("Maria"));
        find<QLineEdit>("edLoja")->setText(QStringLiteral("0042"));
        click("btEnviarOperador");
        find<QCheckBox>("cbHorarioVerao")->setChecked(true);
        click("btEnviarHorarioVerao");
        QCOMPARE(messages->texts(), QStringList());
        QCOMPARE(printer(B)->operatorText(), QByteArray("Lj:0042  Opr:Maria        "));
        QVERIFY(printer(B)->daylightSaving());
        // Read back after the daylight-saving change: the operator comes from the printer.
        QVERIFY(find<QCheckBox>("cbHorarioVerao")->isChecked());
        QCOMPARE(find<QLineEdit>("edOperador")->text(), QStringLiteral("Maria"));
        QCOMPARE(find<QLineEdit>("edLoja")->text(), QStringLiteral("0042"));
    }

    // ---- Model-dependent set-up ----

    // Placed beside the main window, which it disables while shown; "Sair" hides it.
    void showAndExit() {
        useModel(A, 1.20);
        open();
        QCOMPARE(grid("sgFP")->rowCount(), 17); // the model's set-up on show
        QCOMPARE(window->pos(), main->pos() + QPoint(10, -70));
        QVERIFY(!main->isEnabled());
        click("btSair");
        QVERIFY(!window->isVisible());
        QVERIFY(main->isEnabled());
    }

    // The seven pages as pictures, for a look at the layout (written when PRGLOTE_SHOTS names
    // a folder), filled from a printer with a few entries programmed.
    void pagesRender_data() {
        QTest::addColumn<uint>("model");
        QTest::newRow("MV4700") << B;
        QTest::newRow("MV210") << A;
    }
    void pagesRender() {
        QFETCH(uint, model);
        useModel(model, model == A ? 1.20 : 1.05);
        CommandSet *set = commandSetFor(model);
        QVERIFY(set->ProgramTaxRate({0, {'1', '8', '0', '0'}}));
        QVERIFY(set->ProgramTaxRate({1, {'0', '5', '0', '0'}}));
        QVERIFY(set->ProgramPaymentMethod(paymentMethodRecord(model, 2, false, "Cheque")));
        QVERIFY(set->ProgramPaymentMethod(
            paymentMethodRecord(model, model == B ? 55 : 5, true, "Cartao Credito")));
        if (model == B)
            QVERIFY(
                set->ProgramReportName(reinterpret_cast<const uint8_t *>("Conferencia de Caixa ")));
        QVERIFY(set->ProgramNonFiscalTotalizer(totalizerRecord(true, "Suprimento")));
        QVERIFY(set->ProgramNonFiscalTotalizer(totalizerRecord(false, "Sangria")));
        programHeader(model, "<W>LOJA EXEMPLO</W>\r\nRua das Flores, 10\r\n<C>Centro</C>\r\n");
        const QString suffix = model == A ? QStringLiteral("-MV210") : QString();
        toolState().TablesStale = true;
        open();
        page("tabFP");
        QVERIFY(find<QFrame>("PanelFPMsg")->isVisible());
        QVERIFY(saveScreenshot(window->grab(),
                               QStringLiteral("edit-data-tabFP-notice%1.png").arg(suffix)));
        click("btContMsgWFP");
        page("tabAliq");
        click("btLerTodos");
        QCOMPARE(messages->texts(), QStringList());
        auto *tabs = find<QTabWidget>("PageControl");
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            const QString name = tabs->currentWidget()->objectName();
            QVERIFY(saveScreenshot(window->grab(),
                                   QStringLiteral("edit-data-%1%2.png").arg(name, suffix)));
        }
    }

    // Last: a Leitura X opens the fiscal day, after which the printer refuses a clearing
    // intervention.
    void readingXDisablesItsButtons() {
        useModel(B, 1.05);
        printer(B)->setPrintTimeMs(300);
        open();
        page("tabCliche");
        bool lxDuring = true, exitDuring = true;
        QTimer probe;
        probe.setInterval(5);
        connect(&probe, &QTimer::timeout, this, [&] {
            if (printer(B)->printing()) {
                lxDuring = find<QPushButton>("btLX")->isEnabled();
                exitDuring = find<QPushButton>("btSair")->isEnabled();
            }
        });
        probe.start();
        click("btLX");
        probe.stop();
        QVERIFY(!lxDuring);
        QVERIFY(!exitDuring);
        QVERIFY(!printer(B)->printing()); // waited until the printer was idle
        QCOMPARE(framesStartingWith(B, QByteArray("\x1B\xFA")), 1);
        QVERIFY(find<QPushButton>("btLX")->isEnabled());
        QVERIFY(find<QPushButton>("btSair")->isEnabled());
        QCOMPARE(messages->texts(), QStringList());
    }
};

QTEST_MAIN(TestPrgLote)
#include "test_prglote.moc"
