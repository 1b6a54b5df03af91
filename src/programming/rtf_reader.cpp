#include "programming/rtf_reader.h"

#include <QByteArrayView>

#include <array>
#include <vector>

namespace {

enum class Kind { Character, Destination, Binary, Hex, SkipIfUnknown, Property };

struct Keyword {
    const char *word;
    Kind kind;
};

constexpr Keyword Keywords[] = {
    {"par", Kind::Character},
    {"tab", Kind::Character},
    {"ldblquote", Kind::Character},
    {"rdblquote", Kind::Character},
    {"{", Kind::Character},
    {"}", Kind::Character},
    {"\\", Kind::Character},
    {"\r", Kind::Character},
    {"\n", Kind::Character},
    {"author", Kind::Destination},
    {"buptim", Kind::Destination},
    {"colortbl", Kind::Destination},
    {"comment", Kind::Destination},
    {"creatim", Kind::Destination},
    {"doccomm", Kind::Destination},
    {"fonttbl", Kind::Destination},
    {"footer", Kind::Destination},
    {"footerf", Kind::Destination},
    {"footerl", Kind::Destination},
    {"footerr", Kind::Destination},
    {"footnote", Kind::Destination},
    {"ftncn", Kind::Destination},
    {"ftnsep", Kind::Destination},
    {"ftnsepc", Kind::Destination},
    {"header", Kind::Destination},
    {"headerf", Kind::Destination},
    {"headerl", Kind::Destination},
    {"headerr", Kind::Destination},
    {"info", Kind::Destination},
    {"keywords", Kind::Destination},
    {"operator", Kind::Destination},
    {"pict", Kind::Destination},
    {"printim", Kind::Destination},
    {"private1", Kind::Destination},
    {"revtim", Kind::Destination},
    {"rxe", Kind::Destination},
    {"stylesheet", Kind::Destination},
    {"subject", Kind::Destination},
    {"tc", Kind::Destination},
    {"title", Kind::Destination},
    {"txe", Kind::Destination},
    {"xe", Kind::Destination},
    {"bin", Kind::Binary},
    {"'", Kind::Hex},
    {"*", Kind::SkipIfUnknown},
    {"b", Kind::Property},
    {"u", Kind::Property},
    {"i", Kind::Property},
    {"li", Kind::Property},
    {"ri", Kind::Property},
    {"fi", Kind::Property},
    {"cols", Kind::Property},
    {"sbknone", Kind::Property},
    {"sbkcol", Kind::Property},
    {"sbkeven", Kind::Property},
    {"sbkodd", Kind::Property},
    {"sbkpage", Kind::Property},
    {"pgnx", Kind::Property},
    {"pgny", Kind::Property},
    {"pgndec", Kind::Property},
    {"pgnucrm", Kind::Property},
    {"pgnlcrm", Kind::Property},
    {"pgnucltr", Kind::Property},
    {"pgnlcltr", Kind::Property},
    {"qc", Kind::Property},
    {"ql", Kind::Property},
    {"qr", Kind::Property},
    {"qj", Kind::Property},
    {"paperw", Kind::Property},
    {"paperh", Kind::Property},
    {"margl", Kind::Property},
    {"margr", Kind::Property},
    {"margt", Kind::Property},
    {"margb", Kind::Property},
    {"pgnstart", Kind::Property},
    {"facingp", Kind::Property},
    {"landscape", Kind::Property},
};

const Keyword *lookUp(const QByteArray &word) {
    for (const Keyword &keyword : Keywords) {
        if (word == keyword.word)
            return &keyword;
    }
    return nullptr;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

constexpr int FontPositionBack = 17;
constexpr int FontCount = 10;
constexpr int FontNameLimit = 63;
constexpr qint64 ParameterLimit = 1000000000;

class Reader {
public:
    explicit Reader(const QByteArray &rtf) : data(rtf) {
        end = data.indexOf('\0');
        endedByNul = end >= 0;
        if (!endedByNul)
            end = data.size();
    }

    RtfConversion run() {
        while (pos < end && !stopped) {
            const char ch = data.at(pos++);
            if (hexDigitsLeft > 0) {
                hexCharacter(ch);
                continue;
            }
            switch (ch) {
            case '{':
                groups.push_back(skipping);
                groupSeen = true;
                break;
            case '}':
                if (groups.empty()) {
                    stopped = true;
                    break;
                }
                skipping = groups.back();
                groups.pop_back();
                break;
            case '\\':
                controlWord();
                break;
            case '\r':
            case '\n':
                break;
            default:
                write(QByteArrayView(&ch, 1));
                break;
            }
        }
        RtfConversion result;
        result.text = out;
        result.cut = cut;
        result.complete = stopped || endedByNul || (groupSeen && groups.empty());
        return result;
    }

private:
    void write(QByteArrayView piece) {
        if (skipping || full)
            return;
        if (out.size() + piece.size() > RtfOutputLimit) {
            full = true;
            cut = true;
            return;
        }
        out.append(piece);
    }

    void hexCharacter(char ch) {
        if (ch == '\r' || ch == '\n')
            return;
        const int value = hexValue(ch);
        if (value < 0) {
            stopped = true;
            return;
        }
        hexByte = (hexByte << 4) | value;
        // A zero byte would end the text wherever it is stored: it is left out.
        if (--hexDigitsLeft == 0 && hexByte != 0) {
            const char byte = char(hexByte);
            write(QByteArrayView(&byte, 1));
        }
    }

    void controlWord() {
        if (pos >= end)
            return;
        QByteArray word;
        bool hasParameter = false;
        qint64 parameter = 0;
        if (!isLetter(data.at(pos))) {
            word = QByteArray(1, data.at(pos++));
        } else {
            while (pos < end && isLetter(data.at(pos)))
                word.append(data.at(pos++));
            if (pos < end && isDigit(data.at(pos))) {
                hasParameter = true;
                while (pos < end && isDigit(data.at(pos))) {
                    parameter = qMin(parameter * 10 + (data.at(pos) - '0'), ParameterLimit);
                    ++pos;
                }
            }
            if (pos < end && data.at(pos) == ' ')
                ++pos;
        }
        translate(word);
        if (word == "fcharset")
            recordFont();
        if (!skipping)
            writeTag(word, hasParameter, parameter);
    }

    void translate(const QByteArray &word) {
        const Keyword *keyword = lookUp(word);
        if (!keyword) {
            if (skipIfUnknown)
                skipping = true;
            skipIfUnknown = false;
            return;
        }
        skipIfUnknown = false;
        switch (keyword->kind) {
        case Kind::Character:
            write("\r\n");
            break;
        case Kind::Destination:
            skipping = true;
            break;
        case Kind::Binary:
            stopped = true;
            break;
        case Kind::Hex:
            // Inside a skipped group the escape is not decoded: its digits are skipped text.
            if (!skipping) {
                hexDigitsLeft = 2;
                hexByte = 0;
            }
            break;
        case Kind::SkipIfUnknown:
            if (!skipping)
                skipIfUnknown = true;
            break;
        case Kind::Property:
            break;
        }
    }

    void recordFont() {
        const qsizetype digitAt = pos - FontPositionBack;
        if (digitAt < 0 || !isDigit(data.at(digitAt)))
            return;
        QByteArray name;
        for (qsizetype i = pos; i < end && data.at(i) != ';' && name.size() < FontNameLimit; ++i)
            name.append(data.at(i));
        fonts[data.at(digitAt) - '0'] = name;
    }

    void writeTag(const QByteArray &word, bool hasParameter, qint64 parameter) {
        if (word == "b") {
            write(hasParameter ? "</N>" : "<N>");
        } else if (word == "ul") {
            if (!hasParameter)
                write("<S>");
        } else if (word == "ulnone") {
            write("</S>");
        } else if (word == "f" && hasParameter && parameter < FontCount) {
            const QByteArray &name = fonts[parameter];
            if (name == "Korvel Exp") {
                write("<W>");
                expandedOpen = true;
            } else if (name == "Courier New" && expandedOpen) {
                write("</W>");
                expandedOpen = false;
            }
        }
    }

    const QByteArray &data;
    qsizetype pos = 0;
    qsizetype end = 0;
    bool endedByNul = false;
    bool stopped = false;
    bool groupSeen = false;
    std::vector<bool> groups;
    bool skipping = false;
    bool skipIfUnknown = false;
    int hexDigitsLeft = 0;
    int hexByte = 0;
    std::array<QByteArray, FontCount> fonts;
    bool expandedOpen = false;
    QByteArray out;
    bool full = false;
    bool cut = false;
};

} // namespace

RtfConversion rtfToTaggedText(const QByteArray &rtf) {
    return Reader(rtf).run();
}
