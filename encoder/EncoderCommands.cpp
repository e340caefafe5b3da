#include "encoder/EncoderCommands.h"

#include "encoder/CipherNote.h"
#include "encoder/EncodedNote.h"
#include "platform/LongCommand.h"
#include "platform/Platform.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {

void EncoderCommands::toggleEncoding()
{
    if (m_note.cipherCommand() == CipherDirection::Encipher)
        EncodeNote();
    else
        DecodeNote();
}

std::optional<QByteArray> EncoderCommands::keywordBytes(const QString &prompt, const QString &title)
{
    const QString keyword = m_platform.inputBox(prompt, title, QString());
    if (keyword.isEmpty())
        return std::nullopt;
    // Keywords are taken as Windows-1252 bytes, so notes enciphered on Windows decode alike.
    qsizetype bad = 0;
    std::optional<QByteArray> bytes = encodeWindows1252(keyword, &bad);
    if (!bytes) {
        const char32_t c = keyword.at(bad).isHighSurrogate() && bad + 1 < keyword.size()
                               ? QChar::surrogateToUcs4(keyword.at(bad), keyword.at(bad + 1))
                               : keyword.at(bad).unicode();
        m_platform.messageBox(u"The KeyWord holds the character \""_s + QString::fromUcs4(&c, 1) +
                                  u"\", which a KeyWord can't hold.\r\nA KeyWord may hold only "
                                  "the characters of the Windows-1252 character set."_s,
                              Platform::Buttons::Ok, Platform::Icon::Exclamation, title);
    }
    return bytes;
}

void EncoderCommands::EncodeNote()
{
    if (!m_note.isShown())
        return;
    const QString title = u"Quirebox Encode"_s;
    const std::optional<QByteArray> keyword = keywordBytes(encodePrompt(m_note.noteName()), title);
    if (!keyword)
        return;
    const NoteBytes plain = m_note.noteBytes();
    const LongCommand command(plain.bytes.size() >= kLongCommandBytes);
    const std::optional<QByteArray> body =
        plain.unencodable ? std::nullopt
                          : KeyWordCipher(plain.bytes, *keyword, CipherDirection::Encipher);
    if (!body) {
        m_platform.messageBox(u"Unable to Encode the text."_s, Platform::Buttons::Ok,
                              Platform::Icon::Critical, u"Encode Error"_s);
        return;
    }
    m_note.showCiphered(encodedNoteBytes(*body), CipherDirection::Encipher);
}

void EncoderCommands::DecodeNote()
{
    if (!m_note.isShown())
        return;
    const std::optional<QByteArray> keyword =
        keywordBytes(decodePrompt(m_note.noteName()), u"Quirebox Decode"_s);
    if (!keyword)
        return;
    // The bytes read or enciphered, while the text is as they left it; else the editor's.
    QByteArray encoded;
    if (const std::optional<QByteArray> known = m_note.knownEncodedBytes()) {
        encoded = *known;
    } else {
        const NoteBytes fromEditor = m_note.noteBytes();
        if (fromEditor.unencodable)
            return;
        encoded = fromEditor.bytes;
    }
    const LongCommand command(encoded.size() >= kLongCommandBytes);
    const std::optional<QByteArray> plain =
        KeyWordCipher(encodedBody(encoded), *keyword, CipherDirection::Decipher);
    // A keyword that drives a code out of range changes nothing, silently.
    if (!plain)
        return;
    m_note.showCiphered(*plain, CipherDirection::Decipher);
    SecretBytes held(keyword->size());
    std::copy(keyword->cbegin(), keyword->cend(), held.data());
    m_note.holdKeyword(std::move(held));
}

} // namespace qb
