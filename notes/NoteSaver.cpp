#include "notes/NoteSaver.h"

#include "notes/NoteFileIo.h"

#include <algorithm>

namespace qb {

namespace {

// The bytes go to the file in pieces of this size: large enough that writing costs no more than
// one write of the whole, small enough to stay in the processor's cache.
constexpr qsizetype kWrittenAtOnce = 1 << 20;

} // namespace

NoteSaver::NoteSaver(const QString &path, const NoteFormat &format)
    : m_path(path), m_format(format), m_writer(path),
      m_encoder(
          format, [this](QByteArrayView piece) { take(piece); }, kWrittenAtOnce)
{
}

void NoteSaver::take(QByteArrayView piece)
{
    m_writer.write(piece);
    m_fingerprint.add(piece);
    if (m_head.size() < kNoteKindBytes)
        m_head.append(piece.first(std::min(piece.size(), kNoteKindBytes - m_head.size())));
    m_total += piece.size();
    // A small note's bytes are kept, as the base of a later merge.
    if (m_total <= kKeptBaseBytes)
        m_written.append(piece);
    else
        m_written.clear();
    if (m_format.encoding == TextEncoding::Windows1252)
        m_readsBack.add(piece);
}

std::optional<QByteArray> NoteSaver::writtenBytes() const
{
    if (m_total > kKeptBaseBytes)
        return std::nullopt;
    return m_written;
}

WriteResult NoteSaver::commit()
{
    return m_writer.commit();
}

} // namespace qb
