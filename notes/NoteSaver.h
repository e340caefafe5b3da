#pragma once

#include "encoder/NoteCodec.h"
#include "platform/NoteFingerprint.h"
#include "platform/SafeFile.h"

#include <optional>

namespace qb {

// One save of a note: the text goes into encoder(), which hands the bytes on in bounded pieces
// to a temporary file beside the note, so that no copy of the whole note is ever made. Nothing
// replaces the note until commit(); a saver dropped before that leaves the file as it was.
class NoteSaver
{
public:
    NoteSaver(const QString &path, const NoteFormat &format);

    const NoteFormat &format() const { return m_format; }
    NoteEncoder &encoder() { return m_encoder; }
    // The whole text was given.
    void endText() { m_encoder.finish(); }
    // After the whole text: why the file cannot be written, if it can't.
    const FileError &error() const { return m_writer.error(); }
    // A character the format cannot store; the file must then not be committed.
    std::optional<char32_t> unencodable() const { return m_encoder.firstUnencodable(); }
    // Windows-1252 bytes that would read back as UTF-8: they must not be committed as they are.
    bool readsBackAsUtf8() const { return m_readsBack.result(); }
    // Puts the file in place; the fingerprint is then that of what was written.
    WriteResult commit();
    NoteFingerprint fingerprint() { return m_fingerprint.finish(m_path); }
    // The first bytes written, enough to tell how the file keeps its text (noteKindOf).
    QByteArrayView head() const { return m_head; }
    // All the bytes written, when they were no more than kKeptBaseBytes.
    std::optional<QByteArray> writtenBytes() const;

private:
    void take(QByteArrayView piece);

    QString m_path;
    NoteFormat m_format;
    SafeFileWriter m_writer;
    FingerprintBuilder m_fingerprint;
    ReadsBackAsUtf8Check m_readsBack;
    NoteEncoder m_encoder;
    QByteArray m_head;
    QByteArray m_written; // while no more than kKeptBaseBytes
    qint64 m_total = 0;
};

} // namespace qb
