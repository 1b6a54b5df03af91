#include "fiscal/fiscal.h"

#include "core/clock.h"
#include "core/file_dialogs.h"
#include "core/global.h"
#include "core/messages.h"
#include "core/printer_present.h"
#include "core/working_folder.h"
#include "fiscal/macro_file.h"
#include "fiscal/macro_recorder.h"
#include "fiscal/thread_macro_play.h"
#include "link/serial_new.h"
#include "protocol/command_set.h"
#include "ui_fiscal.h"

#include <QDir>
#include <QFile>

namespace {

const QString MacroFilter = QStringLiteral("Arquivo de comandos (*.b2k)");
const QString MacroSuffix = QStringLiteral("b2k");

// The lamp's blink phase, shared by the whole process like the recording state it shows.
bool ledPhase = false;

const QColor LedRecording(255, 0, 0);
const QColor LedPaused(242, 176, 77);
const QColor LedPlaying(0, 128, 0);

void showError(const QString &text) {
    showMessage(text, QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
}

// The file dialog of the command macro files: the working folder's b2k folder.
FileDialogRequest macroFileRequest(const QString &title) {
    FileDialogRequest request;
    request.title = title;
    request.folder = WorkingFolder::subfolder(QStringLiteral("b2k"));
    request.filter = MacroFilter;
    request.defaultSuffix = MacroSuffix;
    return request;
}

} // namespace

TfmFiscal::TfmFiscal(QWidget *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(-25, -35)), ui(std::make_unique<Ui::TfmFiscal>()),
      recorder(std::make_shared<MacroRecorder>()), ledTimer(new QTimer(this)) {
    ui->setupUi(this);
    setFixedSize(size());
    ledTimer->setObjectName(QStringLiteral("TimerLEDREC"));
    ledTimer->setInterval(250);
    connect(ledTimer, &QTimer::timeout, this, &TfmFiscal::ledTick);

    for (const char *name : {"btVendeItem", "btCancelamento", "btTotalizacao", "btPagamento",
                             "btFechamento", "btCNF", "btCCD", "btRG", "btAutenticacao"}) {
        auto *button = findChild<QPushButton *>(QLatin1String(name));
        const QString key = QLatin1String(name);
        connect(button, &QPushButton::clicked, this, [this, key] { openDocumentWindow(key); });
    }
    connect(ui->btAbreCF, &QPushButton::clicked, this, &TfmFiscal::openCoupon);
    connect(ui->btLX, &QPushButton::clicked, this, &TfmFiscal::readingX);
    connect(ui->btMacroRec, &QPushButton::clicked, this, &TfmFiscal::macroRec);
    connect(ui->btMacroPause, &QPushButton::clicked, this, &TfmFiscal::macroPause);
    connect(ui->btMacroStop, &QPushButton::clicked, this, &TfmFiscal::macroStop);
    connect(ui->btMacroPlay, &QPushButton::clicked, this, &TfmFiscal::macroPlay);
    connect(ui->edLoop, &QLineEdit::textChanged, this, &TfmFiscal::loopChanged);
    connect(ui->btSair, &QPushButton::clicked, this, &TfmFiscal::sair);
    setMacroButtons(true);
}

TfmFiscal::~TfmFiscal() {
    printerLink().setMacroSink({});
    if (player) {
        waitingForPlayer = true;
        player->terminateAndWait();
        delete player;
        player = nullptr;
    }
    ToolState &state = toolState();
    if (recorder->isOpen())
        recorder->finish(state.RecordingState == RecordingOn);
    state.RecordingState = RecordingOff;
}

void TfmFiscal::setDocumentWindow(const char *buttonName, QWidget *window, bool refreshListsFirst) {
    documents.insert(QLatin1String(buttonName), DocumentWindow{window, refreshListsFirst});
}

// ---- Showing and hiding ----

void TfmFiscal::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event); // placed beside the main window, which it disables
    // The lists are read once the window is on screen; the waits serve its painting.
    QMetaObject::invokeMethod(this, &TfmFiscal::loadListsOnShow, Qt::QueuedConnection);
}

void TfmFiscal::hideEvent(QHideEvent *event) {
    macroStop();
    ToolWindow::hideEvent(event);
}

