#include "notes/NoteSession.h"

#include "encoder/EncodedNote.h"
#include "notes/NoteNames.h"
#include "notes/NoteSaver.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qb {

QString NoteStatusText(NoteStatus status)
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
    }
    return {};
}

NoteSession::NoteSession(QObject *parent) : QObject(parent) {}

QString NoteSession::noteName() const
{
    return NoteNameOf(QFileInfo(m_path).fileName());
}

NoteSession::Loaded NoteSession::load(const QString &path)
{
    Loaded loaded;
    ReadResult read = ReadWholeFile(path, m_sizeLimits.refuseAbove);
    if (!read.ok()) {
        loaded.error = read.tooLarge ? TooLargeToOpenText(read.size) : read.error;
        setShown({});
        return loaded;
    }
    loaded.note = DecodeNoteBytes(read.bytes);
    loaded.encoded = IsNoteEncoded(read.bytes);
    m_path = path;
    const NoteFingerprint fingerprint = TakeFingerprint(path, read.bytes);
    // An encoded note is deciphered from the bytes read, not from the editor's text.
    adoptLoaded(loaded.note.format, fingerprint,
                loaded.encoded ? std::optional<QByteArray>(std::move(read.bytes)) : std::nullopt);
    return loaded;
}

void NoteSession::beginLoading(const QString &path)
{
    setShown({});
    m_path = path;
    setLoading(true);
}

void NoteSession::adoptLoaded(const NoteFormat &format, const NoteFingerprint &fingerprint,
                              std::optional<QByteArray> encodedBytes)
{
    m_format = format;
    m_fingerprint = fingerprint;
    m_edited = false;
    m_knownBytes = std::move(encodedBytes);
    setLoading(false);
    Q_EMIT shownChanged();
}

void NoteSession::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    Q_EMIT loadingChanged(loading);
}

void NoteSession::showNoNote()
{
    setShown({});
    // Written directly: Save and the caption keep the state the emptied editor left.
    m_status = NoteStatus::Unchanged;
    Q_EMIT statusChanged(m_status);
}

FingerprintCheck NoteSession::checkFile() const
{
    return CheckFingerprint(m_path, m_fingerprint);
}

WriteResult NoteSession::save(NoteSaver &saver)
{
    const WriteResult written = saver.commit();
    // Bytes that reached the file are no other program's, whether or not all went well.
    if (written.ok() || written.replaced) {
        m_format = saver.format();
        m_fingerprint = saver.fingerprint();
    }
    if (written.ok()) {
        m_edited = false;
        SetNoteStatus(NoteStatus::Unchanged);
    }
    return written;
}

std::optional<DecodedNote> NoteSession::encipher(QByteArrayView plainBytes, QByteArrayView keyword)
{
    const std::optional<QByteArray> body =
        KeyWordCipher(plainBytes, keyword, CipherDirection::Encipher);
    if (!body)
        return std::nullopt;
    QByteArray encoded = EncodedNoteBytes(*body);
    DecodedNote note = DecodeNoteBytes(encoded);
    m_format = note.format;
    m_knownBytes = std::move(encoded);
    return note;
}

std::optional<DecodedNote> NoteSession::decipher(QByteArrayView encodedBytes,
                                                 QByteArrayView keyword)
{
    const std::optional<QByteArray> plain =
        KeyWordCipher(EncodedBody(encodedBytes), keyword, CipherDirection::Decipher);
    if (!plain)
        return std::nullopt;
    DecodedNote note = DecodeNoteBytes(*plain);
    m_format = note.format;
    m_knownBytes.reset();
    return note;
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
    }
    m_status = status;
    Q_EMIT statusChanged(status);
}

void NoteSession::DisableNoteSave()
{
    setSaveEnabled(false);
}

void NoteSession::textChanged()
{
    // What shows while a note loads is the program's, and no edit: the status waits for the end.
    if (m_loading)
        return;
    if (m_replacing == 0) {
        m_edited = true;
        m_knownBytes.reset();
    }
    SetNoteStatus(NoteStatus::Changed);
}

void NoteSession::setShown(const QString &path)
{
    setLoading(false);
    if (path.isEmpty()) {
        m_format = {};
        m_fingerprint = {};
        m_edited = false;
        m_knownBytes.reset();
    }
    m_path = path;
    Q_EMIT shownChanged();
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
