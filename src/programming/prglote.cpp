#include "programming/prglote.h"

#include "core/file_dialogs.h"
#include "core/global.h"
#include "core/messages.h"
#include "core/working_folder.h"
#include "programming/c2k_file.h"
#include "programming/table_records.h"
#include "programming/tags.h"
#include "ui_prglote.h"
#include "widgets/tool_shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>

#include <cstring>

namespace {

const QString ErrorCaption = QStringLiteral("Erro");
const QString WarningCaption = QStringLiteral("Aviso");

QString labelText(const QString &text) {
    QString shown = text;
    shown.remove(QLatin1Char('\r'));
    return shown;
}

FileDialogRequest configurationDialog() {
    return {QStringLiteral("Configurações"), WorkingFolder::subfolder(QStringLiteral("c2k")),
            QStringLiteral("Arquivo de configuração (*.c2k)"), QStringLiteral("c2k")};
}

} // namespace

TfmPrgLote::TfmPrgLote(ToolShell *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(10, -70)), ui(std::make_unique<Ui::TfmPrgLote>()) {
    ui->setupUi(this);
    setFixedSize(size());
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    std::memset(options.bytes, 0, sizeof options.bytes);

    readButtons = {ui->btLerAliqImpr,   ui->btLerFPImpr,     ui->btLerRGImpr,   ui->btLerCNFNVImpr,
                   ui->btLerClicheImpr, ui->btLerESC228Impr, ui->btLerConf2Impr};

    grids = std::make_unique<EditDataGrids>(ui->sgAliquotas, ui->sgFP, ui->sgRG, ui->sgCNFNV);
    grids->build([this] { return editDataSetup(model(), firmware()).paymentDescriptionLength; });
    for (QTableWidget *grid : grids->all()) {
        grid->installEventFilter(this);
        connect(grid, &QTableWidget::currentCellChanged, this, [this, grid](int row, int column) {
            // The first column of these grids is fixed: the selection stays beside it.
            if (column == 0 && grid != ui->sgFP && row > 0) {
                grid->setCurrentCell(row, 1);
                return;
            }
            cellSelected(grid, column);
        });
    }
    showAll(ProgrammingTables()); // rates "//,//%" and "    N", directions "   E"

    // Both payment panels fill the page without a bevel; the notice lies over the grid.
    ui->PanelFP->setFrameShape(QFrame::NoFrame);
    ui->PanelFPMsg->setFrameShape(QFrame::NoFrame);
    ui->PanelFPMsg->setGeometry(ui->PanelFP->geometry());
    ui->PanelFPMsg->hide();
    QFont big = ui->lbMsgFP->font();
    big.setPointSize(28);
    big.setBold(true);
    ui->lbMsgFP->setFont(big);

    prepareHeaderEditor();
    ui->meNumCNFNV->hide();
    ui->meAliq->setText(QStringLiteral("////"));

    connectPages();
    connectPrinterActions();
    connect(ui->btContMsgWFP, &QPushButton::clicked, this, [this] {
        showPaymentNotice(false);
        focusGridCell(ui->sgFP, 1, 0);
    });
    connect(ui->sgFP, &QTableWidget::cellClicked, this, [this] {
        // The cash row is not to be changed: a click on it moves on to row 2.
        if (ui->sgFP->currentRow() == 1 && ui->sgFP->rowCount() > 2)
            ui->sgFP->setCurrentCell(2, ui->sgFP->currentColumn());
    });
    for (auto [button, open, close] :
         {std::tuple{ui->btTagS, "<S>", "</S>"}, std::tuple{ui->btTagN, "<N>", "</N>"},
          std::tuple{ui->btTagW, "<W>", "</W>"}, std::tuple{ui->btTagC, "<C>", "</C>"},
          std::tuple{ui->btTagW1, "<W1>", "<W1>"}})
        connect(button, &QPushButton::clicked, this,
                [this, button = button, open = open, close = close] {
                    insertTag(button, open, close);
                });
    connect(ui->btPadraoESC228, &QPushButton::clicked, this, [this] {
        OptionControls controls = optionControls();
        optionDefaults(controls, model(), firmware());
        setOptionControls(controls);
    });
    const std::pair<QPushButton *, ProgrammingTable> clearButtons[] = {
        {ui->btLimparAliq, ProgrammingTable::TaxRates},
        {ui->btLimparFP, ProgrammingTable::Payments},
        {ui->btLimparRG, ProgrammingTable::Reports},
        {ui->btLimparCNFNV, ProgrammingTable::Totalizers},
        {ui->btLimparCliche, ProgrammingTable::Header},
        {ui->btLimparOperador, ProgrammingTable::Operator}};
    for (auto [button, table] : clearButtons)
        connect(button, &QPushButton::clicked, this, [this, table = table] { clearPage(table); });
    connect(ui->btLimparTodos, &QPushButton::clicked, this, [this] {
        leaveOptionsPage();
        clearEverything();
    });
    connect(ui->btSalvar, &QPushButton::clicked, this, &TfmPrgLote::save);
    connect(ui->btImportar, &QPushButton::clicked, this, &TfmPrgLote::import);
    connect(ui->btSair, &QPushButton::clicked, this, &QWidget::hide);
}