// A failure here is not reported: the document buttons read the lists again when needed.
// Without a printer nothing is tried, so no error box comes up merely for opening the window.
// The reading commands never go into a macro, even one started before the reading ran.
void TfmFiscal::loadListsOnShow() {
    ToolState &state = toolState();
    if (!isVisible() || !state.PrinterPresent)
        return;
    if (CommandSet *commands = commandSetFor(state.ModelCode)) {
        const int saved = state.RecordingState.exchange(RecordingPaused);
        LoadProgrammingLists(*commands, state.ModelCode, lists);
        state.RecordingState = saved;
    }
}

void TfmFiscal::refreshProgrammingLists() {
    ToolState &state = toolState();
    if (!state.PrinterPresent || configurationCacheValid())
        return;
    CommandSet *commands = commandSetFor(state.ModelCode);
    if (!commands)
        return;
    // The reading commands are not part of a macro being recorded.
    const int saved = state.RecordingState.exchange(RecordingPaused);
    if (!LoadProgrammingLists(*commands, state.ModelCode, lists))
        showError(QStringLiteral("Erro ao ler programação da IF!"));
    state.RecordingState = saved;
}

void TfmFiscal::openDocumentWindow(const QString &buttonName) {
    const DocumentWindow entry = documents.value(buttonName);
    if (!entry.window)
        return;
    if (entry.refreshFirst)
        refreshProgrammingLists();
    entry.window->show(); // opens even when the lists could not be read
    entry.window->raise();
}

// ---- The operations of the window itself ----

void TfmFiscal::openCoupon() {
    if (printerMissing())
        return;
    const ToolState &state = toolState();
    CommandSet *commands = commandSetFor(state.ModelCode);
    char coo[6];
    if (commands && commands->OpenCoupon(coo))
        toolState().CurrentCOO.set(QString::fromLatin1(coo, 6));
}

void TfmFiscal::readingX() {
    if (printerMissing())
        return;
    ui->btLX->setEnabled(false);
    ui->btSair->setEnabled(false);
    repaint(); // the disabled buttons show while the report prints
    if (CommandSet *commands = commandSetFor(toolState().ModelCode)) {
        commands->ReadingX();
        commands->WaitPrinterIdle();
        Clock::sleep(1000);
    }
    ui->btLX->setEnabled(true);
    ui->btSair->setEnabled(true);
}

void TfmFiscal::sair() {
    if (toolState().RecordingState == RecordingOn &&
        showMessage(QStringLiteral("A gravação será interrompida!"), QStringLiteral("Aviso"),
                    MessageButtons::OkCancel, MessageStyle::Warning) != MessageAnswer::Ok)
        return;
    hide();
}

// ---- The command macro ----

void TfmFiscal::setMacroButtons(bool atRest) {
    ui->btMacroRec->setEnabled(atRest);
    ui->btMacroPlay->setEnabled(atRest);
    ui->btAutenticacao->setEnabled(atRest);
    ui->btMacroPause->setEnabled(!atRest);
    ui->btMacroStop->setEnabled(!atRest);
}

void TfmFiscal::macroRec() {
    if (player)
        return;
    const FileDialogRequest request = macroFileRequest(QStringLiteral("Gravação de comandos"));
    const QString fileName = askSaveFileName(request);
    if (fileName.isEmpty())
        return;
    if (!recorder->start(fileName, toolState().ModelCode)) {
        showError(QStringLiteral("Não foi possível criar o arquivo de comandos\r\n%1\r\n(%2)\r\n"
                                 "A gravação não foi iniciada.")
                      .arg(QDir::toNativeSeparators(fileName), recorder->errorString()));
        return;
    }
    // The link hands over the line of every frame the printer accepts while recording, on
    // whatever thread waited for the answer. A line that cannot be written ends the recording
    // there and then; the window hears of it on its own thread.
    printerLink().setMacroSink([this, file = recorder](const QByteArray &line) {
        if (file->append(line))
            return;
        int recording = RecordingOn;
        toolState().RecordingState.compare_exchange_strong(recording, RecordingOff);
        QMetaObject::invokeMethod(this, &TfmFiscal::recordingFailed, Qt::QueuedConnection);
    });
    ledTimer->setInterval(250);
    ledTimer->start();
    toolState().RecordingState = RecordingOn;
    setMacroButtons(false);
    ui->btMacroStop->setFocus();
}

