// The waits while the printer prints: until it is idle again, and the fiscal memory reading,
// whose text arrives for as long as the printer takes to send it.
#include "protocol/frame_io.h"

#include "core/clock.h"
#include "core/global.h"
#include "link/erros.h"
#include "protocol/frame_io_internal.h"
#include "protocol/frame_layout.h"

#include <cctype>

namespace FrameIO {

using FrameLayouts::Id;
using internal::bytesOf;
using internal::frameOf;

namespace {

// The number of empty waits after which a fiscal memory reading counts as ended by silence:
// 30 waits of 2000 ms, a minute in which the printer sent nothing at all.
constexpr int SilentWaitsBeforeGivingUp = 30;

} // namespace

bool waitPrinterIdle(Link &link, uint32_t modelCode, int digit, bool (*idle)(uint8_t value)) {
    {
        // A lone CR first, sent without waiting for an answer.
        Session session(link);
        session.send(frameOf(modelCode, Id::IdleCr));
    }
    // No overall limit: the printer may print for minutes, and it is polled for as long as it
    // answers. Each poll is an exchange of its own, so the identification may come between.
    for (;;) {
        Clock::sleep(1500);
        QByteArray answer;
        {
            Session session(link);
            session.send(frameOf(modelCode, Id::StatusPoll));
            answer = session.wait(WaitNormal);
            if (answer.isEmpty()) {
                Clock::sleep(1500);
                answer = session.wait(WaitNormal);
            }
        }
        if (answer.isEmpty())
            return false;
        // An answer that ends before the digit tells nothing: poll again.
        if (answer.size() > digit && idle(statusDigitValue(uint8_t(answer[digit]))))
            return true;
    }
}

bool readFiscalMemory(Link &link, const FiscalMemoryFrame &model, const char start[6],
                      const char end[6], char destination, const CommandSet::FiscalMemorySink &sink,
                      CommandSet::ReadingEnd *how) {
    using ReadingEnd = CommandSet::ReadingEnd;
    const auto finish = [how](ReadingEnd result) {
        if (how)
            *how = result;
        return result == ReadingEnd::Complete;
    };
    const char kind = char(std::toupper(uint8_t(destination)));
    if (kind != 'X' && kind != 'S')
        return finish(ReadingEnd::Failed);

    const QByteArray frame = frameOf(model.modelCode, Id::ReadFiscalMemory,
                                     {QByteArray(1, destination), field(start, 6), field(end, 6)});

    if (kind == 'X') {
        // The printer prints the reading; its answer tells nothing the technician would not
        // see on paper, so the tool only waits for the print to end.
        transact(link, frame, WaitNormal);
        waitPrinterIdle(link, model.modelCode, model.idleDigit, model.idle);
        return finish(ReadingEnd::Complete);
    }

    if (model.pauseBeforeMs > 0)
        Clock::sleep(model.pauseBeforeMs);

    // The whole reading is one exchange: the report comes in chunks, each fetched by one more
    // short wait, and no other frame may come between them. The sink runs meanwhile, so it
    // must not show messages.
    ReadingEnd result = ReadingEnd::Silent;
    QByteArray refused;
    bool incomplete = false;
    {
        Session session(link);
        session.send(frame);
        qint64 received = 0;
        int silentWaits = 0;
        bool first = true;
        for (;;) {
            const QByteArray chunk = session.wait(WaitShort);
            if (chunk.isEmpty()) {
                // The printer pauses while it reads its memory; only a minute without a single
                // byte ends the reading. It then did not end with its end mark, and is reported
                // so instead of passing for a complete reading.
                if (++silentWaits >= SilentWaitsBeforeGivingUp)
                    break;
                continue;
            }
            silentWaits = 0;
            received += chunk.size();
            if (first && isErrorAnswer(model.modelCode, chunk)) {
                // The printer refused the reading: its error answer is not report text.
                refused = chunk;
                result = ReadingEnd::Failed;
                break;
            }
            const bool last = chunk.endsWith(QByteArray("\xFF\r", 2));
            const qsizetype textEnd = chunk.size() - (last ? 2 : 0);
            qsizetype textStart = 0;
            if (first) {
                // A first chunk that ends inside its header is not a reading.
                if (textEnd < model.headerLength) {
                    incomplete = true;
                    result = ReadingEnd::Failed;
                    break;
                }
                textStart = model.headerLength;
                first = false;
            }
            const QByteArray text = pcText(model.modelCode, chunk.constData() + textStart,
                                           int(textEnd - textStart), model.rawText);
            if (sink)
                sink(text, received);
            if (last) {
                result = ReadingEnd::Complete;
                break;
            }
        }
    }
    if (!refused.isEmpty())
        CheckResponseFor(model.modelCode, int(refused.size()), bytesOf(refused));
    else if (incomplete)
        showIncompleteAnswer();
    return finish(result);
}

} // namespace FrameIO
