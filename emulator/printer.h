#pragma once

#include <QByteArray>
#include <QList>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The printer emulator: a stand-in for the fiscal printer at the far end of the serial line.
// It takes the bytes the tool sends, cuts them into frames, and answers each frame the way
// the real printer does. Everything about the printer's inner working that the protocol
// leaves open is decided here and written down next to where it is decided.
//
// Thread safety: every public function may be called from any thread.

namespace emu {

enum class Model { A /* MV210 */, B /* MV4700 */ };

struct Identity {
    QByteArray serial = "00000000"; // 8 characters
    QByteArray firmware = "1.20";   // 4 characters, as "1.20"
    QByteArray ecfNumber = "0001";  // 4 digits
};

// One piece of an answer: the printer pauses `pauseMs` and then sends `bytes`.
struct Segment {
    int pauseMs = 0;
    QByteArray bytes;
};
// Everything the printer sends in answer to one frame, in order (usually one segment).
using Reply = std::vector<Segment>;

class Printer {
public:
    static std::unique_ptr<Printer> create(Model model, const Identity &identity = {});
    virtual ~Printer();

    Model model() const;

    // ---- The line ----
    // Feeds bytes received from the line; returns one Reply per frame completed by them
    // (an empty Reply when the printer stays silent for that frame).
    std::vector<Reply> receive(const QByteArray &bytes);
    // The line has been idle while an unfinished frame was buffered: the printer drops it.
    std::vector<Reply> lineIdle();
    // Clear To Send as the printer drives it: on while powered.
    bool ctsOn() const;

    // ---- Controls (tests, the control panel and the standalone program) ----
    void setPowered(bool on); // off: CTS off, no answers, partial frames dropped
    bool powered() const;
    void setMaintenanceJumper(bool on);
    bool maintenanceJumper() const;
    void setPaperEnd(bool on);
    void setPaperLow(bool on);
    void setSilent(bool silent);   // powered, but answers nothing
    void setAnswerDelayMs(int ms); // before the first byte of every answer
    int answerDelayMs() const;
    void setPacing(bool on); // answers leave at the line's speed (960 bytes per second)
    bool pacing() const;
    void setIdentity(const Identity &identity);
    Identity identity() const;
    // The next frame is refused with this two-digit error code (once).
    void failNextWith(const QByteArray &code);
    // Status digits reported by the GS poll instead of the ones the state gives.
    void setStatusOverride(std::optional<QByteArray> twelveDigits);

    // ---- Observation ----
    QList<QByteArray> receivedFrames() const; // every complete frame, in order
    void clearReceivedFrames();

protected:
    explicit Printer(Model model, const Identity &identity);

    // ---- What a model describes: its frame table ----
    // The printer's parser knows, from the first two bytes of a frame (ESC or GS and the
    // command byte), where the frame ends: after a fixed number of bytes, or at a terminator
    // byte (0xFF after a text, LF after an authentication text) once a shortest length has
    // been reached.
    struct FrameShape {
        int length = 2;                 // the fixed length, or the shortest length
        std::optional<char> terminator; // set: the frame ends with this byte
        static FrameShape fixed(int length) { return {length, std::nullopt}; }
        static FrameShape endsWith(char terminator, int shortestLength) {
            return {shortestLength, terminator};
        }
    };
    // A handler runs with the printer's lock held: it reads and changes the state freely
    // and must not call the public functions above.
    using Handler = std::function<Reply(const QByteArray &frame)>;
    struct Command {
        char lead = 0; // ESC or GS; or, with `code` -1, a control byte that is a frame alone
        int code = -1; // the command byte (0-255), or -1 for a one-byte frame
        FrameShape shape;
        Handler handler;
        // Firmware older than this (in hundredths: 101 = version 1.01) does not know the frame:
        // the parser still cuts it by its shape, and the printer drops it without answering.
        int sinceFirmware = 0;
    };
    // Each model fills its table once, in its constructor.
    void addCommand(Command command);

    // The model's refusal of a frame with a two-digit error code.
    virtual Reply errorAnswer(const QByteArray &code) const = 0;
    // The twelve status digits that the state gives (the GS poll answers them unless overridden).
    virtual QByteArray statusDigits() const = 0;

    // ---- Helpers for the handlers ----
    static Reply answer(const QByteArray &bytes) { return Reply{Segment{0, bytes}}; }
    // The GS poll's answer, shared by both models: ':' + twelve digits + 0xFF CR.
    Reply statusAnswer() const;
    // The firmware version in hundredths ("1.20" -> 120), read like the tool reads it.
    int firmwareHundredths() const;
    // Twelve values 0-15 as the hexadecimal digits '0'-'9', 'A'-'F'.
    static QByteArray hexDigits(const std::array<int, 12> &values);

    // ---- State (guarded by `mutex`) ----
    Identity id;
    bool isPowered = true;
    bool jumper = false; // maintenance jumper in place: the printer is in maintenance mode
    bool paperEnd = false;
    bool paperLow = false;

private:
    const Command *findCommand(char lead, int code) const;
    std::optional<Reply> takeFrame(const QByteArray &bytes, qsizetype &pos);
    Reply dispatch(const QByteArray &frame, const Command *command);

    const Model printerModel;
    mutable std::mutex mutex;
    std::vector<Command> commands;

    QByteArray partial; // the unfinished frame
    const Command *partialCommand = nullptr;
    bool silent = false;
    int delayMs = 0;
    bool paced = false;
    std::optional<QByteArray> failCode;
    std::optional<QByteArray> statusOverride;
    QList<QByteArray> frames;
};

// The wire time of `bytes` at 9600 baud, 8N1 (10 bits a byte), in milliseconds.
double wireTimeMs(int bytes);

} // namespace emu