void TfmFiscal::recordingFailed() {
    if (recorder->isOpen())
        return; // a later recording is under way: this one has been dealt with
    const QString fileName = recorder->fileName();
    printerLink().setMacroSink({});
    ToolState &state = toolState();
    if (state.RecordingState != RecordingPlayback)
        state.RecordingState = RecordingOff;
    ledTimer->stop();
    ledTimer->setInterval(250);
    ui->ledREC->setColor(Qt::white);
    if (!player)
        setMacroButtons(true);
    showError(QStringLiteral("Erro ao gravar o arquivo de comandos\r\n%1\r\n(%2)\r\nA gravação "
                             "foi interrompida: os comandos seguintes não foram gravados.")
                  .arg(QDir::toNativeSeparators(fileName), recorder->errorString()));
}

void TfmFiscal::macroPause() {
    ToolState &state = toolState();
    if (state.RecordingState == RecordingOn) {
        state.RecordingState = RecordingPaused;
        ledTimer->setInterval(750);
    } else {
        state.RecordingState = RecordingOn;
        ledTimer->setInterval(250);
    }
}

void TfmFiscal::macroStop() {
    if (player)
        player->requestStop();
    ledTimer->stop();
    ui->ledREC->setColor(Qt::white);
    ledTimer->setInterval(250);

    ToolState &state = toolState();
    // While no printer answers, the identification keeps the recording state aside; a stop
    // then ends that recording too, so that it is not brought back without its file.
    bool recording = state.RecordingState == RecordingOn;
    if (state.RecordingSuspended) {
        recording = recording || state.SavedRecordingState == RecordingOn;
        state.SavedRecordingState = RecordingOff;
    }
    state.RecordingState = RecordingOff;
    printerLink().setMacroSink({});
    if (recorder->isOpen() && !recorder->finish(recording))
        showError(
            QStringLiteral("Erro ao gravar o fim do arquivo de comandos\r\n%1\r\n(%2)")
                .arg(QDir::toNativeSeparators(recorder->fileName()), recorder->errorString()));
    setMacroButtons(true);
    if (player) {
        // Neither a recording nor another playback may start before this one has ended.
        ui->btMacroRec->setEnabled(false);
        ui->btMacroPlay->setEnabled(false);
    }
}

void TfmFiscal::macroPlay() {
    if (printerMissing() || player)
        return;
    const FileDialogRequest request = macroFileRequest(QStringLiteral("Arquivo de comandos"));
    const QString fileName = askOpenFileName(request);
    if (fileName.isEmpty())
        return;
    const uint32_t model = toolState().ModelCode;
    const std::optional<QByteArray> data = MacroPlayer::load(fileName, model);
    if (!data)
        return;

    ThreadMacroPlay::View view;
    view.passesLeft = [this](int remaining) { ui->edLoop->setText(QString::number(remaining)); };
    player = new ThreadMacroPlay(model, *data, MacroFile::passes(ui->edLoop->text()), view);
    connect(player, &QThread::finished, this, &TfmFiscal::playbackEnded, Qt::QueuedConnection);
    toolState().RecordingState = RecordingPlayback;
    ledTimer->setInterval(250);
    ledTimer->start();
    ui->btMacroStop->setEnabled(true);
    ui->btMacroRec->setEnabled(false);
    ui->btMacroPlay->setEnabled(false);
    player->start();
}

void TfmFiscal::playbackEnded() {
    if (!player || waitingForPlayer)
        return;
    // `finished` comes from the thread just before it ends; its last step is a moment away.
    player->wait();
    const MacroPlayer::End end = player->outcome();
    delete player;
    player = nullptr;
    macroStop();
    MacroPlayer::tellEnd(end);
}

void TfmFiscal::ledTick() {
    ledPhase = !ledPhase;
    QColor color = Qt::white;
    if (ledPhase) {
        switch (toolState().RecordingState.load()) {
        case RecordingOn:
            color = LedRecording;
            break;
        case RecordingPaused:
            color = LedPaused;
            break;
        case RecordingPlayback:
            color = LedPlaying;
            break;
        default:
            break;
        }
    }
    ui->ledREC->setColor(color);
}

// The number of passes: 1 to 199; anything else is put right at once (0, or text that is
// not a number, becomes 1).
void TfmFiscal::loopChanged(const QString &text) {
    const QString corrected = QString::number(MacroFile::passes(text));
    if (text != corrected)
        ui->edLoop->setText(corrected);
}
