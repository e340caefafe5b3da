#include "platform/NoteFingerprint.h"

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
    static constexpr qsizetype kDigestBlock = 1 << 18;

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

// The time the system last changed the file: its content, its name, its times. Programs can set
// the file time but not this one, so where it is the same nothing was written. Windows keeps no
// such time, and there the bytes always decide.
QDateTime changeTime(const QFileInfo &info)
{
#ifdef Q_OS_UNIX
    return info.metadataChangeTime();
#else
    Q_UNUSED(info);
    return {};
#endif
}

// The system stamps a file with a clock that ticks coarsely (a few milliseconds; two seconds on
// some disks), so a change just after the one a fingerprint records may leave the same times:
// such a fingerprint's times prove nothing, and the bytes decide.
constexpr qint64 kTimeStampTickMs = 2000;

QDateTime trustedChangeTime(const QFileInfo &info)
{
    const QDateTime changed = changeTime(info);
    if (!changed.isValid() || changed.msecsTo(QDateTime::currentDateTimeUtc()) < kTimeStampTickMs)
        return {};
    return changed;
}

} // namespace

struct FingerprintBuilder::Digest
{
    ContentDigest digest;
};

FingerprintBuilder::FingerprintBuilder() : m_digest(std::make_unique<Digest>()) {}

FingerprintBuilder::~FingerprintBuilder() = default;

void FingerprintBuilder::add(QByteArrayView piece)
{
    constexpr qsizetype kDigestBlock = ContentDigest::kDigestBlock;
    m_size += piece.size();
    if (!m_carry.isEmpty()) {
        const qsizetype taken = std::min(kDigestBlock - m_carry.size(), piece.size());
        m_carry.append(piece.first(taken));
        piece = piece.sliced(taken);
        if (m_carry.size() < kDigestBlock)
            return;
        m_digest->digest.addPiece(m_carry);
        m_carry.resize(0);
    }
    // Whole pieces straight from the bytes given; only the rest is copied.
    while (piece.size() >= kDigestBlock) {
        m_digest->digest.addPiece(piece.first(kDigestBlock));
        piece = piece.sliced(kDigestBlock);
    }
    m_carry.append(piece);
}

NoteFingerprint FingerprintBuilder::finish(const QString &path)
{
    if (!m_carry.isEmpty())
        m_digest->digest.addPiece(m_carry);
    const QFileInfo info(path);
    if (!info.isFile())
        return {m_size, {}, {}, m_digest->digest.result()};
    return {m_size, info.lastModified(), trustedChangeTime(info), m_digest->digest.result()};
}

NoteFingerprint takeFingerprint(const QString &path, QByteArrayView bytes)
{
    FingerprintBuilder builder;
    builder.add(bytes);
    return builder.finish(path);
}

FingerprintCheck checkFingerprint(const QString &path, const NoteFingerprint &fingerprint)
{
    using Outcome = FingerprintCheck::Outcome;
    if (!fingerprint.isValid() || !fingerprint.modified.isValid())
        return {Outcome::Changed, {}};
    const FileProbe probe = probeFile(path);
    if (probe.kind == FileProbe::Kind::Missing)
        return {Outcome::Changed, {}};
    if (probe.kind != FileProbe::Kind::Regular)
        return {Outcome::Unreadable, probe.error};
    const QFileInfo info(path);
    if (probe.size != fingerprint.size || info.lastModified() != fingerprint.modified)
        return {Outcome::Changed, {}};
    if (fingerprint.changedMeta.isValid() && changeTime(info) == fingerprint.changedMeta)
        return {Outcome::Same, {}};

    FileReader reader(path);
    if (!reader.isOpen())
        return {Outcome::Unreadable, reader.error()};
    if (reader.size() != fingerprint.size)
        return {Outcome::Changed, {}};
    ContentDigest digest;
    QByteArray piece(ContentDigest::kDigestBlock, Qt::Uninitialized);
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
    if (!reader.atExpectedEnd(total)) {
        if (reader.changedWhileRead())
            return {Outcome::Changed, {}};
        return {Outcome::Unreadable, reader.error()};
    }
    return {digest.result() == fingerprint.digest ? Outcome::Same : Outcome::Changed, {}};
}

} // namespace qb
