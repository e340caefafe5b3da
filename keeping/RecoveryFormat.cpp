#include "keeping/RecoveryFormat.h"

#include "platform/SizeText.h"

#include <QDir>
#include <QtEndian>

#include <array>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

constexpr char kMagicLine[] = "Quirebox recovery copy";

// The CRC-32 tables for eight bytes at a time (the reflected polynomial 0xEDB88320).
using CrcTables = std::array<std::array<quint32, 256>, 8>;

constexpr CrcTables makeCrcTables()
{
    CrcTables tables{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
        tables[0][i] = c;
    }
    for (size_t slice = 1; slice < 8; ++slice) {
        for (size_t i = 0; i < 256; ++i) {
            const quint32 previous = tables[slice - 1][i];
            tables[slice][i] = (previous >> 8) ^ tables[0][previous & 0xff];
        }
    }
    return tables;
}

constexpr CrcTables kCrc = makeCrcTables();

bool needsEscape(uchar c)
{
    return c < 0x20 || c == 0x7f || c == '%';
}

QByteArray escapePath(const QString &path)
{
    const QByteArray utf8 = path.toUtf8();
    QByteArray escaped;
    escaped.reserve(utf8.size());
    for (const char c : utf8) {
        if (needsEscape(uchar(c))) {
            escaped += '%';
            escaped += QByteArray::number(uchar(c) | 0x100, 16).toUpper().sliced(1);
        } else {
            escaped += c;
        }
    }
    return escaped;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<QString> parsePath(QByteArrayView value)
{
    QByteArray raw;
    raw.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '%') {
            if (needsEscape(uchar(c)))
                return std::nullopt;
            raw += c;
            continue;
        }
        if (i + 2 >= value.size())
            return std::nullopt;
        const int high = hexDigit(value[i + 1]), low = hexDigit(value[i + 2]);
        // Only what must be escaped is, in capitals: one spelling for each path.
        if (high < 0 || low < 0 || !needsEscape(uchar(high * 16 + low)))
            return std::nullopt;
        raw += char(high * 16 + low);
        i += 2;
    }
    const QString path = QString::fromUtf8(raw);
    if (raw.isEmpty() || raw.contains('\0') || path.toUtf8() != raw || !QDir::isAbsolutePath(path))
        return std::nullopt;
    return path;
}

// Decimal, no sign but a leading '-', no leading zeros: the spelling QByteArray::number gives.
std::optional<qint64> parseNumber(QByteArrayView value, qint64 least)
{
    const bool negative = value.startsWith('-');
    const QByteArrayView digits = negative ? value.sliced(1) : value;
    if (digits.isEmpty() || digits.size() > 18)
        return std::nullopt;
    qint64 number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (negative)
        number = -number;
    if (number < least || QByteArray::number(number) != value)
        return std::nullopt;
    return number;
}

QByteArray timeText(const QDateTime &time)
{
    if (!time.isValid())
        return "none";
    const QDateTime utc = time.toUTC();
    const QDate date = utc.date();
    const QTime clock = utc.time();
    // Outside four-digit years the time cannot be written; unknown is what it then is.
    if (date.year() < 1 || date.year() > 9999)
        return "none";
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", date.year(),
                  date.month(), date.day(), clock.hour(), clock.minute(), clock.second(),
                  clock.msec());
    return text;
}

// An invalid time for "none"; nullopt when the value is no time.
std::optional<QDateTime> parseTime(QByteArrayView value)
{
    if (value == "none")
        return QDateTime();
    static constexpr char pattern[] = "dddd-dd-ddTdd:dd:dd.dddZ";
    if (value.size() != qsizetype(sizeof pattern - 1))
        return std::nullopt;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const bool digit = value[i] >= '0' && value[i] <= '9';
        if (pattern[i] == 'd' ? !digit : value[i] != pattern[i])
            return std::nullopt;
    }
    const auto number = [&](qsizetype from, qsizetype count) {
        int n = 0;
        for (qsizetype i = from; i < from + count; ++i)
            n = n * 10 + (value[i] - '0');
        return n;
    };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime clock(number(11, 2), number(14, 2), number(17, 2), number(20, 3));
    if (!date.isValid() || !clock.isValid())
        return std::nullopt;
    return QDateTime(date, clock, Qt::UTC);
}

std::optional<QByteArray> parseHex(QByteArrayView value, qsizetype size)
{
    if (value.size() != size * 2)
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromHex(value.toByteArray());
    if (bytes.toHex() != value)
        return std::nullopt;
    return bytes;
}

QByteArray checksumText(quint32 value)
{
    return QByteArray::number(value | 0x100000000ull, 16).sliced(1);
}

