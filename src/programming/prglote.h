#pragma once

#include "programming/edit_data_grids.h"
#include "programming/table_transfer.h"
#include "protocol/records.h"
#include "widgets/tool_window.h"

#include <QString>

#include <memory>

namespace Ui {
class TfmPrgLote;
}
class CommandSet;
class QAbstractButton;
class QKeyEvent;
class QPushButton;
class QTableWidget;
class ToolShell;

// "Parâmetros de Inicialização da Impressora": the working copy of the printer's programming
// tables (tax rates, payment methods, management reports, non-fiscal totalizers, the receipt
// header and the options), edited in seven pages, read back from the printer table by table,
// sent to it one entry at a time, and saved to and imported from .c2k files. The rules of each
// table live in tables.h, table_records.h and table_transfer.h; this window shows the copy and
// wires its controls to them (prglote_printer.cpp holds the actions that reach the printer).
class TfmPrgLote : public ToolWindow {
    Q_OBJECT
public:
    explicit TfmPrgLote(ToolShell *mainWindow);
    ~TfmPrgLote() override;

    // The options block as it stands (rebuilt from the controls whenever the focus leaves the
    // "Configurações 1" page).
    const OptionsBlock &optionsBlock() const { return options; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // ---- Set-up ----
    void connectPages();
    void connectPrinterActions();
    void prepareHeaderEditor();
    void applyModelSetup();
    void placeOptionBoxes();
    void pageShown(int index);
    void showPaymentNotice(bool notice);

    // ---- The working copy in the controls ----
    EditDataCopy workingCopy() const;
    void showTable(const EditDataCopy &copy, ProgrammingTable table);
    void showAll(const ProgrammingTables &tables);
    void showHeader(const QByteArray &header);
    void showOperatorPage(const OperatorPage &page);
    OptionControls optionControls() const;
    void setOptionControls(const OptionControls &controls);
    void rebuildOptions();
    QByteArray headerText() const;
    void boundHeaderMemo();
    void insertTag(QAbstractButton *button, const QByteArray &open, const QByteArray &close);

    // ---- Cell editing ----
    bool flagKey(QTableWidget *grid, QKeyEvent *key);
    void cellSelected(QTableWidget *grid, int column);

    // ---- Clearing ----
    void clearPage(ProgrammingTable table);
    void clearShownTable(ProgrammingTable table);
    void clearEverything();

    // ---- Printer (prglote_printer.cpp) ----
    bool printerPresent() const;
    CommandSet *commands() const;
    uint32_t model() const;
    double firmware() const;
    void readOne(ProgrammingTable table);
    void readAll();
    void readTable(ProgrammingTable table);
    void readBack(ProgrammingTable table);
    void sendTaxRate();
    void sendPaymentMethod();
    void sendReportName();
    void sendTotalizer();
    void sendHeader();
    void sendOptions();
    void sendDaylightSaving();
    void sendOperator();
    void readingX();

    // ---- Files ----
    void save();
    void import();
    void focusMemoOnHeaderPage();
    void leaveOptionsPage();

    std::unique_ptr<Ui::TfmPrgLote> ui;
    std::unique_ptr<EditDataGrids> grids;
    OptionsBlock options{};
    QList<QPushButton *> readButtons;
    QString lastMemoText;          // the memo's text before the edit being checked
    bool boundingMemo = false;     // the memo is being set by the window itself
    bool optionsPageInUse = false; // the user has worked in "Configurações 1" since the
                                   // last rebuild of the options block
    QWidget *shownPage = nullptr;
};