TfmPrgLote::~TfmPrgLote() {
    // Tearing the widgets down moves the focus, which must no longer reach this window.
    disconnect(qApp, nullptr, this, nullptr);
    ui->MemoCliche->disconnect(this);
}

// ---- Set-up ----

void TfmPrgLote::connectPages() {
    shownPage = ui->PageControl->currentWidget();
    connect(ui->PageControl, &QTabWidget::currentChanged, this, [this](int index) {
        if (shownPage == ui->tabESC228)
            leaveOptionsPage();
        shownPage = ui->PageControl->widget(index);
        pageShown(index);
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && now->window() == this && !ui->tabESC228->isAncestorOf(now))
            leaveOptionsPage();
    });
    for (QWidget *child : ui->tabESC228->findChildren<QWidget *>())
        child->installEventFilter(this);
    for (QCheckBox *box : ui->tabESC228->findChildren<QCheckBox *>())
        connect(box, &QCheckBox::clicked, this, [this] { optionsPageInUse = true; });
    for (QLineEdit *edit : ui->tabESC228->findChildren<QLineEdit *>())
        connect(edit, &QLineEdit::textEdited, this, [this] { optionsPageInUse = true; });
}

void TfmPrgLote::applyModelSetup() {
    const EditDataSetup setup = editDataSetup(model(), firmware());
    grids->applyPaymentLayout(setup.paymentColumns, setup.paymentGridRows);
    ui->cbFPVinc->setVisible(setup.linkedBoxShown);

    const int reportsPage = ui->PageControl->indexOf(ui->tabRG);
    ui->PageControl->setTabEnabled(reportsPage, setup.reportsEnabled);
    ui->lbRG->setText(labelText(setup.reportsLabel));

    ui->meAlturaLinha->setText(setup.lineHeight);
    ui->meEspacCupom->setText(setup.couponSpacing);
    ui->cbRZAut->setVisible(setup.autoReductionZShown);
    ui->cbSuprimeMsgErro->setVisible(setup.suppressErrorsShown);
    ui->cbChequeNegrito->setVisible(setup.boldCheckShown);
    // The "*" marks the option that the printer changes only in technical intervention mode
    // (MIT): rounding instead of truncation; the legend goes with it.
    for (QWidget *w :
         {static_cast<QWidget *>(ui->cbCupomAdicional),
          static_cast<QWidget *>(ui->cbArredondamento), static_cast<QWidget *>(ui->cbGuilhotina),
          static_cast<QWidget *>(ui->lbMarcaMIT), static_cast<QWidget *>(ui->lbLegendaMIT1),
          static_cast<QWidget *>(ui->lbLegendaMIT2)})
        w->setVisible(setup.modelAOptionsShown);
    placeOptionBoxes();

    ui->edLoja->setVisible(setup.storeShown);
    ui->lbLoja->setVisible(setup.storeShown);
    ui->edOperador->setMaxLength(setup.operatorMaxLength);
}