QByteArray headerBeforeChecksum(const RecoveryCopy &copy)
{
    const NoteFormat &format = copy.format;
    const NoteFingerprint &noteFile = copy.noteFile;
    QByteArray header = kMagicLine;
    header += "\nversion: " + QByteArray::number(kRecoveryVersion);
    header += "\nnote: " + escapePath(copy.notePath);
    header += "\nencoding: ";
    header += format.encoding == TextEncoding::Utf8 ? "UTF-8" : "Windows-1252";
    header += "\nbyte-order-mark: ";
    header += format.byteOrderMark ? "yes" : "no";
    header += "\nline-end: ";
    header += format.lineEnd == LineEnd::CrLf ? "CRLF" : "LF";
    header += "\nnote-size: " + QByteArray::number(noteFile.size);
    header += "\nnote-modified: " + timeText(noteFile.modified);
    header += "\nnote-changed: " + timeText(noteFile.changedMeta);
    header += "\nnote-digest: ";
    header += noteFile.digest.isEmpty() ? QByteArray("none") : noteFile.digest.toHex();
    header += "\ntaken: " + timeText(copy.taken);
    header += "\nlength: " + QByteArray::number(copy.bytes.size()) + '\n';
    return header;
}

QString damagedLineText(const char *key)
{
    return u"Its header is damaged: the line \"%1\" is wrong or missing."_s.arg(
        QLatin1StringView(key));
}

// The lines of a header, read in order.
class HeaderLines
{
public:
    explicit HeaderLines(QByteArrayView bytes) : m_bytes(bytes) {}

    qsizetype position() const { return m_at; }
    bool incomplete() const { return m_incomplete; }

    // The next line, without its LF; nullopt when the bytes end first.
    std::optional<QByteArrayView> next()
    {
        const qsizetype end = m_bytes.indexOf('\n', m_at);
        if (end < 0) {
            m_incomplete = true;
            return std::nullopt;
        }
        const QByteArrayView line = m_bytes.sliced(m_at, end - m_at);
        m_at = end + 1;
        return line;
    }

    // The value of the next line, which must be "key: value".
    std::optional<QByteArrayView> value(const char *key)
    {
        const std::optional<QByteArrayView> line = next();
        const QByteArrayView name(key);
        if (!line || !line->startsWith(name) || !line->sliced(name.size()).startsWith(": "))
            return std::nullopt;
        return line->sliced(name.size() + 2);
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    bool m_incomplete = false;
};

// Puts a parsed value in its place; false when it did not parse.
template <typename Value, typename Place> bool put(std::optional<Value> parsed, Place &place)
{
    if (parsed)
        place = std::move(*parsed);
    return parsed.has_value();
}

// The value of a line that names one of two words: 0 for the first, 1 for the second, -1 else.
int choice(QByteArrayView value, const char *first, const char *second)
{
    return value == first ? 0 : value == second ? 1 : -1;
}

// A line of the header between its version and its checksum, in order: false when the line's
// value is wrong.
struct HeaderField
{
    const char *key;
    bool (*read)(QByteArrayView value, RecoveryHeader &header);
};

const HeaderField kHeaderFields[] = {
    {"note",
     [](QByteArrayView v, RecoveryHeader &h) { return put(parsePath(v), h.copy.notePath); }},
    {"encoding",
     [](QByteArrayView v, RecoveryHeader &h) {
         const int encoding = choice(v, "UTF-8", "Windows-1252");
         h.copy.format.encoding = encoding == 0 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
         return encoding >= 0;
     }},
    {"byte-order-mark",
     [](QByteArrayView v, RecoveryHeader &h) {
         const int mark = choice(v, "no", "yes");
         h.copy.format.byteOrderMark = mark == 1;
         return mark >= 0;
     }},
    {"line-end",
     [](QByteArrayView v, RecoveryHeader &h) {
         const int lineEnd = choice(v, "CRLF", "LF");
         h.copy.format.lineEnd = lineEnd == 0 ? LineEnd::CrLf : LineEnd::Lf;
         return lineEnd >= 0;
     }},
    {"note-size", [](QByteArrayView v,
                     RecoveryHeader &h) { return put(parseNumber(v, -1), h.copy.noteFile.size); }},
    {"note-modified",
     [](QByteArrayView v, RecoveryHeader &h) {
         return put(parseTime(v), h.copy.noteFile.modified);
     }},
    {"note-changed",
     [](QByteArrayView v, RecoveryHeader &h) {
         return put(parseTime(v), h.copy.noteFile.changedMeta);
     }},
    {"note-digest",
     [](QByteArrayView v, RecoveryHeader &h) {
         if (v == "none")
             return put(std::optional(QByteArray()), h.copy.noteFile.digest);
         return !v.isEmpty() && v.size() % 2 == 0 &&
                put(parseHex(v, v.size() / 2), h.copy.noteFile.digest);
     }},
    {"taken", [](QByteArrayView v, RecoveryHeader &h) { return put(parseTime(v), h.copy.taken); }},
    {"length",
     [](QByteArrayView v, RecoveryHeader &h) { return put(parseNumber(v, 0), h.length); }},
};

} // namespace

