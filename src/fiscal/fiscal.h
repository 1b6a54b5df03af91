#pragma once

#include "fiscal/programming_lists.h"
#include "widgets/tool_window.h"

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace Ui {
class TfmFiscal;
}
class MacroRecorder;
class ThreadMacroPlay;

// "Vendas e Comprovantes": the hub of the fiscal documents. It opens a coupon and prints a
// Leitura X itself, opens the document windows (refreshing the programming lists they offer
// first, where they need them), and records the frames the printer accepts into a command
// macro file (.b2k) that it can play back, in a loop if wanted.
class TfmFiscal : public ToolWindow {
    Q_OBJECT
public:
    explicit TfmFiscal(QWidget *mainWindow);
    ~TfmFiscal() override;

    // The printer's tax rates, payment methods, totalizers and reports, for the document
    // windows to offer.
    ProgrammingLists &programmingLists() { return lists; }

    // The window that the button `buttonName` (btVendeItem, btCancelamento, ...) shows; with
    // `refreshListsFirst` the programming lists are read again first when they may be stale.
    void setDocumentWindow(const char *buttonName, QWidget *window, bool refreshListsFirst);

    // Reads the programming lists again when a printer is present and the cached
    // configuration is no longer valid; a failure is reported. Recording is paused meanwhile.
    void refreshProgrammingLists();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct DocumentWindow {
        QPointer<QWidget> window;
        bool refreshFirst = false;
    };

    void loadListsOnShow();
    void openDocumentWindow(const QString &buttonName);
    void openCoupon();
    void readingX();

    void macroRec();
    void macroPause();
    void macroPlay();
    // Closes a recording (with its terminator unless paused), asks a playback to end, and
    // puts the buttons and the lamp back to rest.
    void macroStop();
    void recordingFailed();
    void playbackEnded();
    void setMacroButtons(bool atRest);
    void ledTick();
    void loopChanged(const QString &text);
    void sair();

    std::unique_ptr<Ui::TfmFiscal> ui;
    ProgrammingLists lists;
    QHash<QString, DocumentWindow> documents;
    std::shared_ptr<MacroRecorder> recorder;
    ThreadMacroPlay *player = nullptr;
    bool waitingForPlayer = false;
    QTimer *ledTimer;
};
