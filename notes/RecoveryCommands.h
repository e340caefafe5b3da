#pragma once

#include "encoder/NoteCodec.h"
#include "keeping/SaveLeftovers.h"

#include <QByteArray>
#include <QDateTime>
#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <optional>

namespace qb {

class Book;
class HistoryKeeper;
class NoteDisplay;
class NoteListCommands;
class Platform;
class RecoveryStore;
struct RecoveryEntry;

// Offers back the text the user typed and never saved: the recovery copies a crash left, and
// the newer text a save cut short left beside its note. Each note's newest such text is offered
// once: Yes shows the note with it as unsaved edits; the others, and it on No, are kept in the
// note's history. Nothing is deleted before it is kept somewhere, a damaged copy included.
class RecoveryCommands
{
public:
    RecoveryCommands(const Book &book, const RecoveryStore &store, HistoryKeeper &history,
                     NoteListCommands &noteList, NoteDisplay &display, Platform &platform);
    ~RecoveryCommands();
    RecoveryCommands(const RecoveryCommands &) = delete;
    RecoveryCommands &operator=(const RecoveryCommands &) = delete;

    // A book was opened: what is left of its notes' unsaved edits is offered, one note at a
    // time. The folders of a large book are looked through off the window's thread, and the
    // offers come once that is done.
    void offerForBook();
    // A note of `dir` was shown: what saves of its notes left there is offered.
    void offerLeftoversIn(const QString &dir);

private:
    // A text of a note's that was never saved, as found.
    struct LeftText
    {
        QString notePath;
        QDateTime when;
        QByteArray bytes;
        std::optional<NoteFormat> format; // as the copy says; else the form found in the bytes
        QString question;                 // what is asked when it is the one offered
        std::function<void()> remove;     // removes it, once kept
    };

    // The book's folders looked through off the window's thread.
    void bookLookedThrough();
    // Offers what is left in the folders `dirs`: the recovery copies too when `copies`.
    void offerIn(const QStringList &dirs, bool copies);
    void findCopies(const QStringList &dirs, QList<LeftText> &found);
    void findLeftovers(const QString &dir, QList<LeftText> &found);
    // Keeps a damaged copy where no later copy overwrites it, and says so.
    void keepDamaged(const RecoveryEntry &entry);
    // Offers the newest of one note's `texts`, keeping every one in its history first.
    void offerNewest(QList<LeftText> texts);
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
    // While one offer is asked, a folder listed meanwhile waits its turn.
    bool m_offering = false;
    QStringList m_waitingDirs;
    bool m_copiesWaiting = false;
    // Folders already looked through for leftovers, by directory, for their offer.
    QHash<QString, SaveLeftoverListing> m_lookedThrough;
    QThreadPool m_lookingThrough;
    QStringList m_bookDirs; // those the future below looks through, until they are offered
    QFutureWatcher<QList<SaveLeftoverListing>> m_bookLook;
};

} // namespace qb
