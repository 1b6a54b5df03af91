#include "app/visualizacao.h"

#include "app/main_window.h"
#include "app/protocol_panel.h"
#include "app/traffic_text.h"
#include "link/serial_new.h"
#include "ui_visualizacao.h"

#include <QFontDatabase>
#include <QScrollBar>

TfmVisualizacao::TfmVisualizacao(TfmMain *main)
    : QWidget(nullptr, Qt::Tool), ui(std::make_unique<Ui::TfmVisualizacao>()), mainWindow(main) {
    ui->setupUi(this);
    setFixedSize(RawSize);
    protocol = new ProtocolPanel(this);
    protocol->hide();
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ui->memoVisualizacaoHEX->setFont(fixed);
    ui->memoVisualizacaoASCII->setFont(fixed);
    ui->memoVisualizacaoASCII->setWordWrapMode(QTextOption::WrapAnywhere);
    ui->memoVisualizacaoHEX->hide();
    for (QPushButton *view : {ui->btHEX, ui->btASCII, ui->btProtocolo})
        connect(view, &QPushButton::toggled, this, &TfmVisualizacao::updateView);
    connect(ui->btLimpar, &QPushButton::clicked, this, [this] {
        ui->memoVisualizacaoHEX->clear();
        ui->memoVisualizacaoASCII->clear();
        protocol->clear();
    });
    // The link's thread only stamps and queues; the decoding runs here, on the UI thread.
    protocolQueue.wake = [this] {
        QMetaObject::invokeMethod(
            this, [this] { protocol->add(protocolQueue.take()); }, Qt::QueuedConnection);
    };
    printerLink().setTrafficObserver([this](TrafficDirection direction, const QByteArray &bytes) {
        if (direction == TrafficDirection::Sent)
            showSent(bytes);
        else
            showReceived(bytes);
        if (collecting || protocol->recordingAlways())
            protocolQueue.push(direction, bytes);
    });
}

TfmVisualizacao::~TfmVisualizacao() {
    printerLink().setTrafficObserver({});
    if (mainWindow)
        mainWindow->stopIdentification();
    printerLink().ClosePort();
}

void TfmVisualizacao::showSent(const QByteArray &bytes) {
    if (!collecting)
        return;
    const QString hex = TrafficText::hex(bytes);
    const QString text = TrafficText::text(bytes, true);
    QMetaObject::invokeMethod(
        this, [this, hex, text] { append(hex, text); }, Qt::QueuedConnection);
}

void TfmVisualizacao::showReceived(const QByteArray &bytes) {
    if (!collecting)
        return;
    const QString hex = TrafficText::hex(bytes);
    const QString text = TrafficText::text(bytes, false);
    QMetaObject::invokeMethod(
        this, [this, hex, text] { append(hex, text); }, Qt::QueuedConnection);
}

void TfmVisualizacao::append(const QString &hex, const QString &text) {
    for (auto [memo, piece] :
         {std::pair{ui->memoVisualizacaoHEX, hex}, std::pair{ui->memoVisualizacaoASCII, text}}) {
        QScrollBar *bar = memo->verticalScrollBar();
        const bool atEnd = bar->value() == bar->maximum();
        QTextCursor cursor(memo->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(piece);
        if (atEnd)
            bar->setValue(bar->maximum());
    }
}

void TfmVisualizacao::updateView() {
    const bool decoded = ui->btProtocolo->isChecked();
    ui->memoVisualizacaoHEX->setVisible(ui->btHEX->isChecked());
    ui->memoVisualizacaoASCII->setVisible(ui->btASCII->isChecked());
    protocol->setVisible(decoded);
    const QSize size = decoded ? ProtocolSize : RawSize;
    setFixedSize(size);
    protocol->setGeometry(0, 0, size.width(), size.height() - 40);
    const int buttons = size.height() - 34;
    for (QPushButton *button : {ui->btHEX, ui->btASCII, ui->btProtocolo})
        button->move(button->x(), buttons);
    ui->btLimpar->move(size.width() - 88, buttons);
}

void TfmVisualizacao::showEvent(QShowEvent *event) {
    ui->memoVisualizacaoHEX->clear();
    ui->memoVisualizacaoASCII->clear();
    if (!protocol->recordingAlways())
        protocol->clear();
    ui->btASCII->setChecked(true);
    if (mainWindow) {
        const QRect frame = mainWindow->frameGeometry();
        mainTop = frame.top();
        const int newTop = mainTop - height() / 2;
        mainWindow->move(frame.left(), newTop);
        move(frame.left(), newTop + mainWindow->height() + 25);
    }
    collecting = true;
    QWidget::showEvent(event);
}

void TfmVisualizacao::hideEvent(QHideEvent *event) {
    collecting = false;
    if (mainWindow)
        mainWindow->move(mainWindow->frameGeometry().left(), mainTop);
    QWidget::hideEvent(event);
}
