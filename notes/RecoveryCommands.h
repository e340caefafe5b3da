#pragma once

#include "encoder/NoteCodec.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>

namespace qb {

class Book;
class HistoryKeeper;
class NoteDisplay;
class NoteListCommands;
class Platform;
class RecoveryStore;

// Offers back the text the user typed and never saved: the recovery copies a crash left, and
// the newer text a save cut short left beside its note. Yes shows the note with that text as
// unsaved edits; No keeps it in the note's history. Either way nothing is deleted before it is
// kept somewhere.
class RecoveryCommands
{
public:
    RecoveryCommands(const Book &book, const RecoveryStore &store, HistoryKeeper &history,
                     NoteListCommands &noteList, NoteDisplay &display, Platform &platform)
        : m_book(book), m_store(store), m_history(history), m_noteList(noteList),
          m_display(display), m_platform(platform)
    {
    }

    // A book was opened: what is left of its notes' unsaved edits is offered, one at a time.
    void offerForBook();
    // A note of `dir` was shown: what saves of its notes left there is offered.
    void offerLeftoversIn(const QString &dir);

private:
    void offerCopies(const QStringList &dirs);
    // Keeps `bytes`, text of the note at `notePath`, as a version of it; false, having told
    // why, when it could not be kept.
    bool keepInHistory(const QString &notePath, const QByteArray &bytes);
    // Shows the note at `notePath` with `bytes` in place of its text, as unsaved edits.
    void restore(const QString &notePath, const QByteArray &bytes,
                 const std::optional<NoteFormat> &format);

    const Book &m_book;
    const RecoveryStore &m_store;
    HistoryKeeper &m_history;
    NoteListCommands &m_noteList;
    NoteDisplay &m_display;
    Platform &m_platform;
    QSet<QString> m_damageTold; // damaged copies told of once a run
};

} // namespace qb