// The option boxes that the model offers stand one under the other, without gaps.
void TfmPrgLote::placeOptionBoxes() {
    int y = ui->cbLXAut->y();
    for (QCheckBox *box :
         {ui->cbLXAut, ui->cbRZAut, ui->cbDescISS, ui->cbLegCF, ui->cbCupomAdicional,
          ui->cbChequeNegrito, ui->cbSuprimeMsgErro, ui->cbGuilhotina, ui->cbArredondamento}) {
        if (box->isHidden())
            continue;
        box->move(box->x(), y);
        y += 28;
    }
    ui->lbMarcaMIT->move(ui->cbArredondamento->x() + ui->cbArredondamento->sizeHint().width() + 2,
                         ui->cbArredondamento->y());
}

void TfmPrgLote::showEvent(QShowEvent *event) {
    ToolWindow::showEvent(event);
    applyModelSetup();
    pageShown(ui->PageControl->currentIndex());
}

void TfmPrgLote::pageShown(int index) {
    QWidget *page = ui->PageControl->widget(index);
    if (page == ui->tabFP) {
        if (!toolState().TablesStale.exchange(false)) {
            showPaymentNotice(false);
            focusGridCell(ui->sgFP, 1, 0);
            return;
        }
        // The model has changed since the table was last prepared: its rule is shown first.
        ui->lbMsgFP->setText(c2kModelName(model()));
        ui->lbMsgWarningFP->setText(labelText(paymentRuleText(model())));
        QTableWidget *grid = ui->sgFP;
        const PaymentRow cash = clearedPaymentRows(model()).constFirst();
        setGridCell(grid, 1, 0, cash.number);
        setGridCell(grid, 1, 1, cash.description);
        setGridCell(grid, 1, 2, cash.linked);
        if (model() == ModelA) {
            for (int row = 1; row < grid->rowCount(); ++row) {
                setGridCell(grid, row, 0, paymentNumberText(row));
                setGridCell(grid, row, 2, QStringLiteral("    N"));
            }
        }
        showPaymentNotice(true);
    } else if (page == ui->tabAliq) {
        focusGridCell(ui->sgAliquotas, 1, 1);
    } else if (page == ui->tabCNFNV) {
        focusGridCell(ui->sgCNFNV, 1, 1);
    } else if (page == ui->tabRG) {
        if (ui->PageControl->isTabEnabled(index))
            focusGridCell(ui->sgRG, 1, 1);
    } else if (page == ui->tabCliche) {
        ui->MemoCliche->setFocus();
    }
}

void TfmPrgLote::showPaymentNotice(bool notice) {
    ui->PanelFPMsg->setVisible(notice);
    ui->PanelFP->setVisible(!notice);
    if (notice)
        ui->btContMsgWFP->setFocus();
}

// ---- The working copy in the controls ----

EditDataCopy TfmPrgLote::workingCopy() const {
    EditDataCopy copy;
    grids->readInto(copy.tables);
    copy.tables.options = options;
    copy.tables.controls = optionControls();
    copy.tables.header = headerText();
    copy.operatorPage = {ui->cbHorarioVerao->isChecked(), ui->edOperador->text(),
                         ui->edLoja->text()};
    return copy;
}

void TfmPrgLote::showTable(const EditDataCopy &copy, ProgrammingTable table) {
    const ProgrammingTables &t = copy.tables;
    switch (table) {
    case ProgrammingTable::TaxRates:
        grids->showTaxRates(t);
        break;
    case ProgrammingTable::Payments:
        grids->showPayments(t);
        break;
    case ProgrammingTable::Reports:
        grids->showReports(t);
        break;
    case ProgrammingTable::Totalizers:
        grids->showTotalizers(t);
        break;
    case ProgrammingTable::Header:
        showHeader(t.header);
        break;
    case ProgrammingTable::Options:
        options = t.options;
        setOptionControls(t.controls);
        break;
    case ProgrammingTable::Operator:
        showOperatorPage(copy.operatorPage);
        break;
    }
}

