#include "notes/NoteSession.h"

#include "notes/NoteNames.h"
#include "notes/NoteSaver.h"
#include "platform/SizeText.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qb {

QString noteStatusText(NoteStatus status)
{
    switch (status) {
    case NoteStatus::Unchanged:
        return u"Unchanged"_s;
    case NoteStatus::Changed:
        return u"Changed"_s;
    case NoteStatus::Encoded:
        return u"Encoded"_s;
    case NoteStatus::Decoded:
        return u"Decoded"_s;
    case NoteStatus::Encrypted:
        return u"Encrypted"_s;
    case NoteStatus::Decrypted:
        return u"Decrypted"_s;
    }
    return {};
}

NoteSession::NoteSession(QObject *parent) : QObject(parent) {}

QString NoteSession::noteName() const
{
    return noteNameOf(QFileInfo(m_path).fileName());
}

NoteSession::Loaded NoteSession::load(const QString &path)
{
    LoadedNote read = m_file.read(path);
    if (!read.error.isEmpty()) {
        setShown({});
        return {{}, ShowableNote::Kind::Plain, read.error};
    }
    // Edits of the note shown before end here, under its own path.
    setEdited(false);
    m_path = path;
    m_file.take(read.fingerprint, std::move(read.keptBytes));
    ShowableNote &showable = read.showable;
    // An encoded note is deciphered from the bytes read, not from the editor's text.
    adopt(showable.kind, showable.note.format, std::move(showable.fileBytes));
    return {std::move(showable.note), showable.kind, {}};
}

void NoteSession::beginLoading(const QString &path)
{
    // No note is shown whole meanwhile, but the editor is never without one: it stays on, and
    // keeps the keyboard.
    forgetShownNote();
    m_path = path;
    setLoading(true);
    Q_EMIT shownChanged();
}

void NoteSession::adoptLoaded(const NoteFingerprint &fingerprint, ShowableNote::Kind kind,
                              const NoteFormat &format, std::optional<QByteArray> fileBytes)
{
    // Read in the background, the note is too large for its bytes to be kept beside its text.
    m_file.take(fingerprint, std::nullopt);
    adopt(kind, format, std::move(fileBytes));
}

void NoteSession::adopt(ShowableNote::Kind kind, const NoteFormat &format,
                        std::optional<QByteArray> fileBytes)
{
    m_format = format;
    setEdited(false);
    m_knownBytes = std::move(fileBytes);
    setProtection(kind == ShowableNote::Kind::Encrypted ? Protection::Armour : Protection::None);
    setSecret(kind != ShowableNote::Kind::Plain);
    setLoading(false);
    Q_EMIT shownChanged();
}

void NoteSession::setProtection(Protection protection)
{
    if (m_protection == protection)
        return;
    // The file is to be written in another form: no Undo of the text takes that back.
    m_settled.reset();
    m_protection = protection;
    Q_EMIT protectionChanged(protection);
}

void NoteSession::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    Q_EMIT loadingChanged(loading);
}

void NoteSession::forgetNote()
{
    setShown({});
    // Written directly: Save and the caption keep the state the emptied editor left.
    m_status = NoteStatus::Unchanged;
    Q_EMIT statusChanged(m_status);
}

WriteResult NoteSession::save(NoteSaver &saver)
{
    const WriteResult written = m_file.write(saver);
    // Bytes that reached the file keep its text in the saver's form, whether or not all went
    // well.
    if (written.ok() || written.replaced)
        m_format = saver.format();
    if (written.ok()) {
        // A decoded note is written as the clear text it shows, a decrypted one encrypted.
        setSecret(noteKindOf(saver.head()) != ShowableNote::Kind::Plain);
        setEdited(false);
        SetNoteStatus(NoteStatus::Unchanged);
        Q_EMIT saved(m_path);
    }
    return written;
}

void NoteSession::takeForm(const NoteFormat &format, std::optional<QByteArray> encodedBytes)
{
    m_format = format;
    m_knownBytes = std::move(encodedBytes);
}

void NoteSession::takeFile(const NoteFingerprint &fingerprint, const QByteArray &bytes)
{
    m_file.take(fingerprint, bytes);
    fileChangedElsewhere();
}

void NoteSession::fileChangedElsewhere()
{
    m_settled.reset();
}

void NoteSession::settleAsRead()
{
    setEdited(false);
    SetNoteStatus(NoteStatus::Unchanged);
}

void NoteSession::keepSecret()
{
    setSecret(true);
}

void NoteSession::removeEncryption()
{
    setProtection(Protection::None);
    setSecret(false);
}

void NoteSession::setSecret(bool secret)
{
    if (m_secret == secret)
        return;
    m_secret = secret;
    Q_EMIT secrecyChanged(secret);
}

void NoteSession::SetNoteStatus(NoteStatus status)
{
    switch (status) {
    case NoteStatus::Unchanged:
        setSaveEnabled(false);
        setCipherCommand(CipherDirection::Encipher);
        break;
    case NoteStatus::Changed:
        setSaveEnabled(true);
        break;
    case NoteStatus::Decoded:
        setCipherCommand(CipherDirection::Encipher);
        break;
    case NoteStatus::Encoded:
        setCipherCommand(CipherDirection::Decipher);
        break;
    case NoteStatus::Encrypted:
    case NoteStatus::Decrypted:
        break;
    }
    m_status = status;
    Q_EMIT statusChanged(status);
}

void NoteSession::DisableNoteSave()
{
    setSaveEnabled(false);
}

void NoteSession::mustBeSaved()
{
    m_settled.reset();
    setSaveEnabled(true);
}

void NoteSession::textChanged(bool backToSettled)
{
    // What shows while a note loads is the program's, and no edit: the status waits for the end.
    if (m_loading)
        return;
    if (m_replacing > 0) {
        // No Undo goes back across the program's text.
        m_settled.reset();
        SetNoteStatus(NoteStatus::Changed);
        return;
    }
    if (backToSettled && m_edited && m_settled) {
        const Settled settled = *m_settled;
        m_returning = true;
        setEdited(false);
        m_knownBytes = settled.knownBytes;
        SetNoteStatus(settled.status);
        setSaveEnabled(settled.saveEnabled);
        setCipherCommand(settled.cipherCommand);
        m_returning = false;
        return;
    }
    if (!m_edited)
        m_settled = Settled{m_status, m_saveEnabled, m_cipherCommand, m_knownBytes};
    m_knownBytes.reset();
    setEdited(true);
    SetNoteStatus(NoteStatus::Changed);
    Q_EMIT userEdited();
}

void NoteSession::setEdited(bool edited)
{
    const bool ended = m_edited && !edited;
    m_edited = edited;
    if (!edited)
        m_settled.reset();
    if (ended)
        Q_EMIT editsEnded(m_path);
}

void NoteSession::setShown(const QString &path)
{
    setLoading(false);
    if (path.isEmpty())
        forgetShownNote();
    m_path = path;
    Q_EMIT shownChanged();
}

void NoteSession::forgetShownNote()
{
    setEdited(false);
    m_format = {};
    m_file.forget();
    m_knownBytes.reset();
    setProtection(Protection::None);
    setSecret(false);
}

void NoteSession::setSaveEnabled(bool enabled)
{
    m_saveEnabled = enabled;
    Q_EMIT saveEnabledChanged(enabled);
}

void NoteSession::setCipherCommand(CipherDirection direction)
{
    m_cipherCommand = direction;
    Q_EMIT cipherCommandChanged(direction);
}

} // namespace qb
