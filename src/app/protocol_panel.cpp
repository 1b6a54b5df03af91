#include "app/protocol_panel.h"

#include "app/traffic_text.h"
#include "core/file_dialogs.h"
#include "core/messages.h"
#include "core/working_folder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

namespace {
const QString AllCommands = QStringLiteral("Todos os comandos");

ProtocolFilter currentFilter(const QComboBox *command, const QCheckBox *refused,
                             const QLineEdit *text) {
    return {command->currentIndex() > 0 ? command->currentText() : QString(), refused->isChecked(),
            text->text()};
}
} // namespace

ProtocolPanel::ProtocolPanel(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("painelProtocolo"));
    const auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    cbComando = static_cast<QComboBox *>(named(new QComboBox, "cbComando"));
    cbComando->addItem(AllCommands);
    cbRecusados = static_cast<QCheckBox *>(
        named(new QCheckBox(QStringLiteral("Só recusados")), "cbRecusados"));
    edProcurar = static_cast<QLineEdit *>(named(new QLineEdit, "edProcurar"));
    edProcurar->setPlaceholderText(QStringLiteral("Procurar..."));
    edProcurar->setClearButtonEnabled(true);
    twProtocolo = static_cast<QTableWidget *>(named(new QTableWidget(0, 6), "twProtocolo"));
    twProtocolo->setHorizontalHeaderLabels({QStringLiteral("Hora"), QStringLiteral("Intervalo"),
                                            QStringLiteral("Comando"), QStringLiteral("Campos"),
                                            QStringLiteral("Resposta"), QStringLiteral("Tempo")});
    twProtocolo->setSelectionBehavior(QAbstractItemView::SelectRows);
    twProtocolo->setSelectionMode(QAbstractItemView::SingleSelection);
    twProtocolo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    twProtocolo->verticalHeader()->hide();
    twProtocolo->setWordWrap(false);
    for (auto [column, width] : {std::pair{0, 92}, {1, 70}, {2, 150}, {3, 330}, {4, 200}, {5, 60}})
        twProtocolo->setColumnWidth(column, width);
    twProtocolo->horizontalHeader()->setStretchLastSection(true);
    memoBytes = static_cast<QPlainTextEdit *>(named(new QPlainTextEdit, "memoBytes"));
    memoBytes->setReadOnly(true);
    memoBytes->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memoBytes->setFixedHeight(80);
    auto *btSalvar =
        static_cast<QPushButton *>(named(new QPushButton(QStringLiteral("Salvar...")), "btSalvar"));
    auto *btAbrir =
        static_cast<QPushButton *>(named(new QPushButton(QStringLiteral("Abrir...")), "btAbrir"));
    cbRegistrarSempre = static_cast<QCheckBox *>(
        named(new QCheckBox(QStringLiteral("Registrar sempre")), "cbRegistrarSempre"));
    cbRegistrarSempre->setToolTip(QStringLiteral("Continua registrando com a janela fechada"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 0);
    grid->addWidget(cbComando, 0, 0);
    grid->addWidget(cbRecusados, 0, 1);
    grid->addWidget(edProcurar, 0, 2, 1, 3);
    grid->addWidget(twProtocolo, 1, 0, 1, 5);
    grid->addWidget(memoBytes, 2, 0, 1, 5);
    grid->addWidget(cbRegistrarSempre, 3, 2);
    grid->addWidget(btAbrir, 3, 3);
    grid->addWidget(btSalvar, 3, 4);
    grid->setColumnStretch(2, 1);

    connect(cbComando, &QComboBox::currentIndexChanged, this, &ProtocolPanel::refill);
    connect(cbRecusados, &QCheckBox::toggled, this, &ProtocolPanel::refill);
    connect(edProcurar, &QLineEdit::textChanged, this, &ProtocolPanel::refill);
    connect(twProtocolo, &QTableWidget::itemSelectionChanged, this, &ProtocolPanel::showBytes);
    connect(cbRegistrarSempre, &QCheckBox::toggled, this, [this](bool on) { always = on; });
    connect(btSalvar, &QPushButton::clicked, this, &ProtocolPanel::save);
    connect(btAbrir, &QPushButton::clicked, this, &ProtocolPanel::open);
}

