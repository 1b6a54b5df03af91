#include "printer.h"

#include "check_printer.h"
#include "fiscal_state.h"
#include "printer_internal.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

// The machinery both printers share: cutting the byte stream into frames and looking each frame
// up in the model's table (the controls are in printer_controls.cpp). The models only describe
// their frames and their answers.

namespace emu {

using detail::Esc;
using detail::Gs;

namespace {

// The printer's receive buffer. A terminated frame (a text ended by 0xFF) that grows past it
// without its end is cut here and refused as a syntax error. The longest frame the tool sends
// is the technical intervention with a 1200-byte header, well below.
constexpr qsizetype ReceiveBufferBytes = 2048;

// Fixed-width identity fields, as the printer keeps them in its own memory: text fields are
// left-aligned and space-padded, the ECF number right-aligned and zero-padded.
QByteArray fitLeft(const QByteArray &text, qsizetype width) {
    return text.left(width).leftJustified(width, ' ');
}

QByteArray fitRight(const QByteArray &text, qsizetype width) {
    return text.right(width).rightJustified(width, '0');
}

Identity normalised(const Identity &identity) {
    return {fitLeft(identity.serial, 8), fitLeft(identity.firmware, 4),
            fitRight(identity.ecfNumber, 4)};
}

} // namespace

std::unique_ptr<Printer> Printer::create(Model model, const Identity &identity) {
    std::unique_ptr<Printer> printer =
        model == Model::A ? detail::makeModelA(identity) : detail::makeModelB(identity);
    printer->factoryState = printer->saveState();
    return printer;
}

Printer::Printer(Model model, const Identity &identity)
    : id(normalised(identity)), printerModel(model),
      st(std::make_unique<detail::PrinterState>(model)) {
    st->paper.identity = &id;
}

Printer::~Printer() = default;

Model Printer::model() const {
    return printerModel;
}

void Printer::addCommand(Command command) {
    commands.push_back(std::move(command));
}

const Printer::Command *Printer::findCommand(char lead, int code) const {
    const auto it = std::find_if(commands.begin(), commands.end(), [&](const Command &c) {
        return c.lead == lead && c.code == code;
    });
    return it == commands.end() ? nullptr : &*it;
}

// ---- The line ----

std::vector<Reply> Printer::receive(const QByteArray &bytes) {
    std::vector<Reply> replies;
    bool command = false; // a command frame, which may have changed what the printer keeps
    {
        std::lock_guard lock(mutex);
        if (!isPowered)
            return replies; // a printer that is off hears nothing
        const qsizetype known = frames.size();
        qsizetype pos = 0;
        while (pos < bytes.size() && isPowered) {
            if (std::optional<Reply> reply = takeFrame(bytes, pos))
                replies.push_back(std::move(*reply));
        }
        for (qsizetype i = known; i < frames.size() && !command; ++i)
            command = frames[i].startsWith(Esc);
    }
    if (command) {
        paperMoved();
        stateMayHaveChanged();
    }
    return replies;
}

// Consumes bytes from `bytes` at `pos` (at least one) and returns the reply when they complete
// a frame.
std::optional<Reply> Printer::takeFrame(const QByteArray &bytes, qsizetype &pos) {
    if (partial.isEmpty()) {
        const char lead = bytes[pos++];
        if (lead == Esc || lead == Gs) {
            partial.append(lead);
            return std::nullopt;
        }
        if (const Command *single = findCommand(lead, -1))
            return dispatch(QByteArray(1, lead), single);
        // Anything else between frames (the CR the tool sends to wake the printer before it
        // polls, line noise) is not a frame: the printer skips it without answering.
        return std::nullopt;
    }

    if (partial.size() == 1) {
        const char code = bytes[pos++];
        partial.append(code);
        partialCommand = findCommand(partial[0], static_cast<unsigned char>(code));
        if (!partialCommand) {
            // An unknown command byte leaves the parser without a shape for the frame. It takes
            // what came with the command byte as the frame's parameters (one burst from the
            // tool) and refuses it.
            QByteArray frame = partial + bytes.mid(pos);
            pos = bytes.size();
            partial.clear();
            return dispatch(frame, nullptr);
        }
    }

    const FrameShape &shape = partialCommand->shape;
    bool complete = false;
    if (shape.longest > 0) {
        // The frame ends with the burst it came in, once it has its shortest length.
        const qsizetype take = std::min(shape.longest - partial.size(), bytes.size() - pos);
        partial.append(bytes.mid(pos, take));
        pos += take;
        complete = partial.size() >= shape.length;
    } else if (!shape.terminator) {
        const auto length = [&]() -> qsizetype {
            if (shape.countDigits > 0 && partial.size() >= shape.length) {
                const QByteArray count = partial.mid(2, shape.countDigits);
                if (!detail::allDigits(count))
                    return shape.length;
                return shape.length + qsizetype(detail::number(count)) * shape.recordBytes +
                       shape.trailer;
            }
            const bool flagged = shape.flag && partial.size() > 2 && partial[2] == *shape.flag;
            return shape.length + (flagged ? 1 : 0);
        };
        complete = partial.size() >= length();
        while (!complete && pos < bytes.size()) {
            partial.append(bytes[pos++]);
            complete = partial.size() >= length();
        }
    } else {
        complete = partial.size() >= shape.length && partial.back() == *shape.terminator;
        while (!complete && pos < bytes.size() && partial.size() < ReceiveBufferBytes) {
            partial.append(bytes[pos++]);
            complete = partial.size() >= shape.length && partial.back() == *shape.terminator;
        }
        if (!complete && partial.size() >= ReceiveBufferBytes) {
            QByteArray frame = partial;
            partial.clear();
            partialCommand = nullptr;
            return dispatch(frame, nullptr); // overflow: refused as a syntax error
        }
    }
    if (!complete)
        return std::nullopt;
    const QByteArray frame = partial;
    const Command *command = partialCommand;
    partial.clear();
    partialCommand = nullptr;
    return dispatch(frame, command);
}

Reply Printer::dispatch(const QByteArray &frame, const Command *command) {
    const bool off = frameFaults();
    Reply reply = answerFrame(frame, command);
    if (off) {
        switchOff();
        return {};
    }
    answerFaults(reply);
    return reply;
}

Reply Printer::answerFrame(const QByteArray &frame, const Command *command) {
    frames.append(frame);
    // A silent printer takes the frame off the line but its firmware does nothing with it:
    // no answer, no change of state, and a refusal asked for stays pending.
    if (silent)
        return {};
    // After the firmware update command the printer runs its boot loader, which answers its
    // identity and nothing else until the printer is switched off and on.
    if (st->updateMode && !(command && command->loader))
        return {};
    // While an authentication waits for its slip the firmware watches the slot and the line for
    // a CAN: commands are taken off the line and dropped; status polls are still answered.
    if (st->documents.waiting() && command && command->lead == Esc)
        return {};
    // While a report prints, the printer takes a command off the line at once but acts on it
    // and answers only when the report is out. Status polls are answered at once: that is
    // how the tool learns that the printer is busy.
    const int printingMs = command && command->lead == Esc ? st->remainingPrintMs() : 0;
    Reply reply;
    if (!command) {
        reply = errorAnswer(detail::syntaxError());
    } else if (firmwareHundredths() < command->sinceFirmware) {
        return {};
    } else if (failCode && command->lead == Esc) {
        // The refusal on demand goes to a command. Status polls carry no error code in their
        // answer, and one-byte controls are no commands, so neither takes it.
        reply = errorAnswer(*failCode);
        failCode.reset();
    } else {
        reply = command->handler(frame);
    }
    if (!reply.empty())
        reply.front().pauseMs += delayMs + printingMs;
    return reply;
}

std::vector<Reply> Printer::lineIdle() {
    std::lock_guard lock(mutex);
    // The printer's inter-byte time-out: the unfinished frame is thrown away unanswered.
    partial.clear();
    partialCommand = nullptr;
    return {};
}

bool Printer::ctsOn() const {
    std::lock_guard lock(mutex);
    return isPowered;
}

// ---- Identity ----

void Printer::setIdentity(const Identity &identity) {
    std::lock_guard lock(mutex);
    id = normalised(identity);
}

Identity Printer::identity() const {
    std::lock_guard lock(mutex);
    return id;
}

// ---- Documents ----

void Printer::setDocumentInserted(bool inserted) {
    {
        std::lock_guard lock(mutex);
        st->documents.setInserted(inserted);
    }
    paperMoved(); // a stamp that waited for its slip
}

bool Printer::documentInserted() const {
    std::lock_guard lock(mutex);
    return st->documents.inserted();
}

bool Printer::authenticationWaiting() const {
    std::lock_guard lock(mutex);
    return st->documents.waiting();
}

DocumentView Printer::document() const {
    std::lock_guard lock(mutex);
    return st->documents.view();
}

// A printer that is off, or silent, sends nothing; what it holds goes when it is switched off.
std::vector<Reply> Printer::poll() {
    std::lock_guard lock(mutex);
    if (!isPowered || silent)
        return {};
    std::vector<Reply> answers = st->documents.takeLateAnswers();
    if (detail::CheckPrinter *mechanism = checks())
        for (Reply &reply : mechanism->takeLateAnswers())
            answers.push_back(std::move(reply));
    for (Reply &reply : answers)
        answerFaults(reply);
    return answers;
}

// ---- Observation ----

QList<QByteArray> Printer::receivedFrames() const {
    std::lock_guard lock(mutex);
    return frames;
}

void Printer::clearReceivedFrames() {
    std::lock_guard lock(mutex);
    frames.clear();
}

// ---- Helpers for the models ----

Reply Printer::statusAnswer() const {
    return answer(':' + (statusOverride ? *statusOverride : statusDigits()) + detail::answerEnd());
}

int Printer::firmwareHundredths() const {
    // The leading part of the text that forms a decimal number, as the tool reads it:
    // "1.20" is 1.2, "1.01" is 1.01.
    qsizetype end = 0;
    bool point = false;
    while (end < id.firmware.size()) {
        const char c = id.firmware[end];
        if (c == '.' && !point)
            point = true;
        else if (c < '0' || c > '9')
            break;
        ++end;
    }
    const double value = id.firmware.left(end).toDouble();
    return int(std::lround(value * 100));
}

QByteArray Printer::hexDigits(const std::array<int, 12> &values) {
    QByteArray digits;
    for (int v : values)
        digits.append("0123456789ABCDEF"[v & 0xF]);
    return digits;
}

double wireTimeMs(int bytes) {
    return bytes * 10 * 1000.0 / 9600.0;
}

} // namespace emu
