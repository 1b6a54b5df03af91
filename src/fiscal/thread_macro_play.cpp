#include "fiscal/thread_macro_play.h"

#include "link/serial_new.h"
#include "protocol/command_set.h"

ThreadMacroPlay::ThreadMacroPlay(uint32_t modelCode, QByteArray macro, int count, View v)
    : model(modelCode), data(std::move(macro)), passes(count), view(std::move(v)) {
}

ThreadMacroPlay::~ThreadMacroPlay() {
    terminateAndWait();
}

void ThreadMacroPlay::work() {
    MacroPlayer::Hooks hooks;
    hooks.stopRequested = [this] { return isInterruptionRequested(); };
    hooks.refused = [this](const QByteArray &answer) {
        bool goOn = false;
        runOnUiThread([&] {
            goOn =
                view.refused ? view.refused(answer) : MacroPlayer::askAfterRefusal(model, answer);
        });
        return goOn;
    };
    hooks.passDone = [this](int remaining) {
        if (view.passesLeft)
            runOnUiThread([&] { view.passesLeft(remaining); });
    };
    MacroPlayer player(printerLink(), commandSetFor(model), model, hooks);
    end = player.play(data, passes);
    sent = player.framesSent();
    data.clear(); // the file's data is released as soon as it has been played
}
