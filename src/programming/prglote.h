#pragma once

#include "programming/tables.h"
#include "protocol/records.h"
#include "widgets/tool_window.h"

#include <QString>

#include <memory>

namespace Ui {
class TfmPrgLote;
}
class CommandSet;
class QAbstractButton;
class QPushButton;
class QTableWidget;
class ToolMainWindow;

// "Parâmetros de Inicialização da Impressora": the working copy of the printer's programming
// tables (tax rates, payment methods, management reports, non-fiscal totalizers, the receipt
// header and the options), edited in seven pages, read back from the printer table by table,
// sent to it one entry at a time, and saved to and imported from .c2k files.
//
// The grids keep the title row as their row 0, hidden, with the titles shown in the horizontal
// header (which stays in place while a grid scrolls); row k of a grid is entry k, and the
// first column is column 0. The cells hold their texts exactly as the tables define them.
class TfmPrgLote : public ToolWindow {
    Q_OBJECT
public:
    explicit TfmPrgLote(ToolMainWindow *mainWindow);
    ~TfmPrgLote() override;

    // The options block as it stands (rebuilt from the controls whenever the focus leaves the
    // "Configurações 1" page).
    const OptionsBlock &optionsBlock() const { return options; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Table { TaxRates, Payments, Reports, Totalizers, Header, Options, Operator };

    // ---- Set-up ----
    void buildGrids();
    void applyModelSetup();
    void placeOptionBoxes();
    void pageShown(int index);
    void showPaymentNotice(bool notice);
    void focusGrid(QTableWidget *grid, int row, int column);

    // ---- The working copy in the controls ----
    ProgrammingTables workingCopy() const;
    void showTaxRates(const ProgrammingTables &tables);
    void showPayments(const ProgrammingTables &tables);
    void showReports(const ProgrammingTables &tables);
    void showTotalizers(const ProgrammingTables &tables);
    void showHeader(const QByteArray &header);
    void showAll(const ProgrammingTables &tables);
    OptionControls optionControls() const;
    void setOptionControls(const OptionControls &controls);
    void rebuildOptions();
    QByteArray headerText() const;
    void boundHeaderMemo();

    // ---- Cell editing ----
    bool flagKey(QTableWidget *grid, QKeyEvent *key);
    void cellSelected(QTableWidget *grid, int column);

    // ---- Clearing ----
    void clearPage(Table table);
    void clearTable(Table table);
    void clearEverything();

    // ---- Printer ----
    bool printerPresent() const;
    CommandSet *commands() const;
    uint32_t model() const;
    double firmware() const;
    void readOne(Table table);
    void readAll();
    void readTable(Table table);
    void setReadButtonsEnabled(bool enabled);
    void sendTaxRate();
    void sendPaymentMethod();
    void sendReportName();
    void sendTotalizer();
    void sendHeader();
    void sendOptions();
    void sendDaylightSaving();
    void sendOperator();
    void readingX();
    void insertTag(QAbstractButton *button, const QByteArray &open, const QByteArray &close);

    // ---- Files ----
    void save();
    void import();
    void focusMemoOnHeaderPage();
    void leaveOptionsPage();

    std::unique_ptr<Ui::TfmPrgLote> ui;
    OptionsBlock options{};
    QList<QPushButton *> readButtons;
    QString lastMemoText;          // the memo's text before the edit being checked
    bool boundingMemo = false;     // the memo is being set by the window itself
    bool optionsPageInUse = false; // the user has worked in "Configurações 1" since the
                                   // last rebuild of the options block
    QWidget *shownPage = nullptr;
};
