#pragma once

#include "core/worker_thread.h"
#include "fiscal/macro_player.h"

#include <QByteArray>

#include <atomic>
#include <functional>

// Plays a command macro on its own thread (MacroPlayer), so that the fiscal window stays
// usable for its Stop button. The refusal question and the count of passes left are run on
// the window thread while this thread waits for them.
class ThreadMacroPlay : public WorkerThread {
public:
    struct View {
        // The printer refused a frame: show the error and ask whether to go on.
        std::function<bool(const QByteArray &answer)> refused;
        std::function<void(int remaining)> passesLeft;
    };
    ThreadMacroPlay(uint32_t modelCode, QByteArray data, int passes, View view);
    ~ThreadMacroPlay() override;

    // Asks the player to end (it ends at its next frame, retry or idle wait); does not wait.
    // terminateAndWait() also waits for the end.
    void requestStop() { requestInterruption(); }

    MacroPlayer::End outcome() const { return end.load(); }
    int framesSent() const { return sent.load(); }

protected:
    void work() override;

private:
    uint32_t model;
    QByteArray data;
    int passes;
    View view;
    std::atomic<MacroPlayer::End> end{MacroPlayer::End::Stopped};
    std::atomic<int> sent{0};
};
