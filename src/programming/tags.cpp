#include "programming/tags.h"

#include <cstring>

namespace {

constexpr uint32_t ModelCodeA = 2;
constexpr char Esc = 27;
constexpr char ShiftOut = 14; // SO: expanded for one line
constexpr char ShiftIn = 15;  // SI: condensed on
constexpr char Dc2 = 18;      // condensed off
constexpr char Dc4 = 20;

struct TagCodes {
    QByteArrayView tag;
    QByteArrayView modelB;
    QByteArrayView modelA;
};

// In the order the tags are tried.
const TagCodes Tags[] = {
    {"<W>", "\033W1", "\033W1"},  {"</W>", "\033W0", "\033W0"}, {"<S>", "\033-1", "\033-1"},
    {"</S>", "\033-0", "\033-0"}, {"<N>", "\033E1", "\033E"},   {"</N>", "\033E0", "\033F"},
    {"<C>", "\017", "\017"},      {"</C>", "\022", "\022"},     {"<W1>", "\016", "\016"},
};

} // namespace

QByteArray taggedTextToPrinter(uint32_t model, const QByteArray &tagged) {
    QByteArray out;
    out.reserve(tagged.size());
    const QByteArrayView input(tagged);
    qsizetype i = 0;
    while (i < input.size()) {
        if (input.at(i) == '<') {
            bool matched = false;
            for (const TagCodes &t : Tags) {
                if (input.sliced(i).startsWith(t.tag)) {
                    out.append(model == ModelCodeA ? t.modelA : t.modelB);
                    i += t.tag.size();
                    matched = true;
                    break;
                }
            }
            if (matched)
                continue;
        }
        out.append(input.at(i++));
    }
    return out;
}

QByteArray printerToTaggedText(uint32_t model, const QByteArray &codes) {
    const bool modelA = model == ModelCodeA;
    QByteArray out;
    out.reserve(codes.size() + codes.size() / 2);
    const qsizetype n = codes.size();
    // The byte at `i`, or nothing when it is past the data or is the end mark: an escape
    // sequence never swallows the end mark.
    auto parameterAt = [&](qsizetype i) -> int {
        if (i >= n || codes.at(i) == HeaderEndMark)
            return -1;
        return uint8_t(codes.at(i));
    };
    qsizetype i = 0;
    while (i < n) {
        const char byte = codes.at(i);
        if (byte == HeaderEndMark) {
            out.append(byte);
            break;
        }
        switch (byte) {
        case '\n':
            out.append("\r\n");
            ++i;
            continue;
        case '\r':
        case Dc4:
            ++i;
            continue;
        case ShiftOut:
            out.append("<W1>");
            ++i;
            continue;
        case ShiftIn:
            out.append("<C>");
            ++i;
            continue;
        case Dc2:
            out.append("</C>");
            ++i;
            continue;
        case Esc:
            break;
        default:
            out.append(byte);
            ++i;
            continue;
        }

        // ESC and what follows it.
        const int command = parameterAt(i + 1);
        if (command < 0) {
            ++i; // a lone ESC
            continue;
        }
        auto withParameter = [&](const char *on, const char *off) {
            const int value = parameterAt(i + 2);
            if (value < 0) {
                i += 2;
                return;
            }
            out.append((value & 1) ? on : off);
            i += 3;
        };
        switch (command) {
        case 'W':
            withParameter("<W>", "</W>");
            break;
        case '-':
            withParameter("<S>", "</S>");
            break;
        case 'G':
            withParameter("<N>", "</N>");
            break;
        case 'E':
            if (modelA) {
                out.append("<N>");
                i += 2;
            } else {
                withParameter("<N>", "</N>");
            }
            break;
        case 'F':
            if (modelA)
                out.append("</N>");
            i += 2;
            break;
        case ShiftOut:
            out.append("<W1>");
            i += 2;
            break;
        default:
            i += 2;
            break;
        }
    }
    return out;
}

QByteArray taggedTextFromCliche(uint32_t model, const ClicheRecord &record) {
    const qsizetype length = qMin<qsizetype>(record.length, sizeof record.text);
    const QByteArray codes(reinterpret_cast<const char *>(record.text), length);
    QByteArray text = printerToTaggedText(model, codes);
    const qsizetype mark = text.indexOf(HeaderEndMark);
    if (mark >= 0)
        text.truncate(mark);
    return text;
}

bool clicheForSending(uint32_t model, const QByteArray &ecfNumber, const QByteArray &tagged,
                      ClicheRecord &record) {
    const QByteArray codes = taggedTextToPrinter(model, tagged + HeaderEndMark);
    if (codes.size() > qsizetype(sizeof record.text))
        return false;
    for (int i = 0; i < 4; ++i)
        record.ecfNumber[i] = i < ecfNumber.size() ? uint8_t(ecfNumber.at(i)) : ' ';
    std::memset(record.text, 0, sizeof record.text);
    std::memcpy(record.text, codes.constData(), size_t(codes.size()));
    record.length = uint32_t(codes.size());
    return true;
}
