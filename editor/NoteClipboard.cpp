// The note's text on the clipboard, and text from another program as a note holds it.
#include "editor/NoteText.h"

#include <QDataStream>
#include <QIODevice>

namespace qb {

QString originalText(const DecodedNote &text)
{
    QString plain = text.text;
    for (const StandIn &standIn : text.standIns)
        plain[standIn.position] = QChar(standIn.original);
    return plain;
}

DecodedNote pastedNoteText(QStringView text)
{
    // A note whose line ends are LF needs stand-ins for exactly the characters that break no
    // line here once "\r\n" is taken as one line break.
    const NoteFormat lineFeeds{TextEncoding::Utf8, false, LineEnd::Lf};
    DecodedNote result;
    result.text.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue; // the LF that follows breaks the line
        if (needsStandIn(c, lineFeeds)) {
            result.standIns.append({result.text.size(), c});
            result.text.append(QChar(standInFor(c)));
        } else {
            result.text.append(QChar(c));
        }
    }
    return result;
}

QByteArray noteTextMimeData(const DecodedNote &text)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << quint32(1) << text.text << quint32(text.standIns.size());
    for (const StandIn &standIn : text.standIns)
        out << qint64(standIn.position) << quint16(standIn.original);
    return data;
}

std::optional<DecodedNote> parseNoteTextMimeData(const QByteArray &data)
{
    QDataStream in(data);
    quint32 version = 0, count = 0;
    DecodedNote text;
    in >> version >> text.text >> count;
    if (in.status() != QDataStream::Ok || version != 1 || count > quint32(text.text.size()))
        return std::nullopt;
    for (quint32 i = 0; i < count; ++i) {
        qint64 position = 0;
        quint16 original = 0;
        in >> position >> original;
        const qint64 previous = text.standIns.isEmpty() ? -1 : text.standIns.last().position;
        // Each at its own place, ascending, on the picture of the character it stands for.
        if (in.status() != QDataStream::Ok || position <= previous ||
            position >= text.text.size() || standInFor(original) == original ||
            text.text[position] != QChar(standInFor(original)))
            return std::nullopt;
        text.standIns.append({position, original});
    }
    if (!in.atEnd())
        return std::nullopt;
    return text;
}

} // namespace qb
