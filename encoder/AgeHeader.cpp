// The age header: its version line, stanzas and MAC line, read strictly enough that writing a
// parsed header again gives the same bytes.
#include "encoder/AgeArmour.h"
#include "encoder/AgeFile.h"

using namespace Qt::StringLiterals;

namespace qb {

namespace {

constexpr QByteArrayView kVersionLine = "age-encryption.org/v1";
constexpr QByteArrayView kVersionFamily = "age-encryption.org/";
constexpr QByteArrayView kStanzaPrefix = "-> ";
constexpr QByteArrayView kMacPrefix = "---";
constexpr qsizetype kBodyLineChars = 64;
constexpr qsizetype kMacChars = 43;

// An argument is one or more printable ASCII characters other than the space.
bool isArgument(QByteArrayView arg)
{
    return !arg.isEmpty() &&
           std::all_of(arg.begin(), arg.end(), [](char c) { return c >= 33 && c <= 126; });
}

class HeaderLines
{
public:
    explicit HeaderLines(QByteArrayView bytes) : m_bytes(bytes) {}
    // The next line without its LF; false when the bytes end before one.
    bool next(QByteArrayView &line)
    {
        const qsizetype lf = m_bytes.indexOf('\n', m_at);
        if (lf < 0)
            return false;
        m_start = m_at;
        line = m_bytes.sliced(m_at, lf - m_at);
        m_at = lf + 1;
        return true;
    }
    qsizetype lineStart() const { return m_start; }
    qsizetype at() const { return m_at; }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    qsizetype m_start = 0;
};

AgeHeaderParse malformed(const QString &message)
{
    return {{AgeStatus::Malformed, message}, {}, 0, 0, false};
}

} // namespace

AgeHeaderParse parseAgeHeader(QByteArrayView binary)
{
    const AgeHeaderParse endedEarly = {
        {AgeStatus::Truncated, u"The file ends inside its header."_s}, {}, 0, 0, true};
    HeaderLines lines(binary);
    QByteArrayView line;
    if (!binary.startsWith(kVersionFamily))
        return {{AgeStatus::NotAgeFile, u"This is not an age file."_s}, {}, 0, 0, false};
    if (!lines.next(line))
        return endedEarly;
    if (line != kVersionLine)
        return malformed(u"The file is of an age version this program does not read."_s);

    AgeHeaderParse parse;
    while (lines.next(line)) {
        if (line.startsWith(kMacPrefix)) {
            if (parse.header.stanzas.isEmpty())
                return malformed(u"The header names no recipient."_s);
            const QByteArrayView mac = line.sliced(kMacPrefix.size());
            std::optional<QByteArray> bytes;
            if (mac.size() == kMacChars + 1 && mac.startsWith(' '))
                bytes = age::decodeUnpadded(mac.sliced(1));
            if (!bytes)
                return malformed(u"The header's MAC line is malformed."_s);
            parse.header.mac = *bytes;
            parse.macCovers = lines.lineStart() + kMacPrefix.size();
            parse.length = lines.at();
            return parse;
        }
        if (!line.startsWith(kStanzaPrefix))
            return malformed(u"A header line is neither a stanza nor the MAC."_s);
        AgeStanza stanza;
        for (QByteArrayView rest = line.sliced(kStanzaPrefix.size());;) {
            const qsizetype space = rest.indexOf(' ');
            const QByteArrayView arg = space < 0 ? rest : rest.first(space);
            if (!isArgument(arg))
                return malformed(u"A stanza's arguments are malformed."_s);
            stanza.arguments.append(arg.toByteArray());
            if (space < 0)
                break;
            rest = rest.sliced(space + 1);
        }
        // The body's lines are full but for the last, which may be empty.
        for (;;) {
            if (!lines.next(line))
                return endedEarly;
            const std::optional<QByteArray> bytes =
                line.size() <= kBodyLineChars ? age::decodeUnpadded(line) : std::nullopt;
            if (!bytes)
                return malformed(u"A stanza's body is not canonical base64."_s);
            stanza.body += *bytes;
            if (line.size() < kBodyLineChars)
                break;
        }
        parse.header.stanzas.append(std::move(stanza));
    }
    return endedEarly;
}

QByteArray serializeAgeHeader(const AgeHeader &header, bool withMac)
{
    QByteArray out = kVersionLine.toByteArray() + '\n';
    for (const AgeStanza &stanza : header.stanzas) {
        out += kStanzaPrefix;
        out += stanza.arguments.join(' ') + '\n';
        const QByteArray body = age::encodeUnpadded(stanza.body);
        for (qsizetype at = 0;; at += kBodyLineChars) {
            out += QByteArrayView(body).sliced(at, std::min(kBodyLineChars, body.size() - at));
            out += '\n';
            if (body.size() - at < kBodyLineChars)
                break;
        }
    }
    out += kMacPrefix;
    if (withMac)
        out += ' ' + age::encodeUnpadded(header.mac) + '\n';
    return out;
}

} // namespace qb
