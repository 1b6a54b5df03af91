#pragma once

#include "protocol/bank_table.h"
#include "protocol/records.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class CommandSet;
class Link;

// Initialising a printer from a configuration file (.c2k) in one pass: a technical
// intervention that clears the printer's programming (and, when asked, writes the ECF number
// and the receipt header), then the options, tax rates, payment methods, management report
// names (model B), non-fiscal totalizers and, on model B, the bank table of its check printer.
// The Send Data window gathers the user's choices into a SendDataRequest and hands the run to
// runSendData; the window only mirrors what the run tells its SendDataView.

namespace SendDataText {
extern const QString NoPrinter;       // caption "Erro"
extern const QString FileMissing;     // the configuration file cannot be read, caption "Erro"
extern const QString OldFileAtChoice; // an old file chosen, caption "Erro"
extern const QString OldFileAtRun;    // an old file at "Continuar", caption "Erro"
extern const QString WrongModel;      // a file of the other model chosen, caption "Aviso"
extern const QString EmptyCliche;     // question, caption "Atenção", Yes/No with No the default
extern const QString Done;            // the run succeeded, caption "Aviso"
// The file's header is longer than the printer takes in one intervention, caption "Erro".
QString headerTooLong(int length);
// The serial-numbered copy could not be written, caption "Erro".
QString copyNotWritten(const QString &path);
// Instead of Done when the configuration went out but the bank table could not be read:
// the file (`path`, empty when none was chosen) and why, caption "Aviso".
QString bankTableNotSent(const QString &path, const QString &reason);
} // namespace SendDataText

// ---- Choosing the file ----

// What the window does with a chosen file: keep its name (and show the file's ECF number) or
// empty the name field after showing the message.
struct ChosenConfiguration {
    bool keep = false;
    QString ecfNumber; // when kept: the file's four digits, "0000" read as "0001"
    QString message;   // shown when not empty
    QString caption;
};
// `data`: the file's bytes, or nothing when it could not be read. Checked in this order: the
// file can be read; it is not an old file; it is whole (shorter than its layout: the
// configuration file message of the Edit Data window); it belongs to `model`.
ChosenConfiguration examineConfiguration(const std::optional<QByteArray> &data, uint32_t model);

// The same for the file at `path` (an empty path cannot be read).
ChosenConfiguration examineConfigurationFile(const QString &path, uint32_t model);

// The whole content of the file at `path`, or nothing when it cannot be opened.
std::optional<QByteArray> readWholeFile(const QString &path);

// The four characters at the file's ECF number field; "0000" is "0001".
QString ecfNumberOfFile(const QByteArray &data);

// The ECF number field as four characters: the digits typed, zero-filled on the left when the
// user left positions blank ("12" is "0012").
QByteArray ecfNumberField(const QString &text);

// The number after `ecf` for the next printer of a series: 10000 + number + 1, with 20000
// taken as 10001, of which the last four digits (9999 is followed by 0001).
QString nextEcfNumber(const QString &ecf);

// "_4700NS" (model B) or "_210NS" (model A), the serial number and ".c2k".
QString serialCopyName(uint32_t model, const QString &serial);

// The bank table file at `path` for sending, or why it cannot be sent (`reason`: none chosen,
// missing, unreadable or empty).
std::optional<QByteArray> readBankTableFile(const QString &path, QString &reason);

// ---- The printer part ----

struct SendDataSettings {
    uint32_t model = 0;
    QByteArray ecfNumber = "0001";       // four characters
    bool sendCliche = true;              // the intervention carries the ECF number and the header
    bool daylightSaving = false;         // the options' byte 2
    std::optional<QByteArray> bankTable; // sent on model B when present
};

// The printer part has seven steps, each worth PerStep on the progress bar: the intervention,
// the options, the tax rates, the payment methods, the report names, the totalizers and the
// bank table.
namespace SendDataProgress {
constexpr int Steps = 7;
constexpr int PerStep = 10;
constexpr int Maximum = Steps * PerStep; // 70
} // namespace SendDataProgress

// Sends the configuration `image` (a whole current .c2k file, already checked) to the printer,
// step by step in the order of SendDataProgress; a step runs only when the one before succeeded,
// and within a step the first operation that fails ends the run (it has shown the printer's error).
// `advanced` is called after each step that succeeded with the steps done so far. A refused
// bank table shows its code here. `cliche` is the header record for the intervention (used
// when settings.sendCliche). Returns the number of steps that succeeded (7: all of them).
int sendConfiguration(CommandSet &commands, Link &link, const QByteArray &image,
                      const SendDataSettings &settings, ClicheRecord &cliche,
                      const std::function<void(int stepsDone)> &advanced = {});

// ---- The whole run ----

// The window's side of the run.
class SendDataView {
public:
    virtual ~SendDataView() = default;
    virtual void setButtonsEnabled(bool enabled) = 0; // "Continuar" and "Sair"
    // Shows "Aguarde..." and the progress bar at `value` (0 to 70) and repaints.
    virtual void showProgress(int value) = 0;
    virtual void hideProgress() = 0;
};

struct SendDataRequest {
    uint32_t model = 0;
    bool printerPresent = false;
    QString serial;            // as identified
    QString configurationPath; // edArqConf
    QString ecfNumber;         // meNumECF
    bool sendCliche = true;
    bool daylightSaving = false;
    bool increment = true;
    bool sendBankTable = false;
    QString bankTablePath; // edArqBancos
    bool writeSerialCopy = true;
    QString workingFolder; // where the serial-numbered copy goes
};

struct SendDataResult {
    bool completed = false; // every step succeeded
    int progress = 0;       // the progress bar's last value
    QString ecfNumber;      // what the ECF number field shows after the run
    QString copyPath;       // the serial-numbered copy written, if any
};

// The run of "Continuar":
//  1. no printer: NoPrinter;
//  2. read the file (FileMissing; OldFileAtRun; an incomplete file or a file of the other
//     model is refused as at the choice); when the bank table goes too (model B, box checked),
//     read it now. A table that cannot be read does not stop the run: the configuration is
//     what the user came for. Its step then sends nothing, and the run ends with
//     bankTableNotSent instead of Done;
//  3. the ECF number into the file image;
//  4. buttons disabled;
//  5. an empty header with "Enviar Clichê" asks EmptyCliche (No ends the run); a header too
//     long for the intervention ends it with headerTooLong;
//  6. the header record; 7. the progress shown at 0; 8. sendConfiguration;
//  9. on success with "Incremento Automático" the ECF number moves on; 10. Done (or
//     bankTableNotSent);
//  11. with "Gerar Arq. Configuração com Núm. de Série" the image is written to the
//      serial-numbered copy in the working folder (copyNotWritten when that fails);
//  12. whatever happened after step 4: buttons enabled, progress hidden.
SendDataResult runSendData(const SendDataRequest &request, CommandSet *commands, Link &link,
                           SendDataView &view);
