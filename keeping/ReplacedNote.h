#pragma once

#include "keeping/NoteHistory.h"
#include "platform/SafeFile.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace qb {

// The content of a note's file that a save is about to replace, taken hold of just before the
// save puts its new file in place, and kept as a version after. On POSIX systems an open
// descriptor is held: it goes on reading the old file once a rename has replaced it, so that
// taking hold costs next to nothing. Windows refuses a rename over an open file: there the bytes
// are read whole at once.
class ReplacedNote
{
public:
    ReplacedNote() = default;
    ReplacedNote(ReplacedNote &&) = default;
    ReplacedNote &operator=(ReplacedNote &&) = default;

    // Takes hold of what `notePath` holds now. A note with no file yet gives nothing to keep.
    static ReplacedNote open(const QString &notePath);
    // Bytes already in memory.
    static ReplacedNote fromBytes(QByteArray bytes);

    // There was no file: nothing to keep, and nothing wrong.
    bool isNothing() const { return !m_held && m_error.isEmpty(); }
    // Why the old content could not be taken hold of; empty when it was.
    const QString &error() const { return m_error; }

    // Keeps the content as a version of `notePath`, taken at `takenMs`.
    KeptVersion keepIn(NoteHistory &history, const QString &notePath, qint64 takenMs);

private:
    std::unique_ptr<FileReader> m_reader; // read when kept
    QByteArray m_bytes;                   // without a reader: the content itself
    QString m_error;
    bool m_held = false;
};

} // namespace qb
