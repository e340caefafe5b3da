#include "notes/RecoveryCommands.h"

#include "book/Book.h"
#include "keeping/HistoryKeeper.h"
#include "keeping/RecoveryStore.h"
#include "keeping/SaveLeftovers.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteSize.h"
#include "platform/Background.h"
#include "platform/Platform.h"

#include <QDateTime>
#include <QMap>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// Folders that hold at most this many entries together are looked through on the window's
// thread, in a few milliseconds; more, off it.
constexpr qsizetype kEntriesLookedThroughHere = 4096;

bool answeredYes(Platform &platform, const QString &text)
{
    return platform.messageBox(text, Platform::Buttons::YesNo, Platform::Icon::Question,
                               u"Quirebox"_s, Platform::Button::Yes) == Platform::Button::Yes;
}

} // namespace

RecoveryCommands::RecoveryCommands(const Book &book, const RecoveryStore &store,
                                   HistoryKeeper &history, NoteListCommands &noteList,
                                   NoteDisplay &display, Platform &platform)
    : m_book(book), m_store(store), m_history(history), m_noteList(noteList), m_display(display),
      m_platform(platform)
{
    m_lookingThrough.setMaxThreadCount(1);
    QObject::connect(&m_bookLook, &QFutureWatcherBase::finished, &m_bookLook,
                     [this] { bookLookedThrough(); });
}

RecoveryCommands::~RecoveryCommands()
{
    m_bookLook.cancel();
    m_lookingThrough.waitForDone();
}

void RecoveryCommands::offerForBook()
{
    QStringList dirs;
    for (int row = 1; row <= m_book.state().FolderCount; ++row) {
        const QString dir = m_book.folderDir(row);
        if (!dir.isEmpty() && !dirs.contains(dir))
            dirs << dir;
    }
    m_bookLook.cancel();
    m_bookDirs.clear();
    m_lookedThrough.clear();
    if (std::optional<QList<SaveLeftoverListing>> listings =
            findSaveLeftovers(dirs, kEntriesLookedThroughHere)) {
        for (qsizetype i = 0; i < dirs.size(); ++i)
            m_lookedThrough.insert(dirs[i], std::move((*listings)[i]));
        offerIn(dirs, true);
        return;
    }
    m_bookDirs = dirs;
    m_bookLook.setFuture(runInBackground<QList<SaveLeftoverListing>>(
        m_lookingThrough, [dirs](QPromise<QList<SaveLeftoverListing>> &promise) {
            const auto stopped = [&promise] { return promise.isCanceled(); };
            if (auto listings =
                    findSaveLeftovers(dirs, std::numeric_limits<qsizetype>::max(), stopped))
                promise.addResult(std::move(*listings));
        }));
}

void RecoveryCommands::bookLookedThrough()
{
    if (m_bookLook.isCanceled() || m_bookLook.future().resultCount() == 0)
        return;
    const QStringList dirs = std::exchange(m_bookDirs, {});
    QList<SaveLeftoverListing> listings = m_bookLook.future().takeResult();
    for (qsizetype i = 0; i < dirs.size(); ++i)
        m_lookedThrough.insert(dirs[i], std::move(listings[i]));
    offerIn(dirs, true);
}

void RecoveryCommands::offerLeftoversIn(const QString &dir)
{
    // While the book is looked through, its folders' leftovers come in its offer, with the
    // copies of the same notes.
    if (m_bookDirs.contains(dir))
        return;
    offerIn({dir}, false);
}

void RecoveryCommands::offerIn(const QStringList &dirs, bool copies)
{
    // A listing that ends while a question is asked would ask another over it.
    if (m_offering) {
        for (const QString &dir : dirs) {
            if (!m_waitingDirs.contains(dir))
                m_waitingDirs << dir;
        }
        m_copiesWaiting = m_copiesWaiting || copies;
        return;
    }
    m_offering = true;
    QList<LeftText> found;
    if (copies)
        findCopies(dirs, found);
    for (const QString &dir : dirs)
        findLeftovers(dir, found);
    QMap<QString, QList<LeftText>> byNote;
    for (LeftText &text : found)
        byNote[recoveryNoteKey(text.notePath)].append(std::move(text));
    for (QList<LeftText> &texts : byNote)
        offerNewest(std::move(texts));
    m_offering = false;
    if (!m_waitingDirs.isEmpty())
        offerIn(std::exchange(m_waitingDirs, {}), std::exchange(m_copiesWaiting, false));
}

