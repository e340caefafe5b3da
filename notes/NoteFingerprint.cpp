#include "notes/NoteFingerprint.h"

#include "platform/SafeFile.h"

#include <QFileInfo>
#include <QHashFunctions>

#include <algorithm>

namespace qb {

namespace {

// The digest of a note's bytes, taken in pieces of a fixed size, so that a file read piece by
// piece has the digest of the same bytes held whole. A digest lives only as long as one run of
// the program (Qt seeds its hash anew in every process) and has to catch another program's
// rewrite, not a collision someone forged, so Qt's table hash does: it runs at memory speed,
// where a cryptographic digest would take longer than writing the note.
class ContentDigest
{
public:
    static constexpr qsizetype PieceSize = 1 << 18;

    void addPiece(QByteArrayView piece)
    {
        m_digest = qHashBits(piece.data(), size_t(piece.size()), m_digest);
    }

    QByteArray result() const
    {
        return QByteArray(reinterpret_cast<const char *>(&m_digest), sizeof m_digest);
    }

private:
    size_t m_digest = 0;
};

} // namespace

NoteFingerprint TakeFingerprint(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    ContentDigest digest;
    for (qsizetype at = 0; at < bytes.size(); at += ContentDigest::PieceSize)
        digest.addPiece(QByteArrayView(bytes).sliced(
            at, std::min(ContentDigest::PieceSize, bytes.size() - at)));
    return {bytes.size(), info.isFile() ? info.lastModified() : QDateTime(), digest.result()};
}

FingerprintCheck CheckFingerprint(const QString &path, const NoteFingerprint &fingerprint)
{
    using Outcome = FingerprintCheck::Outcome;
    if (!fingerprint.isValid() || !fingerprint.modified.isValid())
        return {Outcome::Changed, {}};
    const FileProbe probe = ProbeFile(path);
    if (probe.kind == FileProbe::Kind::Missing)
        return {Outcome::Changed, {}};
    if (probe.kind != FileProbe::Kind::Regular)
        return {Outcome::Unreadable, probe.error};
    const QFileInfo info(path);
    if (probe.size != fingerprint.size || info.lastModified() != fingerprint.modified)
        return {Outcome::Changed, {}};

    FileReader reader(path);
    if (!reader.isOpen())
        return {Outcome::Unreadable, reader.error()};
    if (reader.size() != fingerprint.size)
        return {Outcome::Changed, {}};
    ContentDigest digest;
    QByteArray piece(ContentDigest::PieceSize, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        // Whole pieces, however the reads come back, so that the digest is taken as it was.
        const qint64 filled = reader.read(piece.data(), piece.size());
        if (filled < 0)
            return {Outcome::Unreadable, reader.error()};
        digest.addPiece(QByteArrayView(piece.constData(), filled));
        total += filled;
        if (filled < piece.size())
            break;
    }
    // A file that shrank or grew while it was read is not the one the fingerprint was taken of.
    if (total != fingerprint.size)
        return {Outcome::Changed, {}};
    if (!reader.atExpectedEnd(total)) {
        if (reader.changedWhileRead())
            return {Outcome::Changed, {}};
        return {Outcome::Unreadable, reader.error()};
    }
    return {digest.result() == fingerprint.digest ? Outcome::Same : Outcome::Changed, {}};
}

} // namespace qb
