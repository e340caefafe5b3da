#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

namespace qb {

// What a note file held when it was loaded or saved.
struct NoteFingerprint
{
    qint64 size = -1;   // -1: no fingerprint, matches no file
    QDateTime modified; // file time when taken; invalid when the file could not be read
    // The time the system last changed the file in any way (Unix ctime); invalid when it was too
    // recent to tell a later change from the one it records.
    QDateTime changedMeta;
    QByteArray digest; // of the bytes

    bool isValid() const { return size >= 0; }
};

// Fingerprint of `bytes`, the content just read from or written to `path`, with its file time.
NoteFingerprint takeFingerprint(const QString &path, QByteArrayView bytes);

// A fingerprint taken of bytes that come piece by piece, pieces cut anywhere: the same as
// takeFingerprint of the bytes held whole.
class FingerprintBuilder
{
public:
    FingerprintBuilder();
    ~FingerprintBuilder();
    void add(QByteArrayView piece);
    // The fingerprint, with the file time of `path`, which has just been read or written.
    NoteFingerprint finish(const QString &path);

private:
    struct Digest;
    std::unique_ptr<Digest> m_digest;
    QByteArray m_carry; // less than one digest piece
    qint64 m_size = 0;
};

struct FingerprintCheck
{
    enum class Outcome { Same, Changed, Unreadable };
    Outcome outcome = Outcome::Changed;
    QString error; // why the file could not be read, for Unreadable
};

// Whether `path` still holds what the fingerprint was taken of. Size and time are compared
// first, without reading. When both agree, a file the system has not touched since (its change
// time, which no program can set, is the same) is the same; otherwise the bytes are read and
// their digest decides, because a same-size rewrite can keep the file time (coarse file times,
// tools that restore them).
// A file that is gone, or was only touched, has changed; one that cannot be read is Unreadable.
FingerprintCheck checkFingerprint(const QString &path, const NoteFingerprint &fingerprint);

} // namespace qb
