#include "app/visualizacao.h"

#include "app/main_window.h"
#include "app/traffic_text.h"
#include "link/serial_new.h"
#include "ui_visualizacao.h"

#include <QFontDatabase>
#include <QScrollBar>

TfmVisualizacao::TfmVisualizacao(TfmMain *main)
    : QWidget(nullptr, Qt::Tool), ui(std::make_unique<Ui::TfmVisualizacao>()), mainWindow(main) {
    ui->setupUi(this);
    setFixedSize(size());
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ui->memoVisualizacaoHEX->setFont(fixed);
    ui->memoVisualizacaoASCII->setFont(fixed);
    ui->memoVisualizacaoASCII->setWordWrapMode(QTextOption::WrapAnywhere);
    ui->memoVisualizacaoHEX->hide();
    connect(ui->btHEX, &QPushButton::toggled, this, [this](bool on) {
        ui->memoVisualizacaoHEX->setVisible(on);
        ui->memoVisualizacaoASCII->setVisible(!on);
    });
    connect(ui->btLimpar, &QPushButton::clicked, this, [this] {
        ui->memoVisualizacaoHEX->clear();
        ui->memoVisualizacaoASCII->clear();
    });
    printerLink().setTrafficObserver([this](TrafficDirection direction, const QByteArray &bytes) {
        if (direction == TrafficDirection::Sent)
            showSent(bytes);
        else
            showReceived(bytes);
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

void TfmVisualizacao::showEvent(QShowEvent *event) {
    ui->memoVisualizacaoHEX->clear();
    ui->memoVisualizacaoASCII->clear();
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
