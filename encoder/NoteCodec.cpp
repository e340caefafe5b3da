#include "encoder/NoteCodec.h"

#include "encoder/Utf8Kernels.h"

#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace qb {

using kernels::copyAsciiPrefix;
using kernels::isLineBreak;
using kernels::putUnitsUtf8;
using kernels::PutUnitUtf8;

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

LineEnd detectLineEnd(QByteArrayView bytes)
{
    const qsizetype lf = bytes.indexOf('\n');
    if (lf > 0 && bytes[lf - 1] == '\r')
        return LineEnd::CrLf;
    return lf < 0 ? LineEnd::CrLf : LineEnd::Lf;
}

// Folds the note's line ends into '\n' and puts a stand-in in place of every character the
// editor cannot hold, in place: the text only shrinks.
void placeStandIns(DecodedNote &note)
{
    const bool crLf = note.format.lineEnd == LineEnd::CrLf;
    auto *begin = reinterpret_cast<char16_t *>(note.text.data());
    const char16_t *in = begin;
    const char16_t *end = begin + note.text.size();
    char16_t *out = begin;
    while (in < end) {
        const char16_t c = *in++;
        if (c > u'\r' && c < 0x2028) {
            *out++ = c;
        } else if (crLf && c == u'\r' && in < end && *in == u'\n') {
            ++in;
            *out++ = u'\n';
        } else if (needsStandIn(c, note.format)) {
            note.standIns.append({out - begin, c});
            *out++ = standInFor(c);
        } else {
            *out++ = c;
        }
    }
    note.text.truncate(out - begin);
}

DecodedNote decode(QByteArrayView bytes, const NoteFormat &format, bool strictUtf8)
{
    DecodedNote note;
    note.format = format;
    if (format.encoding == TextEncoding::Utf8 && strictUtf8) {
        note.format.byteOrderMark = format.byteOrderMark && bytes.startsWith(kBom);
        // QString::fromUtf8 would drop a byte order mark that is part of the text: a second one,
        // or one the chosen format does not treat as a mark.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        note.text = decoder.decode(note.format.byteOrderMark ? bytes.sliced(3) : bytes);
    } else {
        note.format.encoding = TextEncoding::Windows1252;
        note.format.byteOrderMark = false;
        note.text = decodeWindows1252(bytes);
    }
    placeStandIns(note);
    return note;
}

// Grows geometrically, so that a note built from many small pieces is not copied over and over.
void ensureCapacity(QByteArray &bytes, qsizetype needed)
{
    if (bytes.capacity() < needed)
        bytes.reserve(std::max(needed, bytes.capacity() * 2));
}

} // namespace

NoteFormat detectNoteFormat(QByteArrayView bytes)
{
    NoteFormat format;
    if (isStrictUtf8(bytes)) {
        format.encoding = TextEncoding::Utf8;
        format.byteOrderMark = bytes.startsWith(kBom);
    } else {
        format.encoding = TextEncoding::Windows1252;
    }
    format.lineEnd = detectLineEnd(bytes);
    return format;
}

DecodedNote decodeNoteBytes(QByteArrayView bytes)
{
    const NoteFormat format = detectNoteFormat(bytes);
    return decode(bytes, format, format.encoding == TextEncoding::Utf8);
}

DecodedNote decodeNoteBytes(QByteArrayView bytes, const NoteFormat &format)
{
    return decode(bytes, format, format.encoding == TextEncoding::Utf8 && isStrictUtf8(bytes));
}

DecodedNote slicedNote(const DecodedNote &note, qsizetype from, qsizetype to)
{
    DecodedNote slice{note.format, note.text.sliced(from, to - from), {}};
    const auto byPosition = [](const StandIn &standIn, qsizetype at) {
        return standIn.position < at;
    };
    const auto first =
        std::lower_bound(note.standIns.cbegin(), note.standIns.cend(), from, byPosition);
    const auto last = std::lower_bound(first, note.standIns.cend(), to, byPosition);
    for (auto standIn = first; standIn != last; ++standIn)
        slice.standIns.append({standIn->position - from, standIn->original});
    return slice;
}

bool needsStandIn(char16_t c, const NoteFormat &format)
{
    switch (c) {
    case u'\r':
    case 0x2028:
    case 0x2029:
    case 0xFDD0:
    case 0xFDD1:
        return true;
    case u'\n':
        return format.lineEnd == LineEnd::CrLf;
    default:
        return false;
    }
}

char16_t standInFor(char16_t original)
{
    switch (original) {
    case u'\r':
        return 0x240D; // SYMBOL FOR CARRIAGE RETURN
    case u'\n':
        return 0x240A; // SYMBOL FOR LINE FEED
    case 0x2028:
        return 0x2424; // SYMBOL FOR NEWLINE
    case 0x2029:
        return 0x00B6; // PILCROW SIGN
    case 0xFDD0:
        return 0x27E6; // the frame marks: white square brackets, opening and closing
    case 0xFDD1:
        return 0x27E7;
    default:
        return original;
    }
}

NoteEncoder::NoteEncoder(const NoteFormat &format, Sink sink, qsizetype pieceSize)
    : NoteEncoder(format)
{
    m_sink = std::move(sink);
    m_pieceSize = pieceSize;
    m_bytes.reserve(pieceSize + 3 * 256);
}

NoteEncoder::NoteEncoder(const NoteFormat &format) : m_format(format)
{
    if (format.encoding == TextEncoding::Utf8 && format.byteOrderMark)
        m_bytes.append(kBom);
}

