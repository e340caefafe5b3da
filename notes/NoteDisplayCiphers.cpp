// The shown note as the Encode and Decode commands and the passphrase commands see it.
#include "notes/NoteDisplay.h"

#include "editor/NoteBytesCache.h"
#include "editor/NoteDocument.h"
#include "editor/NoteText.h"
#include "editor/NoteView.h"
#include "notes/NotePassphrase.h"
#include "notes/NoteSession.h"

using namespace Qt::StringLiterals;

namespace qb {

bool NoteDisplay::isShown() const
{
    return m_session.isShown();
}

QString NoteDisplay::noteName() const
{
    return m_session.noteName();
}

CipherDirection NoteDisplay::cipherCommand() const
{
    return m_session.cipherCommand();
}

NoteBytes NoteDisplay::noteBytes() const
{
    return m_document.bytes(m_session.format());
}

std::optional<QByteArray> NoteDisplay::knownEncodedBytes() const
{
    return m_session.knownBytes();
}

void NoteDisplay::showCiphered(const QByteArray &bytes, CipherDirection done)
{
    const DecodedNote note = decodeNoteBytes(bytes);
    const bool enciphered = done == CipherDirection::Encipher;
    m_keyword.reset();
    m_session.takeForm(note.format, enciphered ? std::optional(bytes) : std::nullopt);
    if (enciphered)
        m_session.keepSecret();
    showNote(note);
    m_session.SetNoteStatus(enciphered ? NoteStatus::Encoded : NoteStatus::Decoded);
}

void NoteDisplay::holdKeyword(SecretBytes keyword)
{
    m_keyword = std::make_shared<const SecretBytes>(std::move(keyword));
}

QString NoteDisplay::notePath() const
{
    return m_session.path();
}

ProtectedNote::Protection NoteDisplay::protection() const
{
    return m_session.protection();
}

QByteArray NoteDisplay::ageFileBytes() const
{
    // Not value_or: the note's bytes from the editor are worked out only when none are known.
    if (const std::optional<QByteArray> &known = m_session.knownBytes())
        return *known;
    return noteBytes().bytes;
}

std::shared_ptr<const SecretBytes> NoteDisplay::heldPassphrase() const
{
    return m_passphrase.held();
}

void NoteDisplay::keepEncrypted(SecretBytes passphrase)
{
    m_keyword.reset();
    m_session.takeForm(m_session.format());
    m_session.setProtection(NoteSession::Protection::Decrypted);
    m_session.keepSecret();
    m_passphrase.hold(std::move(passphrase));
    m_session.SetNoteStatus(NoteStatus::Decrypted);
    // The file holds the note in the clear, or encrypted with another passphrase.
    m_session.mustBeSaved();
}

void NoteDisplay::showDecrypted(DecodedNote note, SecretBytes passphrase)
{
    m_keyword.reset();
    auto held = std::make_shared<SecretBytes>(std::move(passphrase));
    const auto decrypted = [this, format = note.format, held] {
        m_session.takeForm(format);
        m_session.setProtection(NoteSession::Protection::Decrypted);
        m_session.keepSecret();
        m_passphrase.hold(std::move(*held));
        m_session.SetNoteStatus(NoteStatus::Decrypted);
    };
    if (note.text.size() < kAsyncLoadBytes) {
        showNote(note);
        decrypted();
        return;
    }
    // A large note goes in piece by piece, as a large note is read, the window answering
    // meanwhile; keys typed meanwhile wait for it. Its armour is no longer shown.
    {
        const NoteSession::Replacing replacing(m_session);
        m_document.clear();
    }
    beginBusy();
    fillInPieces(note, 0, decrypted);
}

void NoteDisplay::removeEncryption()
{
    m_session.removeEncryption();
    m_session.takeForm(m_session.format());
    // Saved in the clear from now on: the next save has something to write.
    m_session.SetNoteStatus(NoteStatus::Changed);
}

} // namespace qb
