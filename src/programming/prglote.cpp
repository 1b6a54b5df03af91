#include "programming/prglote.h"

#include "core/file_dialogs.h"
#include "core/global.h"
#include "core/messages.h"
#include "core/working_folder.h"
#include "link/serial_new.h"
#include "programming/c2k_file.h"
#include "programming/table_records.h"
#include "programming/tags.h"
#include "protocol/command_set.h"
#include "ui_prglote.h"
#include "widgets/tool_main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextBlock>

#include <cstring>
#include <functional>

namespace {

const QString NoPrinter = QStringLiteral("Não existe impressora!");
const QString ErrorCaption = QStringLiteral("Erro");
const QString WarningCaption = QStringLiteral("Aviso");
constexpr int RowHeight = 20;

// ---- Grid cells ----

QTableWidgetItem *itemAt(QTableWidget *grid, int row, int column) {
    QTableWidgetItem *item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, column, item);
    }
    return item;
}

void setCell(QTableWidget *grid, int row, int column, const QString &text) {
    if (row < grid->rowCount() && column < grid->columnCount())
        itemAt(grid, row, column)->setText(text);
}

QString cell(const QTableWidget *grid, int row, int column) {
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

// A cell of a fixed column: shown like a title, never selected or edited.
void setFixedCell(QTableWidget *grid, int row, int column, const QString &text) {
    QTableWidgetItem *item = itemAt(grid, row, column);
    item->setText(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setBackground(grid->palette().button());
}

// Row 0 is the title row: it stays in the grid, hidden, and its titles are shown in the
// horizontal header, which keeps its place while the rows scroll.
void setTitles(QTableWidget *grid, const QStringList &titles) {
    grid->setHorizontalHeaderLabels(titles.mid(0, grid->columnCount()));
    for (int column = 0; column < grid->columnCount(); ++column)
        setFixedCell(grid, 0, column, titles.value(column));
    if (grid->rowCount() > 0)
        grid->setRowHidden(0, true);
}

void prepareGrid(QTableWidget *grid, int columns, int rows) {
    grid->setColumnCount(columns);
    grid->setRowCount(rows);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(RowHeight);
    grid->verticalHeader()->setMinimumSectionSize(RowHeight);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setSectionsClickable(false);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setTabKeyNavigation(true);
    grid->setShowGrid(true);
    grid->setWordWrap(false);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

// The grid's size follows its columns and `rowsShown` rows, so no empty band shows beside or
// below the cells.
void fitGrid(QTableWidget *grid, int rowsShown) {
    int width = 2 * grid->frameWidth();
    for (int column = 0; column < grid->columnCount(); ++column)
        width += grid->columnWidth(column);
    if (grid->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
        width += grid->verticalScrollBar()->sizeHint().width();
    const int height = 2 * grid->frameWidth() + grid->horizontalHeader()->sizeHint().height() +
                       rowsShown * RowHeight;
    grid->resize(width, height);
}

constexpr QAbstractItemView::EditTriggers EditingOn =
    QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;

// The in-place editor of a cell: an input mask or a length limit, asked for the column being
// edited. A masked cell left without a digit gets `noDigit` back ("//,//%" for a rate).
struct CellEditor {
    QString mask;
    int maxLength = 0;
    QString noDigit;
};

class CellEditorDelegate : public QStyledItemDelegate {
public:
    CellEditorDelegate(QObject *parent, std::function<CellEditor(int column)> editorFor)
        : QStyledItemDelegate(parent), editorFor(std::move(editorFor)) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &index) const override {
        auto *editor = new QLineEdit(parent);
        editor->setFrame(false);
        const CellEditor wanted = editorFor(index.column());
        if (!wanted.mask.isEmpty())
            editor->setInputMask(wanted.mask);
        if (wanted.maxLength > 0)
            editor->setMaxLength(wanted.maxLength);
        return editor;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override {
        auto *line = static_cast<QLineEdit *>(editor);
        line->setText(index.data().toString());
        line->selectAll();
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override {
        auto *line = static_cast<QLineEdit *>(editor);
        const CellEditor wanted = editorFor(index.column());
        QString text = line->text();
        if (!wanted.mask.isEmpty()) {
            // The masked text as shown, blanks included: a half-typed rate keeps its places.
            text = line->displayText();
            const bool anyDigit =
                std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
            if (!anyDigit)
                text = wanted.noDigit;
        }
        model->setData(index, text);
    }

private:
    std::function<CellEditor(int column)> editorFor;
};

// Re-enables the controls it was given when it goes out of scope, on every path.
class DisabledWhileBusy {
public:
    explicit DisabledWhileBusy(QList<QWidget *> controls) : controls(std::move(controls)) {
        for (QWidget *control : this->controls)
            control->setEnabled(false);
    }
    ~DisabledWhileBusy() {
        for (QWidget *control : controls)
            control->setEnabled(true);
    }
    DisabledWhileBusy(const DisabledWhileBusy &) = delete;
    DisabledWhileBusy &operator=(const DisabledWhileBusy &) = delete;

private:
    QList<QWidget *> controls;
};

QString labelText(const QString &text) {
    QString shown = text;
    shown.remove(QLatin1Char('\r'));
    return shown;
}

} // namespace

TfmPrgLote::TfmPrgLote(ToolMainWindow *mainWindow)
    : ToolWindow(mainWindow, mainWindow, QPoint(10, -70)), ui(std::make_unique<Ui::TfmPrgLote>()) {
    ui->setupUi(this);
    setFixedSize(size());
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    std::memset(options.bytes, 0, sizeof options.bytes);

    readButtons = {ui->btLerAliqImpr,   ui->btLerFPImpr,     ui->btLerRGImpr,   ui->btLerCNFNVImpr,
                   ui->btLerClicheImpr, ui->btLerESC228Impr, ui->btLerConf2Impr};

    buildGrids();

    // Both payment panels fill the page without a bevel; the notice lies over the grid.
    ui->PanelFP->setFrameShape(QFrame::NoFrame);
    ui->PanelFPMsg->setFrameShape(QFrame::NoFrame);
    ui->PanelFPMsg->setGeometry(ui->PanelFP->geometry());
    ui->PanelFPMsg->hide();
    QFont big = ui->lbMsgFP->font();
    big.setPointSize(28);
    big.setBold(true);
    ui->lbMsgFP->setFont(big);

    // The header editor: a fixed-pitch font, no wrapping, and a column ruler that lines up
    // with the text.
    QFont fixed(QStringLiteral("Courier New"), 10);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    ui->MemoCliche->setFont(fixed);
    ui->MemoCliche->setLineWrapMode(QPlainTextEdit::NoWrap);
    ui->MemoCliche->setWordWrapMode(QTextOption::NoWrap);
    ui->MemoCliche->clear();
    ui->lbRegua->setFont(fixed);
    ui->lbRegua->setText(headerRulerText());
    ui->lbRegua->setContentsMargins(0, 0, 0, 0);
    ui->lbRegua->setIndent(0);
    ui->lbRegua->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    const int textLeft = ui->MemoCliche->x() + ui->MemoCliche->frameWidth() +
                         int(ui->MemoCliche->document()->documentMargin());
    ui->lbRegua->move(textLeft, ui->lbRegua->y());
    ui->btTagI->hide();
    connect(ui->MemoCliche, &QPlainTextEdit::textChanged, this, &TfmPrgLote::boundHeaderMemo);

    ui->meNumCNFNV->hide();
    ui->meAliq->setText(QStringLiteral("////"));

    // Pages.
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

    // Tax rates.
    connect(ui->btLerAliqImpr, &QPushButton::clicked, this, [this] { readOne(Table::TaxRates); });
    connect(ui->btLimparAliq, &QPushButton::clicked, this, [this] { clearPage(Table::TaxRates); });
    connect(ui->btEviarAliqImpr, &QPushButton::clicked, this, &TfmPrgLote::sendTaxRate);

    // Payment methods.
    connect(ui->btContMsgWFP, &QPushButton::clicked, this, [this] {
        showPaymentNotice(false);
        focusGrid(ui->sgFP, 1, 0);
    });
    connect(ui->btLerFPImpr, &QPushButton::clicked, this, [this] { readOne(Table::Payments); });
    connect(ui->btLimparFP, &QPushButton::clicked, this, [this] { clearPage(Table::Payments); });
    connect(ui->btEnviarFPImpr, &QPushButton::clicked, this, &TfmPrgLote::sendPaymentMethod);
    connect(ui->sgFP, &QTableWidget::cellClicked, this, [this] {
        // The cash row is not to be changed: a click on it moves on to row 2.
        if (ui->sgFP->currentRow() == 1 && ui->sgFP->rowCount() > 2)
            ui->sgFP->setCurrentCell(2, ui->sgFP->currentColumn());
    });

    // Reports and totalizers.
    connect(ui->btLerRGImpr, &QPushButton::clicked, this, [this] { readOne(Table::Reports); });
    connect(ui->btLimparRG, &QPushButton::clicked, this, [this] { clearPage(Table::Reports); });
    connect(ui->btEnviarRGImpr, &QPushButton::clicked, this, &TfmPrgLote::sendReportName);
    connect(ui->btLerCNFNVImpr, &QPushButton::clicked, this,
            [this] { readOne(Table::Totalizers); });
    connect(ui->btLimparCNFNV, &QPushButton::clicked, this,
            [this] { clearPage(Table::Totalizers); });
    connect(ui->btEnviarCNFNVImpr, &QPushButton::clicked, this, &TfmPrgLote::sendTotalizer);

    // Header.
    connect(ui->btTagS, &QPushButton::clicked, this,
            [this] { insertTag(ui->btTagS, "<S>", "</S>"); });
    connect(ui->btTagN, &QPushButton::clicked, this,
            [this] { insertTag(ui->btTagN, "<N>", "</N>"); });
    connect(ui->btTagW, &QPushButton::clicked, this,
            [this] { insertTag(ui->btTagW, "<W>", "</W>"); });
    connect(ui->btTagC, &QPushButton::clicked, this,
            [this] { insertTag(ui->btTagC, "<C>", "</C>"); });
    connect(ui->btTagW1, &QPushButton::clicked, this,
            [this] { insertTag(ui->btTagW1, "<W1>", "<W1>"); });
    connect(ui->btLerClicheImpr, &QPushButton::clicked, this, [this] { readOne(Table::Header); });
    connect(ui->btLimparCliche, &QPushButton::clicked, this, [this] { clearPage(Table::Header); });
    connect(ui->btEnviarClicheImpr, &QPushButton::clicked, this, &TfmPrgLote::sendHeader);
    connect(ui->btLX, &QPushButton::clicked, this, &TfmPrgLote::readingX);

    // Options.
    connect(ui->btPadraoESC228, &QPushButton::clicked, this, [this] {
        OptionControls controls = optionControls();
        optionDefaults(controls, model(), firmware());
        setOptionControls(controls);
    });
    connect(ui->btEnviaESC228Impr, &QPushButton::clicked, this, &TfmPrgLote::sendOptions);
    connect(ui->btLerESC228Impr, &QPushButton::clicked, this, [this] { readOne(Table::Options); });

    // Daylight saving and operator.
    connect(ui->btEnviarHorarioVerao, &QPushButton::clicked, this, &TfmPrgLote::sendDaylightSaving);
    connect(ui->btEnviarOperador, &QPushButton::clicked, this, &TfmPrgLote::sendOperator);
    connect(ui->btLimparOperador, &QPushButton::clicked, this,
            [this] { clearPage(Table::Operator); });
    connect(ui->btLerConf2Impr, &QPushButton::clicked, this, [this] { readOne(Table::Operator); });

    // The buttons below the pages.
    connect(ui->btLerTodos, &QPushButton::clicked, this, &TfmPrgLote::readAll);
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

void TfmPrgLote::buildGrids() {
    QTableWidget *tax = ui->sgAliquotas;
    prepareGrid(tax, 3, TaxRateRows + 1);
    setTitles(tax,
              {QStringLiteral("  Alíq."), QStringLiteral("       %"), QStringLiteral("  ISS")});
    tax->setColumnWidth(0, 60);
    tax->setColumnWidth(1, 80);
    tax->setColumnWidth(2, 50);
    for (int row = 1; row <= TaxRateRows; ++row)
        setFixedCell(tax, row, 0, taxCodeText(row));
    fitGrid(tax, TaxRateRows);

    QTableWidget *payments = ui->sgFP;
    prepareGrid(payments, 3, 0);
    payments->setColumnWidth(0, 70);
    payments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    QTableWidget *reports = ui->sgRG;
    prepareGrid(reports, 2, ReportRows + 1);
    setTitles(reports, {QStringLiteral(" Número"), QStringLiteral("              Descrição")});
    reports->setColumnWidth(0, 70);
    reports->setColumnWidth(1, 190);
    for (int row = 1; row <= ReportRows; ++row)
        setFixedCell(reports, row, 0, reportNumberText(row));
    fitGrid(reports, ReportRows);

    QTableWidget *totalizers = ui->sgCNFNV;
    prepareGrid(totalizers, 3, TotalizerRows + 1);
    setTitles(totalizers, {QStringLiteral(" Número"), QStringLiteral("         Descrição"),
                           QStringLiteral(" E/S")});
    totalizers->setColumnWidth(0, 80);
    totalizers->setColumnWidth(1, 170);
    totalizers->setColumnWidth(2, 40);
    for (int row = 1; row <= TotalizerRows; ++row)
        setFixedCell(totalizers, row, 0, totalizerNumberText(row));
    fitGrid(totalizers, TotalizerRows);

    showAll(ProgrammingTables()); // rates "//,//%" and "    N", directions "   E"

    tax->setItemDelegate(new CellEditorDelegate(tax, [](int column) {
        return column == 1 ? CellEditor{QStringLiteral("00,00%; "), 0, QStringLiteral("//,//%")}
                           : CellEditor{};
    }));
    payments->setItemDelegate(new CellEditorDelegate(payments, [this](int column) {
        if (column == 0)
            return CellEditor{QStringLiteral(" FP00; "), 0, QString()};
        return CellEditor{QString(), editDataSetup(model(), firmware()).paymentDescriptionLength,
                          QString()};
    }));
    reports->setItemDelegate(new CellEditorDelegate(reports, [](int) {
        return CellEditor{QString(), 21, QString()};
    }));
    totalizers->setItemDelegate(new CellEditorDelegate(totalizers, [](int) {
        return CellEditor{QString(), 21, QString()};
    }));

    for (QTableWidget *grid : {tax, payments, reports, totalizers}) {
        grid->installEventFilter(this);
        grid->setEditTriggers(EditingOn);
        connect(grid, &QTableWidget::currentCellChanged, this, [this, grid](int row, int column) {
            // The first column of these grids is fixed: the selection stays beside it.
            if (column == 0 && grid != ui->sgFP && row > 0) {
                grid->setCurrentCell(row, 1);
                return;
            }
            cellSelected(grid, column);
        });
    }
}

void TfmPrgLote::applyModelSetup() {
    const EditDataSetup setup = editDataSetup(model(), firmware());

    QTableWidget *payments = ui->sgFP;
    payments->setColumnCount(setup.paymentColumns);
    payments->setRowCount(setup.paymentGridRows);
    setTitles(payments, {QStringLiteral(" Número"), QStringLiteral("              Descrição"),
                         QStringLiteral("  V/N")});
    payments->setColumnWidth(1, 150);
    if (setup.paymentColumns > 2)
        payments->setColumnWidth(2, 35);
    fitGrid(payments, PaymentRowsModelA);
    ui->cbFPVinc->setVisible(setup.linkedBoxShown);

    const int reportsPage = ui->PageControl->indexOf(ui->tabRG);
    ui->PageControl->setTabEnabled(reportsPage, setup.reportsEnabled);
    ui->lbRG->setText(labelText(setup.reportsLabel));

    ui->meAlturaLinha->setText(setup.lineHeight);
    ui->meEspacCupom->setText(setup.couponSpacing);
    ui->cbRZAut->setVisible(setup.autoReductionZShown);
    ui->cbSuprimeMsgErro->setVisible(setup.suppressErrorsShown);
    ui->cbChequeNegrito->setVisible(setup.boldCheckShown);
    for (QWidget *w :
         {static_cast<QWidget *>(ui->cbCupomAdicional),
          static_cast<QWidget *>(ui->cbArredondamento), static_cast<QWidget *>(ui->cbGuilhotina)})
        w->setVisible(setup.modelAOptionsShown);
    // The "*" marks the option that the printer changes only in technical intervention mode
    // (MIT): rounding instead of truncation; the legend goes with it.
    for (QWidget *w :
         {static_cast<QWidget *>(ui->lbMarcaMIT), static_cast<QWidget *>(ui->lbLegendaMIT1),
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
            focusGrid(ui->sgFP, 1, 0);
            return;
        }
        // The model has changed since the table was last prepared: its rule is shown first.
        ui->lbMsgFP->setText(c2kModelName(model()));
        ui->lbMsgWarningFP->setText(labelText(paymentRuleText(model())));
        QTableWidget *grid = ui->sgFP;
        const PaymentRow cash = clearedPaymentRows(model()).constFirst();
        setCell(grid, 1, 0, cash.number);
        setCell(grid, 1, 1, cash.description);
        setCell(grid, 1, 2, cash.linked);
        if (model() == ModelA) {
            for (int row = 1; row < grid->rowCount(); ++row) {
                setCell(grid, row, 0, paymentNumberText(row));
                setCell(grid, row, 2, QStringLiteral("    N"));
            }
        }
        showPaymentNotice(true);
    } else if (page == ui->tabAliq) {
        focusGrid(ui->sgAliquotas, 1, 1);
    } else if (page == ui->tabCNFNV) {
        focusGrid(ui->sgCNFNV, 1, 1);
    } else if (page == ui->tabRG) {
        if (ui->PageControl->isTabEnabled(index))
            focusGrid(ui->sgRG, 1, 1);
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

void TfmPrgLote::focusGrid(QTableWidget *grid, int row, int column) {
    if (grid->rowCount() <= row)
        return;
    grid->setFocus();
    grid->setCurrentCell(row, column);
    grid->scrollToItem(itemAt(grid, row, column));
}

// ---- The working copy in the controls ----

ProgrammingTables TfmPrgLote::workingCopy() const {
    ProgrammingTables t;
    for (int k = 0; k < TaxRateRows; ++k) {
        t.taxRates[k].rate = cell(ui->sgAliquotas, k + 1, 1);
        t.taxRates[k].iss = cell(ui->sgAliquotas, k + 1, 2);
    }
    for (int row = 1; row < ui->sgFP->rowCount(); ++row)
        t.payments.append(
            {cell(ui->sgFP, row, 0), cell(ui->sgFP, row, 1),
             ui->sgFP->columnCount() > 2 ? cell(ui->sgFP, row, 2) : QStringLiteral("    N")});
    for (int k = 0; k < ReportRows; ++k)
        t.reports[k].name = cell(ui->sgRG, k + 1, 1);
    for (int k = 0; k < TotalizerRows; ++k) {
        t.totalizers[k].name = cell(ui->sgCNFNV, k + 1, 1);
        t.totalizers[k].direction = cell(ui->sgCNFNV, k + 1, 2);
    }
    t.options = options;
    t.controls = optionControls();
    t.header = headerText();
    return t;
}

void TfmPrgLote::showTaxRates(const ProgrammingTables &t) {
    for (int k = 0; k < TaxRateRows; ++k) {
        setCell(ui->sgAliquotas, k + 1, 1, t.taxRates[k].rate);
        setCell(ui->sgAliquotas, k + 1, 2, t.taxRates[k].iss);
    }
}

void TfmPrgLote::showPayments(const ProgrammingTables &t) {
    QTableWidget *grid = ui->sgFP;
    for (int row = 1; row < grid->rowCount(); ++row) {
        const PaymentRow entry = t.payments.value(row - 1);
        setCell(grid, row, 0, entry.number);
        setCell(grid, row, 1, entry.description);
        setCell(grid, row, 2, entry.linked);
    }
    grid->scrollToTop();
}

void TfmPrgLote::showReports(const ProgrammingTables &t) {
    for (int k = 0; k < ReportRows; ++k)
        setCell(ui->sgRG, k + 1, 1, t.reports[k].name);
}

void TfmPrgLote::showTotalizers(const ProgrammingTables &t) {
    for (int k = 0; k < TotalizerRows; ++k) {
        setCell(ui->sgCNFNV, k + 1, 1, t.totalizers[k].name);
        setCell(ui->sgCNFNV, k + 1, 2, t.totalizers[k].direction);
    }
}

void TfmPrgLote::showHeader(const QByteArray &header) {
    const QString text = memoTextFromHeader(header);
    boundingMemo = true;
    ui->MemoCliche->setPlainText(text);
    boundingMemo = false;
    lastMemoText = text;
}

void TfmPrgLote::showAll(const ProgrammingTables &t) {
    showHeader(t.header);
    setOptionControls(t.controls);
    showTotalizers(t);
    showReports(t);
    showPayments(t);
    showTaxRates(t);
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

QByteArray TfmPrgLote::headerText() const {
    return headerFromMemoText(ui->MemoCliche->toPlainText());
}

// The memo holds no more than the printer takes: an edit that would pass the limit is undone.
void TfmPrgLote::boundHeaderMemo() {
    if (boundingMemo)
        return;
    const QString text = ui->MemoCliche->toPlainText();
    if (!headerExceeds(headerFromMemoText(text), HeaderLimit::Sent)) {
        lastMemoText = text;
        return;
    }
    const int added = int(text.size() - lastMemoText.size());
    const int position = ui->MemoCliche->textCursor().position() - qMax(0, added);
    boundingMemo = true;
    ui->MemoCliche->setPlainText(lastMemoText);
    QTextCursor cursor = ui->MemoCliche->textCursor();
    cursor.setPosition(qBound(0, position, int(lastMemoText.size())));
    ui->MemoCliche->setTextCursor(cursor);
    boundingMemo = false;
    if (added > 1)
        showMessage(QStringLiteral("O Clichê aceita no máximo %1 caracteres (cada quebra de "
                                   "linha conta dois).\r\nO texto inserido não cabe e não foi "
                                   "incluído.")
                        .arg(HeaderLimit::Sent),
                    WarningCaption, MessageButtons::Ok, MessageStyle::Warning);
    else
        QApplication::beep();
}

void TfmPrgLote::insertTag(QAbstractButton *button, const QByteArray &open,
                           const QByteArray &close) {
    // A toggle button is already down when it reports a click that opened its tag.
    const bool opening = !button->isCheckable() || button->isChecked();
    const QString tag = QString::fromLatin1(opening ? open : close);
    const QString before = ui->MemoCliche->toPlainText();
    ui->MemoCliche->insertPlainText(tag);
    if (ui->MemoCliche->toPlainText() == before && button->isCheckable())
        button->setChecked(!button->isChecked()); // the tag did not fit: the state stays
    ui->MemoCliche->setFocus();
}

// ---- Cell editing ----

void TfmPrgLote::cellSelected(QTableWidget *grid, int column) {
    // The flag columns change by keys only; the other columns are edited in place.
    const bool flagColumn = column == 2 && grid != ui->sgRG;
    grid->setEditTriggers(flagColumn ? QAbstractItemView::NoEditTriggers : EditingOn);
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
                flagCellAfterKey(column, cell(grid, row, 2), typed.at(0)))
            setCell(grid, row, 2, *next);
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

void TfmPrgLote::clearTable(Table table) {
    ProgrammingTables t = workingCopy();
    switch (table) {
    case Table::TaxRates:
        clearTaxRates(t);
        showTaxRates(t);
        break;
    case Table::Payments:
        clearPayments(t, model());
        showPayments(t);
        break;
    case Table::Reports:
        clearReports(t);
        showReports(t);
        break;
    case Table::Totalizers:
        clearTotalizers(t);
        showTotalizers(t);
        break;
    case Table::Header:
        showHeader({});
        break;
    case Table::Operator:
        ui->edOperador->clear();
        ui->edLoja->clear();
        break;
    case Table::Options:
        break;
    }
}

void TfmPrgLote::clearPage(Table table) {
    clearTable(table);
    switch (table) {
    case Table::TaxRates:
        focusGrid(ui->sgAliquotas, 1, 1);
        break;
    case Table::Payments:
        focusGrid(ui->sgFP, 1, 1);
        break;
    case Table::Reports:
        focusGrid(ui->sgRG, 1, 1);
        break;
    case Table::Totalizers:
        focusGrid(ui->sgCNFNV, 1, 1);
        break;
    case Table::Header:
        ui->MemoCliche->setFocus();
        break;
    default:
        break;
    }
}

// "Limpar Todos": header, option defaults, totalizers, reports, payment methods and tax rates;
// the operator, the store, the daylight-saving box and the options block stay as they are.
void TfmPrgLote::clearEverything() {
    ProgrammingTables t = workingCopy();
    clearAll(t, model(), firmware());
    showAll(t);
    repaint();
}

// ---- Printer ----

uint32_t TfmPrgLote::model() const {
    return toolState().ModelCode;
}

double TfmPrgLote::firmware() const {
    return toolState().FirmwareVersionNumber;
}

CommandSet *TfmPrgLote::commands() const {
    return commandSetFor(model());
}

bool TfmPrgLote::printerPresent() const {
    if (toolState().PrinterPresent)
        return true;
    showMessage(NoPrinter, ErrorCaption, MessageButtons::Ok, MessageStyle::Information);
    return false;
}

void TfmPrgLote::setReadButtonsEnabled(bool enabled) {
    for (QPushButton *button : readButtons)
        button->setEnabled(enabled);
}

void TfmPrgLote::focusMemoOnHeaderPage() {
    if (ui->PageControl->currentWidget() == ui->tabCliche)
        ui->MemoCliche->setFocus();
}

void TfmPrgLote::readOne(Table table) {
    focusMemoOnHeaderPage();
    if (!printerPresent())
        return;
    DisabledWhileBusy busy({readButtons.begin(), readButtons.end()});
    readTable(table);
}

void TfmPrgLote::readAll() {
    leaveOptionsPage();
    focusMemoOnHeaderPage();
    if (!printerPresent())
        return;
    clearEverything();
    QList<QWidget *> buttons(readButtons.begin(), readButtons.end());
    buttons << ui->btLerTodos;
    DisabledWhileBusy busy(buttons);
    printerLink().PurgePort();
    for (Table table : {Table::TaxRates, Table::Payments, Table::Reports, Table::Totalizers,
                        Table::Header, Table::Options, Table::Operator})
        readTable(table);
}

// Clears the table (the options excepted), then fills it from the printer. A read that fails
// leaves the table cleared; the operation has reported why.
void TfmPrgLote::readTable(Table table) {
    CommandSet *set = commands();
    if (!set)
        return;
    clearTable(table);
    repaint();
    ProgrammingTables t = workingCopy();
    switch (table) {
    case Table::TaxRates: {
        TaxRateRecord records[16] = {};
        if (set->ReadTaxRates(records)) {
            taxRatesFromRecords(t, records);
            showTaxRates(t);
        }
        break;
    }
    case Table::Payments: {
        PaymentMethodTable methods;
        std::memset(&methods, ' ', sizeof methods);
        toolState().TablesStale = false;
        if (set->ReadPaymentMethods(methods)) {
            paymentsFromTable(t, model(), methods);
            showPayments(t);
        }
        break;
    }
    case Table::Reports: {
        NameTable names;
        std::memset(&names, ' ', sizeof names);
        if (model() == ModelB && set->ReadReportNames(names)) {
            reportsFromNames(t, names);
            showReports(t);
        }
        break;
    }
    case Table::Totalizers: {
        TotalizerTable totalizers;
        std::memset(&totalizers, ' ', sizeof totalizers);
        if (set->ReadNonFiscalTotalizers(totalizers)) {
            totalizersFromTable(t, totalizers);
            showTotalizers(t);
        }
        break;
    }
    case Table::Header: {
        ClicheRecord record{};
        if (!set->ReadCliche(record))
            break;
        QByteArray header = taggedTextFromCliche(model(), record);
        if (headerExceeds(header, HeaderLimit::ReadFromPrinter)) {
            showMessage(QStringLiteral("O Clichê lido da impressora tem %1 caracteres.\r\n"
                                       "Serão mostrados apenas os primeiros %2.")
                            .arg(header.size())
                            .arg(HeaderLimit::ReadFromPrinter),
                        WarningCaption, MessageButtons::Ok, MessageStyle::Warning);
            header = headerCutToLimit(header, HeaderLimit::ReadFromPrinter);
        }
        showHeader(header);
        break;
    }
    case Table::Options:
        if (set->ReadOptions(options))
            setOptionControls(optionControlsFromBlock(options));
        break;
    case Table::Operator: {
        ui->cbHorarioVerao->setChecked(set->IsDaylightSavingTime());
        OperatorRecord op{};
        if (set->ReadOperator(op)) {
            ui->edOperador->setText(textFromField(op.name, sizeof op.name));
            if (model() == ModelB)
                ui->edLoja->setText(textFromField(op.store, sizeof op.store));
        }
        break;
    }
    }
}

void TfmPrgLote::sendTaxRate() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    const TaxRateRecord record =
        taxRateRecord(ui->cbVincISS->isChecked(), ui->meAliq->displayText());
    if (set && set->ProgramTaxRate(record)) {
        DisabledWhileBusy busy({readButtons.begin(), readButtons.end()});
        readTable(Table::TaxRates);
    }
    ui->meAliq->setText(QStringLiteral("////")); // after a refusal too
}

void TfmPrgLote::sendPaymentMethod() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    const std::optional<int> number = paymentNumberField(ui->meNumFP->text());
    if (!number) {
        showMessage(QStringLiteral("Informe o número da Forma de Pagamento!"), ErrorCaption,
                    MessageButtons::Ok, MessageStyle::Error);
        ui->meNumFP->setFocus();
        return;
    }
    if (set) {
        const PaymentMethodRecord record =
            paymentMethodRecord(model(), *number, ui->cbFPVinc->isChecked(), ui->meDescFP->text());
        invalidateConfigurationCache();
        if (set->ProgramPaymentMethod(record)) {
            DisabledWhileBusy busy({readButtons.begin(), readButtons.end()});
            readTable(Table::Payments);
        }
        if (model() == ModelA) {
            // A linked method gets a linked voucher of the same name; nothing is sent for
            // another one.
            set->ProgramLinkedTotalizer(record);
            invalidateConfigurationCache();
        }
    }
    ui->meDescFP->clear();
}

void TfmPrgLote::sendReportName() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    if (set && model() == ModelB) {
        uint8_t name[21];
        fillTextField(ui->meDescRG->text(), name, sizeof name);
        invalidateConfigurationCache();
        if (set->ProgramReportName(name)) {
            DisabledWhileBusy busy({readButtons.begin(), readButtons.end()});
            readTable(Table::Reports);
        }
    }
    ui->meDescRG->clear();
}

void TfmPrgLote::sendTotalizer() {
    if (!printerPresent())
        return;
    if (CommandSet *set = commands()) {
        const TotalizerRecord record =
            totalizerRecord(ui->rbEntrada->isChecked(), ui->meDescCNFNV->text());
        invalidateConfigurationCache();
        if (set->ProgramNonFiscalTotalizer(record)) {
            DisabledWhileBusy busy({readButtons.begin(), readButtons.end()});
            readTable(Table::Totalizers);
        }
    }
    ui->meDescCNFNV->clear();
}

// The printer takes a header only in technical intervention mode (MIT): the intervention that
// keeps the programming carries the ECF number just read and the header in printer codes.
void TfmPrgLote::sendHeader() {
    ui->MemoCliche->setFocus();
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    if (!set)
        return;
    DisabledWhileBusy busy({ui->btEnviarClicheImpr});
    ClicheRecord current{};
    if (!set->ReadCliche(current))
        return;
    const QByteArray tagged = headerText();
    if (tagged.isEmpty()) {
        showMessage(QStringLiteral("Clichê inválido!"), ErrorCaption, MessageButtons::Ok,
                    MessageStyle::Error);
        return;
    }
    ClicheRecord header{};
    const QByteArray ecfNumber(reinterpret_cast<const char *>(current.ecfNumber), 4);
    if (headerExceeds(tagged, HeaderLimit::Sent) ||
        !clicheForSending(model(), ecfNumber, tagged, header)) {
        showMessage(QStringLiteral("O Clichê tem mais de %1 caracteres e não pode ser enviado!")
                        .arg(HeaderLimit::Sent),
                    ErrorCaption, MessageButtons::Ok, MessageStyle::Error);
        return;
    }
    set->TechnicalIntervention(false, true, header);
}

void TfmPrgLote::sendOptions() {
    if (!printerPresent())
        return;
    rebuildOptions();
    CommandSet *set = commands();
    if (set && set->ProgramOptions(options)) {
        DisabledWhileBusy busy({readButtons.begin(), readButtons.end()});
        readTable(Table::Options);
    }
}

// The two actions of "Configurações 2" go to the printer without the presence test.
void TfmPrgLote::sendDaylightSaving() {
    CommandSet *set = commands();
    if (!set)
        return;
    set->SetDaylightSavingTime(ui->cbHorarioVerao->isChecked() ? 1 : 0);
    DisabledWhileBusy busy({readButtons.begin(), readButtons.end()});
    readTable(Table::Operator);
}

void TfmPrgLote::sendOperator() {
    CommandSet *set = commands();
    if (!set)
        return;
    const QString store = model() == ModelB ? ui->edLoja->text() : QString();
    set->ProgramOperator(operatorRecord(ui->edOperador->text(), store));
    invalidateConfigurationCache();
}

// Prints a Leitura X, so that the header can be checked on paper, and waits until the printer
// has finished.
void TfmPrgLote::readingX() {
    if (!printerPresent())
        return;
    CommandSet *set = commands();
    if (!set)
        return;
    DisabledWhileBusy busy({ui->btLX, ui->btSair});
    set->ReadingX();
    set->WaitPrinterIdle();
}

// ---- Files ----

namespace {
FileDialogRequest configurationDialog() {
    return {QStringLiteral("Configurações"), WorkingFolder::subfolder(QStringLiteral("c2k")),
            QStringLiteral("Arquivo de configuração (*.c2k)"), QStringLiteral("c2k")};
}
} // namespace

void TfmPrgLote::save() {
    leaveOptionsPage();
    focusMemoOnHeaderPage();
    QString refusal;
    const QByteArray data = writeC2k(model(), workingCopy(), &refusal);
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

    ProgrammingTables tables = workingCopy();
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
