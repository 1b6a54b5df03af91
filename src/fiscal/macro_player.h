#pragma once

#include "fiscal/macro_file.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class CommandSet;
class Link;

// Plays a command macro (.b2k data, header included) against the printer: each line is
// decoded into the link's transmit buffer, the number of the document opened last is put
// into the frames that refer to it, the frame is sent and its answer awaited, and the
// document number of every document opened is kept in CurrentCOO. After a Leitura X (and
// model A's management report) the player waits until the printer is idle again.
//
// Widget-free and run on the playback thread; what must happen on the window thread goes
// through the hooks.
class MacroPlayer {
public:
    struct Hooks {
        // The termination request (the window's Stop), asked before each frame, between the
        // answer tries and before the idle wait.
        std::function<bool()> stopRequested;
        // The printer refused a frame: show its error and ask whether to go on (true).
        std::function<bool(const QByteArray &answer)> refused;
        // A pass has been played: the passes still to run.
        std::function<void(int remaining)> passDone;
    };
    enum class End {
        Done,     // every pass played to the end of the data or the terminator
        Stopped,  // termination asked
        NoAnswer, // the printer answered nothing, after the retries
        Declined, // a frame was refused and the user chose not to go on
        BadLine,  // a line too long for the transmit buffer, or without its CR: not sent
    };

    // Answer waits after a silent first one, each after a pause of RetryPauseMs.
    static constexpr int Retries = 3;
    static constexpr int RetryPauseMs = 1000;

    MacroPlayer(Link &link, CommandSet *commands, uint32_t modelCode, Hooks hooks);

    // Plays `passes` passes and switches the traffic viewer feed back on at the end.
    End play(const QByteArray &data, int passes);
    // One pass over the data.
    End playPass(const QByteArray &data);

    int framesSent() const { return sent; }

    // What the user is told about a line that cannot be played (line 1 is the header).
    static QString badLineMessage(MacroFile::LineStatus status, int lineNumber);
    // The macro file at `path` for a printer of `modelCode`, or nothing when it cannot be read
    // or was recorded for the other model (the error has been shown, caption "Erro").
    static std::optional<QByteArray> load(const QString &path, uint32_t modelCode);
    // What the user is told once a playback has ended: a printer that stopped answering
    // without a word of its own ended the sequence before its end.
    static void tellEnd(End end);
    // The model's error box for a refused answer, then "Deseja continuar?"; true to go on.
    static bool askAfterRefusal(uint32_t modelCode, const QByteArray &answer);

private:
    bool stopRequested() const { return hooks.stopRequested && hooks.stopRequested(); }
    // Sends one frame and waits for its answer, with the retries; empty when none came or
    // termination was asked meanwhile (`stopped` set).
    QByteArray exchange(const QByteArray &frame, bool &stopped);

    Link &link;
    CommandSet *commands;
    uint32_t model;
    Hooks hooks;
    int sent = 0;
};