void RecoveryCommands::findCopies(const QStringList &dirs, QList<LeftText> &found)
{
    for (const RecoveryEntry &entry : m_store.list(dirs).entries) {
        if (entry.isDamaged()) {
            keepDamaged(entry);
            continue;
        }
        const RecoveryRead read = m_store.readFile(entry.file);
        if (!read.copy)
            continue;
        const RecoveryCopy &copy = *read.copy;
        const bool changedSince = checkFingerprint(copy.notePath, copy.noteFile).outcome !=
                                  FingerprintCheck::Outcome::Same;
        QString question = u"Quirebox ended while the note "_s + quoted(copy.notePath) +
                           u" had unsaved changes."_s;
        if (entry.older)
            question += u" Only some of them were kept: the last could not be written."_s;
        if (changedSince)
            question += u" The note has been changed on disk since."_s;
        found.append({copy.notePath, copy.taken, copy.bytes, copy.format,
                      question + u"\r\nRestore them?"_s,
                      [this, file = entry.file] { m_store.removeFile(file); }});
    }
}

void RecoveryCommands::findLeftovers(const QString &dir, QList<LeftText> &found)
{
    const qint64 largest = NoteSizeLimits::forThisMachine().refuseAbove;
    const SaveLeftoverListing listing =
        m_lookedThrough.contains(dir) ? m_lookedThrough.take(dir) : findSaveLeftovers(dir);
    for (const SaveLeftover &leftover : listing.leftovers) {
        if (leftover.notePath.isEmpty())
            continue; // no note to give it back to
        const LeftoverCheck check = compareLeftover(leftover);
        if (check.outcome == LeftoverCheck::Outcome::Same) {
            removeSaveLeftover(leftover);
            continue;
        }
        ReadResult read = readSaveLeftover(leftover, largest);
        if (!read.ok())
            continue;
        found.append({leftover.notePath, leftover.modified, std::move(read.bytes), std::nullopt,
                      u"A save of the note "_s + quoted(leftover.notePath) +
                          u" was cut short: an interrupted save left newer text than the note "
                          "holds.\r\nRestore it?"_s,
                      [leftover] { removeSaveLeftover(leftover); }});
    }
}

void RecoveryCommands::keepDamaged(const RecoveryEntry &entry)
{
    const QString told = u"Quirebox can't restore the unsaved changes of the note "_s +
                         quoted(entry.notePath) + u": their copy "_s + quoted(entry.file) +
                         u" is damaged."_s;
    // Whole as it is, in the note's history, when the note is known; else beside, under a name
    // no copy is written to.
    if (!entry.notePath.isEmpty()) {
        const ReadResult read =
            readWholeFile(entry.file, NoteSizeLimits::forThisMachine().refuseAbove);
        if (read.ok() && keepInHistory(entry.notePath, read.bytes)) {
            m_store.removeFile(entry.file);
            m_platform.reportError(told + u" It is kept in the note's history."_s, entry.damage,
                                   u"Quirebox"_s);
            return;
        }
    }
    const QString aside = m_store.setAside(entry.file);
    m_platform.reportError(told + (aside.isEmpty() ? u" It is left where it is."_s
                                                   : u" It is kept as "_s + quoted(aside) + u"."_s),
                           entry.damage, u"Quirebox"_s);
}

void RecoveryCommands::offerNewest(QList<LeftText> texts)
{
    std::stable_sort(texts.begin(), texts.end(),
                     [](const LeftText &a, const LeftText &b) { return a.when < b.when; });
    const LeftText &newest = texts.constLast();
    QString question = newest.question;
    if (texts.size() > 1)
        question.replace(u"\r\n"_s, u" Older unsaved text of it is kept in its history.\r\n"_s);
    const bool yes = answeredYes(m_platform, question);
    // Each is kept before any goes, the newest last, so that it is the newest version: the
    // restored text is but unsaved edits.
    for (const LeftText &text : std::as_const(texts)) {
        if (!keepInHistory(text.notePath, text.bytes))
            return;
    }
    if (yes)
        restore(newest.notePath, newest.bytes, newest.format);
    for (const LeftText &text : std::as_const(texts))
        text.remove();
}

bool RecoveryCommands::keepInHistory(const QString &notePath, const QByteArray &bytes)
{
    const KeptVersion kept = m_history.keepNow(notePath, bytes, m_platform.now());
    if (kept.ok())
        return true;
    m_platform.reportError(u"Quirebox can't keep the text of the note "_s + quoted(notePath) +
                               u" in its history, and keeps it where it is."_s,
                           *kept.error, u"Quirebox"_s);
    return false;
}

void RecoveryCommands::restore(const QString &notePath, const QByteArray &bytes,
                               const std::optional<NoteFormat> &format)
{
    m_noteList.showNotePath(notePath, [this, notePath, bytes, format](bool shown) {
        if (!shown) {
            m_platform.messageBox(u"Quirebox can't show the note "_s + quoted(notePath) +
                                      u": it is no longer in a folder of the book. The text is "
                                      "kept in the note's history."_s,
                                  Platform::Buttons::Ok, Platform::Icon::Exclamation,
                                  u"Quirebox"_s);
            return;
        }
        m_display.whenShown([this, bytes, format] { m_display.replaceWithBytes(bytes, format); });
    });
}

} // namespace qb