void TfmPrgLote::showAll(const ProgrammingTables &t) {
    showHeader(t.header);
    setOptionControls(t.controls);
    grids->showTotalizers(t);
    grids->showReports(t);
    grids->showPayments(t);
    grids->showTaxRates(t);
}

void TfmPrgLote::showOperatorPage(const OperatorPage &page) {
    ui->cbHorarioVerao->setChecked(page.daylightSaving);
    ui->edOperador->setText(page.name);
    ui->edLoja->setText(page.store);
}

OptionControls TfmPrgLote::optionControls() const {
    OptionControls c;
    c.autoReadingX = ui->cbLXAut->isChecked();
    c.autoReductionZ = ui->cbRZAut->isChecked();
    c.issDiscount = ui->cbDescISS->isChecked();
    c.couponLegend = ui->cbLegCF->isChecked();
    c.additionalCoupon = ui->cbCupomAdicional->isChecked();
    c.paperCutter = ui->cbGuilhotina->isChecked();
    c.rounding = ui->cbArredondamento->isChecked();
    c.boldCheck = ui->cbChequeNegrito->isChecked();
    c.suppressErrors = ui->cbSuprimeMsgErro->isChecked();
    c.lineHeight = ui->meAlturaLinha->text();
    c.couponSpacing = ui->meEspacCupom->text();
    c.minHourReductionZ = ui->meHoraMinRZ->text();
    return c;
}

void TfmPrgLote::setOptionControls(const OptionControls &c) {
    ui->cbLXAut->setChecked(c.autoReadingX);
    ui->cbRZAut->setChecked(c.autoReductionZ);
    ui->cbDescISS->setChecked(c.issDiscount);
    ui->cbLegCF->setChecked(c.couponLegend);
    ui->cbCupomAdicional->setChecked(c.additionalCoupon);
    ui->cbGuilhotina->setChecked(c.paperCutter);
    ui->cbArredondamento->setChecked(c.rounding);
    ui->cbChequeNegrito->setChecked(c.boldCheck);
    ui->cbSuprimeMsgErro->setChecked(c.suppressErrors);
    ui->meAlturaLinha->setText(c.lineHeight);
    ui->meEspacCupom->setText(c.couponSpacing);
    ui->meHoraMinRZ->setText(c.minHourReductionZ);
}

void TfmPrgLote::rebuildOptions() {
    rebuildOptionsBlock(options, optionControls(), model(), firmware());
}

// The options block follows the controls once the focus has been inside the "Configurações 1"
// page and goes elsewhere (another page, a button below the pages).
void TfmPrgLote::leaveOptionsPage() {
    if (!optionsPageInUse)
        return;
    optionsPageInUse = false;
    rebuildOptions();
}

// ---- Cell editing ----

void TfmPrgLote::cellSelected(QTableWidget *grid, int column) {
    // The flag columns change by keys only; the other columns are edited in place.
    const bool flagColumn = column == 2 && grid != ui->sgRG;
    grid->setEditTriggers(flagColumn ? QAbstractItemView::NoEditTriggers : GridEditingOn);
}

bool TfmPrgLote::flagKey(QTableWidget *grid, QKeyEvent *key) {
    if (grid == ui->sgRG || grid->currentColumn() != 2 || grid->columnCount() < 3)
        return false;
    const QString typed = key->text();
    if (typed.isEmpty() || !typed.at(0).isPrint())
        return false;
    const FlagColumn column = grid == ui->sgAliquotas ? FlagColumn::Iss
                              : grid == ui->sgFP      ? FlagColumn::Linked
                                                      : FlagColumn::Direction;
    const int row = grid->currentRow();
    if (row > 0) {
        if (const std::optional<QString> next =
                flagCellAfterKey(column, gridCell(grid, row, 2), typed.at(0)))
            setGridCell(grid, row, 2, *next);
    }
    return true; // other keys change nothing
}

bool TfmPrgLote::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        for (QTableWidget *grid : {ui->sgAliquotas, ui->sgFP, ui->sgCNFNV}) {
            if (watched == grid && flagKey(grid, static_cast<QKeyEvent *>(event)))
                return true;
        }
    }
    // The user at work inside "Configurações 1" (the focus may also arrive there by itself,
    // when the page is shown, which does not count).
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && ui->tabESC228->isAncestorOf(widget))
            optionsPageInUse = true;
    }
    return ToolWindow::eventFilter(watched, event);
}

