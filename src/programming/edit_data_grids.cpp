#include "programming/edit_data_grids.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <algorithm>

namespace {

constexpr int RowHeight = 20;

// A cell of a fixed column: shown like a title, never selected or edited.
void setFixedCell(QTableWidget *grid, int row, int column, const QString &text) {
    QTableWidgetItem *item = gridItem(grid, row, column);
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

} // namespace

QTableWidgetItem *gridItem(QTableWidget *grid, int row, int column) {
    QTableWidgetItem *item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, column, item);
    }
    return item;
}

void setGridCell(QTableWidget *grid, int row, int column, const QString &text) {
    if (row < grid->rowCount() && column < grid->columnCount())
        gridItem(grid, row, column)->setText(text);
}

QString gridCell(const QTableWidget *grid, int row, int column) {
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

void focusGridCell(QTableWidget *grid, int row, int column) {
    if (grid->rowCount() <= row)
        return;
    grid->setFocus();
    grid->setCurrentCell(row, column);
    grid->scrollToItem(gridItem(grid, row, column));
}

DisabledWhileBusy::DisabledWhileBusy(QList<QWidget *> controls) : controls(std::move(controls)) {
    for (QWidget *control : this->controls)
        control->setEnabled(false);
}

DisabledWhileBusy::~DisabledWhileBusy() {
    for (QWidget *control : controls)
        control->setEnabled(true);
}

EditDataGrids::EditDataGrids(QTableWidget *taxRates, QTableWidget *payments, QTableWidget *reports,
                             QTableWidget *totalizers)
    : tax(taxRates), payments(payments), reports(reports), totalizers(totalizers) {
}

void EditDataGrids::build(std::function<int()> paymentDescriptionLength) {
    prepareGrid(tax, 3, TaxRateRows + 1);
    setTitles(tax,
              {QStringLiteral("  Alíq."), QStringLiteral("       %"), QStringLiteral("  ISS")});
    tax->setColumnWidth(0, 60);
    tax->setColumnWidth(1, 80);
    tax->setColumnWidth(2, 50);
    for (int row = 1; row <= TaxRateRows; ++row)
        setFixedCell(tax, row, 0, taxCodeText(row));
    fitGrid(tax, TaxRateRows);

    prepareGrid(payments, 3, 0);
    payments->setColumnWidth(0, 70);
    payments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    prepareGrid(reports, 2, ReportRows + 1);
    setTitles(reports, {QStringLiteral(" Número"), QStringLiteral("              Descrição")});
    reports->setColumnWidth(0, 70);
    reports->setColumnWidth(1, 190);
    for (int row = 1; row <= ReportRows; ++row)
        setFixedCell(reports, row, 0, reportNumberText(row));
    fitGrid(reports, ReportRows);

    prepareGrid(totalizers, 3, TotalizerRows + 1);
    setTitles(totalizers, {QStringLiteral(" Número"), QStringLiteral("         Descrição"),
                           QStringLiteral(" E/S")});
    totalizers->setColumnWidth(0, 80);
    totalizers->setColumnWidth(1, 170);
    totalizers->setColumnWidth(2, 40);
    for (int row = 1; row <= TotalizerRows; ++row)
        setFixedCell(totalizers, row, 0, totalizerNumberText(row));
    fitGrid(totalizers, TotalizerRows);

    tax->setItemDelegate(new CellEditorDelegate(tax, [](int column) {
        return column == 1 ? CellEditor{QStringLiteral("00,00%; "), 0, QStringLiteral("//,//%")}
                           : CellEditor{};
    }));
    payments->setItemDelegate(new CellEditorDelegate(
        payments, [length = std::move(paymentDescriptionLength)](int column) {
            if (column == 0)
                return CellEditor{QStringLiteral(" FP00; "), 0, QString()};
            return CellEditor{QString(), length(), QString()};
        }));
    for (QTableWidget *names : {reports, totalizers})
        names->setItemDelegate(new CellEditorDelegate(names, [](int) {
            return CellEditor{QString(), 21, QString()};
        }));
    for (QTableWidget *grid : all())
        grid->setEditTriggers(GridEditingOn);
}

void EditDataGrids::applyPaymentLayout(int columns, int rows) {
    payments->setColumnCount(columns);
    payments->setRowCount(rows);
    setTitles(payments, {QStringLiteral(" Número"), QStringLiteral("              Descrição"),
                         QStringLiteral("  V/N")});
    payments->setColumnWidth(1, 150);
    if (columns > 2)
        payments->setColumnWidth(2, 35);
    fitGrid(payments, PaymentRowsModelA);
}

void EditDataGrids::showTaxRates(const ProgrammingTables &t) {
    for (int k = 0; k < TaxRateRows; ++k) {
        setGridCell(tax, k + 1, 1, t.taxRates[k].rate);
        setGridCell(tax, k + 1, 2, t.taxRates[k].iss);
    }
}

void EditDataGrids::showPayments(const ProgrammingTables &t) {
    for (int row = 1; row < payments->rowCount(); ++row) {
        const PaymentRow entry = t.payments.value(row - 1);
        setGridCell(payments, row, 0, entry.number);
        setGridCell(payments, row, 1, entry.description);
        setGridCell(payments, row, 2, entry.linked);
    }
    payments->scrollToTop();
}

void EditDataGrids::showReports(const ProgrammingTables &t) {
    for (int k = 0; k < ReportRows; ++k)
        setGridCell(reports, k + 1, 1, t.reports[k].name);
}

void EditDataGrids::showTotalizers(const ProgrammingTables &t) {
    for (int k = 0; k < TotalizerRows; ++k) {
        setGridCell(totalizers, k + 1, 1, t.totalizers[k].name);
        setGridCell(totalizers, k + 1, 2, t.totalizers[k].direction);
    }
}

void EditDataGrids::readInto(ProgrammingTables &t) const {
    for (int k = 0; k < TaxRateRows; ++k) {
        t.taxRates[k].rate = gridCell(tax, k + 1, 1);
        t.taxRates[k].iss = gridCell(tax, k + 1, 2);
    }
    t.payments.clear();
    for (int row = 1; row < payments->rowCount(); ++row)
        t.payments.append(
            {gridCell(payments, row, 0), gridCell(payments, row, 1),
             payments->columnCount() > 2 ? gridCell(payments, row, 2) : QStringLiteral("    N")});
    for (int k = 0; k < ReportRows; ++k)
        t.reports[k].name = gridCell(reports, k + 1, 1);
    for (int k = 0; k < TotalizerRows; ++k) {
        t.totalizers[k].name = gridCell(totalizers, k + 1, 1);
        t.totalizers[k].direction = gridCell(totalizers, k + 1, 2);
    }
}