void NoteEncoder::reserve(qsizetype units)
{
    const qsizetype perUnit = m_format.encoding == TextEncoding::Utf8 ? 3 : 2;
    ensureCapacity(m_bytes, m_bytes.size() + perUnit * units);
}

void NoteEncoder::appendText(QStringView text)
{
    appendEncoded(text, true);
}

void NoteEncoder::appendOriginal(QStringView originals)
{
    appendEncoded(originals, false);
}

void NoteEncoder::appendBytes(QByteArrayView bytes)
{
    if (!ok() || bytes.isEmpty())
        return;
    if (!m_sink) {
        m_bytes.append(bytes);
        return;
    }
    finish();
    m_sink(bytes);
}

QByteArray NoteEncoder::takeBytes()
{
    return std::exchange(m_bytes, {});
}

void NoteEncoder::appendEncoded(QStringView text, bool lineBreaks)
{
    // A long text goes in parts, so that the buffer never holds much more than a piece.
    const qsizetype part = m_sink ? std::max<qsizetype>(m_pieceSize / 3, 1) : text.size();
    while (ok() && !text.isEmpty()) {
        const qsizetype length = std::min(part, text.size());
        // A surrogate pair stays together.
        const qsizetype cut =
            length < text.size() && text[length - 1].isHighSurrogate() ? length + 1 : length;
        if (m_format.encoding == TextEncoding::Utf8)
            appendUtf8(text.first(cut), lineBreaks);
        else
            appendWindows1252(text.first(cut), lineBreaks);
        text = text.sliced(cut);
        flushFullPiece();
    }
}

void NoteEncoder::flushFullPiece()
{
    if (m_sink && m_bytes.size() >= m_pieceSize) {
        m_sink(m_bytes);
        m_bytes.resize(0); // keeps its capacity
    }
}

void NoteEncoder::finish()
{
    if (m_sink && !m_bytes.isEmpty()) {
        m_sink(m_bytes);
        m_bytes.resize(0);
    }
}

void NoteEncoder::appendUtf8(QStringView text, bool lineBreaks)
{
    const bool crLf = m_format.lineEnd == LineEnd::CrLf;
    const qsizetype start = m_bytes.size();
    // Three bytes per code unit is the most UTF-8 or a line end can take (reserve() agrees).
    ensureCapacity(m_bytes, start + 3 * text.size());
    m_bytes.resize(start + 3 * text.size());
    auto *out = reinterpret_cast<unsigned char *>(m_bytes.data() + start);
    const char16_t *in = text.utf16();
    const char16_t *end = in + text.size();
    while (in < end) {
        in = putUnitsUtf8(in, end, out, lineBreaks, crLf);
        const qsizetype ascii = copyAsciiPrefix(in, end, out);
        in += ascii;
        out += ascii;
        if (in == end)
            break;
        const char16_t c = *in++;
        if (!QChar::isSurrogate(c)) {
            out = PutUnitUtf8(out, c, lineBreaks, crLf);
        } else if (QChar::isHighSurrogate(c) && in < end && QChar::isLowSurrogate(*in)) {
            const char32_t u = QChar::surrogateToUcs4(c, *in++);
            *out++ = static_cast<unsigned char>(0xF0 | (u >> 18));
            *out++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            markUnencodable(text, in - 1 - text.utf16());
            break;
        }
    }
    m_bytes.resize(reinterpret_cast<char *>(out) - m_bytes.data());
}

void NoteEncoder::appendWindows1252(QStringView text, bool lineBreaks)
{
    const QByteArray lineEnd = m_format.lineEndBytes();
    const qsizetype start = m_bytes.size();
    // Two bytes per code unit: a CR LF line end (reserve() agrees).
    ensureCapacity(m_bytes, start + 2 * text.size());
    m_bytes.resize(start + 2 * text.size());
    char *out = m_bytes.data() + start;
    const char16_t *const units = text.utf16();
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype ascii =
            copyAsciiPrefix(units + i, units + text.size(), reinterpret_cast<unsigned char *>(out));
        i += ascii;
        out += ascii;
        if (i == text.size())
            break;
        const char16_t c = units[i++];
        if (lineBreaks && isLineBreak(c)) {
            out = std::copy(lineEnd.cbegin(), lineEnd.cend(), out);
        } else if (const std::optional<char> b = windows1252Byte(c)) {
            *out++ = *b;
        } else {
            markUnencodable(text, i - 1);
            break;
        }
    }
    m_bytes.resize(out - m_bytes.data());
}

void NoteEncoder::markUnencodable(QStringView text, qsizetype index)
{
    const char16_t c = text[index].unicode();
    if (QChar::isHighSurrogate(c) && index + 1 < text.size() && text[index + 1].isLowSurrogate())
        m_unencodable = QChar::surrogateToUcs4(c, text[index + 1].unicode());
    else
        m_unencodable = c;
}

void encodeNoteText(const DecodedNote &note, qsizetype from, qsizetype to, NoteEncoder &encoder)
{
    // The editor holds each line break as a paragraph break.
    QString text = note.text.sliced(from, to - from);
    text.replace(u'\n', QChar::ParagraphSeparator);
    const QStringView view(text);
    auto standIn = std::lower_bound(
        note.standIns.cbegin(), note.standIns.cend(), from,
        [](const StandIn &s, qsizetype position) { return s.position < position; });
    qsizetype done = 0;
    for (; standIn != note.standIns.cend() && standIn->position < to && encoder.ok(); ++standIn) {
        const qsizetype at = standIn->position - from;
        encoder.appendText(view.sliced(done, at - done));
        encoder.appendOriginal(QStringView(&standIn->original, 1));
        done = at + 1;
    }
    encoder.appendText(view.sliced(done));
}

} // namespace qb
