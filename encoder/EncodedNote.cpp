#include "encoder/EncodedNote.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {

bool IsNoteEncoded(QByteArrayView noteBytes)
{
    // No item longer than the quoted header can be it: the rest of a long first line is not
    // looked at.
    const qsizetype most = std::min(noteBytes.size(), EncodedHeader.size() + 3);
    qsizetype end = 0;
    while (end < most && noteBytes[end] != ',' && noteBytes[end] != '\r' &&
           noteBytes[end] != '\n') {
        ++end;
    }
    QByteArrayView item = noteBytes.first(end);
    if (item.size() >= 2 && item.front() == '"' && item.back() == '"')
        item = item.sliced(1, item.size() - 2);
    return item == EncodedHeader;
}

QByteArray encodedNoteBytes(QByteArrayView cipherBody)
{
    QByteArray bytes;
    bytes.reserve(kEncodedBodyStart + cipherBody.size());
    bytes.append(EncodedHeader);
    bytes.append("\r\n");
    bytes.append(cipherBody);
    return bytes;
}

QByteArrayView encodedBody(QByteArrayView noteBytes)
{
    if (noteBytes.size() <= kEncodedBodyStart)
        return {};
    return noteBytes.sliced(kEncodedBodyStart);
}

namespace {

QString keywordPrompt(const QString &question, const QString &versionLabel, const QString &noteName)
{
    return question + u"\r\n\""_s + noteName + u".txt\"\r\n\r\n"_s + versionLabel +
           QString::fromLatin1(CipherVersion);
}

} // namespace

QString encodePrompt(const QString &noteName)
{
    return keywordPrompt(u"Insert the KeyWord to encode the file: "_s, u"Encoder Version: "_s,
                         noteName);
}

QString decodePrompt(const QString &noteName)
{
    return keywordPrompt(u"Insert the KeyWord to decode the file: "_s, u"Decoder Version: "_s,
                         noteName);
}

} // namespace qb