void RecoveryChecksum::add(QByteArrayView piece)
{
    const auto *p = reinterpret_cast<const uchar *>(piece.data());
    qsizetype n = piece.size();
    quint32 c = m_state;
    while (n >= 8) {
        const quint32 a = qFromLittleEndian<quint32>(p) ^ c;
        const quint32 b = qFromLittleEndian<quint32>(p + 4);
        c = kCrc[7][a & 0xff] ^ kCrc[6][(a >> 8) & 0xff] ^ kCrc[5][(a >> 16) & 0xff] ^
            kCrc[4][a >> 24] ^ kCrc[3][b & 0xff] ^ kCrc[2][(b >> 8) & 0xff] ^
            kCrc[1][(b >> 16) & 0xff] ^ kCrc[0][b >> 24];
        p += 8;
        n -= 8;
    }
    while (n-- > 0)
        c = kCrc[0][(c ^ *p++) & 0xff] ^ (c >> 8);
    m_state = c;
}

QByteArray recoveryHeaderBytes(const RecoveryCopy &copy)
{
    QByteArray header = headerBeforeChecksum(copy);
    RecoveryChecksum checksum;
    checksum.add(header);
    checksum.add(copy.bytes);
    header += "crc-32: " + checksumText(checksum.value()) + "\n\n";
    return header;
}

QByteArray recoveryFileBytes(const RecoveryCopy &copy)
{
    return recoveryHeaderBytes(copy) + copy.bytes;
}

RecoveryHeaderRead readRecoveryHeader(QByteArrayView start)
{
    HeaderLines lines(start);
    RecoveryHeader header;
    // The reason for the first line that fails; a header cut short is told as such.
    const auto fail = [&](const QString &reason) {
        if (lines.incomplete())
            return RecoveryHeaderRead{std::nullopt, u"It is cut short inside its header."_s, true};
        return RecoveryHeaderRead{std::nullopt, reason, false};
    };

    const std::optional<QByteArrayView> magic = lines.next();
    if (!magic && start.size() < qsizetype(sizeof kMagicLine) &&
        QByteArrayView(kMagicLine).startsWith(start))
        return fail({});
    if (!magic || *magic != kMagicLine)
        return {std::nullopt, u"It is not a Quirebox recovery copy."_s, false};
    const auto version = lines.value("version");
    const std::optional<qint64> number = version ? parseNumber(*version, 1) : std::nullopt;
    if (!number)
        return fail(damagedLineText("version"));
    if (*number != kRecoveryVersion)
        return fail(u"It was written by a later version of Quirebox."_s);

    for (const HeaderField &field : kHeaderFields) {
        const auto value = lines.value(field.key);
        if (!value || !field.read(*value, header))
            return fail(damagedLineText(field.key));
    }
    header.checked = lines.position();
    const auto checksum = lines.value("crc-32");
    const std::optional<QByteArray> checksumBytes =
        checksum ? parseHex(*checksum, 4) : std::nullopt;
    if (!checksumBytes)
        return fail(damagedLineText("crc-32"));
    header.checksum = qFromBigEndian<quint32>(checksumBytes->constData());
    const std::optional<QByteArrayView> blank = lines.next();
    if (!blank || !blank->isEmpty())
        return fail(u"Its header is damaged: it does not end in a blank line."_s);
    header.size = lines.position();
    return {std::move(header), {}, false};
}

RecoveryParse parseRecoveryFile(QByteArray file)
{
    RecoveryHeaderRead read = readRecoveryHeader(file);
    if (!read.header)
        return {std::nullopt, read.damage};
    RecoveryHeader &header = *read.header;
    const QByteArrayView body = QByteArrayView(file).sliced(header.size);
    if (body.size() < header.length)
        return {std::nullopt, recoveryCutShortText(body.size(), header.length)};
    if (body.size() > header.length)
        return {std::nullopt, recoveryTooLongText(header.length)};
    RecoveryChecksum checksum;
    checksum.add(QByteArrayView(file).first(header.checked));
    checksum.add(body);
    if (checksum.value() != header.checksum)
        return {std::nullopt, recoveryChecksumText()};
    // Removing from the front only moves where an unshared array starts: no copy of the note.
    file.remove(0, header.size);
    header.copy.bytes = std::move(file);
    return {std::move(header.copy), {}};
}

QString recoveryCutShortText(qint64 held, qint64 length)
{
    return u"It is cut short: it holds %1 of the note's %2."_s.arg(sizeText(held),
                                                                   sizeText(length));
}

QString recoveryTooLongText(qint64 length)
{
    return u"It is damaged: it holds more than the note's %1."_s.arg(sizeText(length));
}

QString recoveryChecksumText()
{
    return u"It is damaged: its checksum does not match what it holds."_s;
}

} // namespace qb
