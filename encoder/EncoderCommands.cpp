#include "encoder/EncoderCommands.h"

#include "app/frmQB.h"
#include "encoder/EncodedNote.h"
#include "encoder/KeyWordCipher.h"
#include "notes/NoteCodec.h"
#include "notes/NoteCommands.h"
#include "platform/BusyCursor.h"
#include "platform/Platform.h"

#include <QAction>

using namespace Qt::StringLiterals;

namespace qb {

void EncoderCommands::T_mnuENCODE_Click()
{
    if (m_window.actions().T_mnuENCODE->text() == u"&Encode")
        EncodeNote();
    else
        DecodeNote();
}

std::optional<QByteArray> EncoderCommands::KeywordBytes(const QString &prompt,
                                                        const QString &title)
{
    Platform &platform = m_window.platform();
    const QString keyword = platform.inputBox(prompt, title, QString());
    if (keyword.isEmpty())
        return std::nullopt;
    // Keywords are taken as Windows-1252 bytes, so notes enciphered on Windows decode alike.
    qsizetype bad = 0;
    std::optional<QByteArray> bytes = EncodeWindows1252(keyword, &bad);
    if (!bytes) {
        const char32_t c = keyword.at(bad).isHighSurrogate() && bad + 1 < keyword.size()
                               ? QChar::surrogateToUcs4(keyword.at(bad), keyword.at(bad + 1))
                               : keyword.at(bad).unicode();
        platform.messageBox(u"The KeyWord holds the character \""_s + QString::fromUcs4(&c, 1)
                                + u"\", which a KeyWord can't hold.\r\nA KeyWord may hold only "
                                  "the characters of the Windows-1252 character set."_s,
                            Platform::Buttons::Ok, Platform::Icon::Exclamation, title);
    }
    return bytes;
}

void EncoderCommands::EncodeNote()
{
    NoteCommands &notes = m_window.notes();
    if (!notes.NoteShown())
        return;
    const QString title = u"Quirebox Encode"_s;
    const std::optional<QByteArray> keyword =
        KeywordBytes(EncodePrompt(notes.CurrentNoteName()), title);
    if (!keyword)
        return;
    const BusyCursor busy(notes.ShownTextSize() >= BusyAboveBytes);
    const NoteBytes plain = notes.CurrentNoteBytes();
    const std::optional<QByteArray> body =
        plain.unencodable ? std::nullopt
                          : KeyWordCipher(plain.bytes, *keyword, CipherDirection::Encipher);
    if (!body) {
        m_window.platform().messageBox(u"Unable to Encode the text."_s, Platform::Buttons::Ok,
                                       Platform::Icon::Critical, u"Encode Error"_s);
        return;
    }
    notes.ShowNoteBytes(EncodedNoteBytes(*body));
    notes.SetNoteStatus(u"Encoded"_s, true);
}

void EncoderCommands::DecodeNote()
{
    NoteCommands &notes = m_window.notes();
    if (!notes.NoteShown())
        return;
    const std::optional<QByteArray> keyword =
        KeywordBytes(DecodePrompt(notes.CurrentNoteName()), u"Quirebox Decode"_s);
    if (!keyword)
        return;
    const BusyCursor busy(notes.ShownTextSize() >= BusyAboveBytes);
    const NoteBytes encoded = notes.CurrentNoteBytes();
    if (encoded.unencodable)
        return;
    const std::optional<QByteArray> plain =
        KeyWordCipher(EncodedBody(encoded.bytes), *keyword, CipherDirection::Decipher);
    // A keyword that drives a code out of range changes nothing, silently.
    if (!plain)
        return;
    notes.ShowNoteBytes(*plain);
    notes.SetNoteStatus(u"Decoded"_s, true);
}

} // namespace qb
