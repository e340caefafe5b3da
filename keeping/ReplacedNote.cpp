#include "keeping/ReplacedNote.h"

#include <limits>

namespace qb {

ReplacedNote ReplacedNote::open(const QString &notePath)
{
    ReplacedNote note;
    if (probeFile(notePath).kind == FileProbe::Kind::Missing)
        return note;
#ifdef Q_OS_WIN
    ReadResult whole = readWholeFile(notePath, std::numeric_limits<qint64>::max());
    note.m_bytes = std::move(whole.bytes);
    note.m_error = whole.error;
#else
    note.m_reader = std::make_unique<FileReader>(notePath);
    note.m_error = note.m_reader->error();
#endif
    note.m_held = note.m_error.isEmpty();
    return note;
}

ReplacedNote ReplacedNote::fromBytes(QByteArray bytes)
{
    ReplacedNote note;
    note.m_bytes = std::move(bytes);
    note.m_held = true;
    return note;
}

KeptVersion ReplacedNote::keepIn(NoteHistory &history, const QString &notePath, qint64 takenMs)
{
    if (!m_error.isEmpty())
        return {m_error, {}};
    if (!m_held)
        return {};
    const KeptVersion kept = m_reader ? history.keep(notePath, *m_reader, takenMs)
                                      : history.keep(notePath, m_bytes, takenMs);
    // The old file's descriptor and bytes are let go as soon as they are kept.
    m_reader.reset();
    m_bytes = {};
    m_held = false;
    return kept;
}

} // namespace qb