void ProtocolPanel::add(const QList<TrafficEvent> &events) {
    QScrollBar *bar = twProtocolo->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    for (const TrafficEvent &event : events)
        showRow(protocolLog.add(event));
    updateCommands();
    if (atEnd)
        twProtocolo->scrollToBottom();
}

void ProtocolPanel::clear() {
    protocolLog.clear();
    forgetCommands();
    refill();
}

void ProtocolPanel::showRow(int logIndex) {
    // A row changes only while it is the last one: its answer arrives after it was added.
    if (!shown.isEmpty() && shown.last() == logIndex) {
        shown.removeLast();
        twProtocolo->removeRow(int(shown.size()));
    }
    const ExchangeRow &row = protocolLog.rows()[logIndex];
    if (!currentFilter(cbComando, cbRecusados, edProcurar).matches(row))
        return;
    const int at = int(shown.size());
    shown.append(logIndex);
    twProtocolo->insertRow(at);
    const QStringList cells{row.time,   row.since,  row.command,
                            row.fields, row.answer, row.roundTrip};
    for (int column = 0; column < cells.size(); ++column) {
        auto *item = new QTableWidgetItem(cells[column]);
        item->setToolTip(cells[column]);
        if (row.refused())
            item->setForeground(Qt::darkRed);
        twProtocolo->setItem(at, column, item);
    }
}

void ProtocolPanel::refill() {
    twProtocolo->setRowCount(0);
    shown.clear();
    for (int i = 0; i < protocolLog.rows().size(); ++i)
        showRow(i);
    updateCommands();
    showBytes();
}

void ProtocolPanel::updateCommands() {
    for (const QString &name : protocolLog.commands()) {
        if (cbComando->findText(name) < 0)
            cbComando->addItem(name);
    }
}

void ProtocolPanel::showBytes() {
    const int at = twProtocolo->currentRow();
    if (at < 0 || at >= shown.size() || twProtocolo->selectedItems().isEmpty()) {
        memoBytes->clear();
        return;
    }
    const ExchangeRow &row = protocolLog.rows()[shown[at]];
    memoBytes->setPlainText(
        QStringLiteral("Enviado:  ") + TrafficText::hex(row.sent).trimmed() +
        QStringLiteral("\n          ") + TrafficText::text(row.sent, true).trimmed() +
        QStringLiteral("\nRecebido: ") + TrafficText::hex(row.received).trimmed() +
        QStringLiteral("\n          ") + TrafficText::text(row.received, false).trimmed());
}

void ProtocolPanel::save() {
    const QString path =
        askSaveFileName({QStringLiteral("Salvar registro do protocolo"), WorkingFolder::path(),
                         QStringLiteral("Registro do protocolo (*.log)"), QStringLiteral("log")});
    if (path.isEmpty())
        return;
    const QString failure = saveProtocolLog(protocolLog, path);
    if (!failure.isEmpty())
        showMessage(failure, QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
}

void ProtocolPanel::open() {
    const QString path =
        askOpenFileName({QStringLiteral("Abrir registro do protocolo"), WorkingFolder::path(),
                         QStringLiteral("Registro do protocolo (*.log)"), QStringLiteral("log")});
    if (path.isEmpty())
        return;
    const QString failure = openProtocolLog(protocolLog, path);
    if (!failure.isEmpty())
        showMessage(failure, QStringLiteral("Erro"), MessageButtons::Ok, MessageStyle::Error);
    forgetCommands();
    refill();
}

void ProtocolPanel::forgetCommands() {
    const QSignalBlocker quiet(cbComando);
    while (cbComando->count() > 1)
        cbComando->removeItem(1);
    cbComando->setCurrentIndex(0);
}
