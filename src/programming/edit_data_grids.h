#pragma once

#include "programming/tables.h"

#include <QAbstractItemView>
#include <QList>
#include <QString>

#include <functional>

class QTableWidget;
class QTableWidgetItem;
class QWidget;

// The four grids of Edit Data: tax rates, payment methods, management reports and non-fiscal
// totalizers. Each keeps the title row as its row 0, hidden, with the titles shown in the
// horizontal header (which stays in place while a grid scrolls); row k is entry k, and the
// first column is column 0. The cells hold their texts exactly as the tables define them.
class EditDataGrids {
public:
    EditDataGrids(QTableWidget *taxRates, QTableWidget *payments, QTableWidget *reports,
                  QTableWidget *totalizers);

    // Sizes, titles, fixed first columns and in-place editors; `paymentDescriptionLength`
    // is asked each time a payment description is edited (it depends on the model).
    void build(std::function<int()> paymentDescriptionLength);
    // The payment grid for the model: two columns and 33 rows, or three and 17.
    void applyPaymentLayout(int columns, int rows);

    void showTaxRates(const ProgrammingTables &tables);
    void showPayments(const ProgrammingTables &tables);
    void showReports(const ProgrammingTables &tables);
    void showTotalizers(const ProgrammingTables &tables);
    // The grids' part of the working copy.
    void readInto(ProgrammingTables &tables) const;

    QList<QTableWidget *> all() const { return {tax, payments, reports, totalizers}; }

private:
    QTableWidget *tax, *payments, *reports, *totalizers;
};

// Cells made on demand.
QTableWidgetItem *gridItem(QTableWidget *grid, int row, int column);
void setGridCell(QTableWidget *grid, int row, int column, const QString &text);
QString gridCell(const QTableWidget *grid, int row, int column);
// Selects the cell and gives the grid the focus (nothing when the grid has no such row).
void focusGridCell(QTableWidget *grid, int row, int column);

// The ways a cell edit starts in the editable columns.
inline constexpr QAbstractItemView::EditTriggers GridEditingOn =
    QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;

// Disables the controls it is given while it lives, and enables them again on every path.
class DisabledWhileBusy {
public:
    explicit DisabledWhileBusy(QList<QWidget *> controls);
    ~DisabledWhileBusy();
    DisabledWhileBusy(const DisabledWhileBusy &) = delete;
    DisabledWhileBusy &operator=(const DisabledWhileBusy &) = delete;

private:
    QList<QWidget *> controls;
};