// ---- Clearing ----

void TfmPrgLote::clearShownTable(ProgrammingTable table) {
    EditDataCopy copy = workingCopy();
    clearTable(copy, table, model());
    showTable(copy, table);
}

void TfmPrgLote::clearPage(ProgrammingTable table) {
    clearShownTable(table);
    switch (table) {
    case ProgrammingTable::TaxRates:
        focusGridCell(ui->sgAliquotas, 1, 1);
        break;
    case ProgrammingTable::Payments:
        focusGridCell(ui->sgFP, 1, 1);
        break;
    case ProgrammingTable::Reports:
        focusGridCell(ui->sgRG, 1, 1);
        break;
    case ProgrammingTable::Totalizers:
        focusGridCell(ui->sgCNFNV, 1, 1);
        break;
    case ProgrammingTable::Header:
        ui->MemoCliche->setFocus();
        break;
    default:
        break;
    }
}

// "Limpar Todos": header, option defaults, totalizers, reports, payment methods and tax rates;
// the operator, the store, the daylight-saving box and the options block stay as they are.
void TfmPrgLote::clearEverything() {
    ProgrammingTables t = workingCopy().tables;
    clearAll(t, model(), firmware());
    showAll(t);
    repaint();
}

// ---- Files ----

void TfmPrgLote::focusMemoOnHeaderPage() {
    if (ui->PageControl->currentWidget() == ui->tabCliche)
        ui->MemoCliche->setFocus();
}

void TfmPrgLote::save() {
    leaveOptionsPage();
    focusMemoOnHeaderPage();
    QString refusal;
    const QByteArray data = writeC2k(model(), workingCopy().tables, &refusal);
    if (data.isEmpty()) {
        showMessage(refusal, ErrorCaption, MessageButtons::Ok, MessageStyle::Error);
        return;
    }
    const QString name = askSaveFileName(configurationDialog());
    if (name.isEmpty())
        return;
    QString reason;
    if (!writeC2kFile(name, data, &reason))
        showMessage(C2kText::notSaved(name, reason), ErrorCaption, MessageButtons::Ok,
                    MessageStyle::Error);
}

void TfmPrgLote::import() {
    leaveOptionsPage();
    const QString name = askOpenFileName(configurationDialog());
    if (name.isEmpty())
        return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        showMessage(QStringLiteral("Arquivo de Configuração Inexistente"), ErrorCaption,
                    MessageButtons::Ok, MessageStyle::Error);
        return;
    }
    const QByteArray data = file.readAll();
    file.close();

    ProgrammingTables tables = workingCopy().tables;
    C2kReadResult result = importC2k(tables, data, model(), false);
    if (result.status == C2kReadStatus::NeedsConversion) {
        if (showMessage(result.message, result.caption, MessageButtons::YesNo,
                        MessageStyle::Question) != MessageAnswer::Yes)
            return;
        result = importC2k(tables, data, model(), true);
    }
    if (result.status != C2kReadStatus::Loaded) {
        showMessage(result.message, result.caption, MessageButtons::Ok, MessageStyle::Error);
        return;
    }

    // The memo holds what the printer takes; a longer header is cut, and the user told first.
    if (result.headerCut || headerExceeds(tables.header, HeaderLimit::Sent)) {
        showMessage(QStringLiteral("O Clichê do arquivo tem mais de %1 caracteres, o máximo "
                                   "que a impressora aceita.\r\nSerão mantidos apenas os "
                                   "primeiros %1.")
                        .arg(HeaderLimit::Sent),
                    WarningCaption, MessageButtons::Ok, MessageStyle::Warning);
        tables.header = headerCutToLimit(tables.header, HeaderLimit::Sent);
    }
    options = tables.options;
    showAll(tables);

    if (result.oldFormat)
        save(); // the converted content is stored as a current file at once
    focusMemoOnHeaderPage();
}
