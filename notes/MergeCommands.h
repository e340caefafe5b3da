#pragma once

#include "editor/NoteText.h"
#include "notes/NoteMerge.h"
#include "platform/NoteFingerprint.h"
#include "platform/SecretBytes.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace qb {

class ConflictNotice;
class HistoryKeeper;
class NoteDisplay;
class NoteListCommands;
class NoteListModel;
class NoteNotice;
class NoteSession;
class Platform;

// Tools > Merge Versions... and the bar's "Compare and Merge" and "Merge": the note shown merged
// with the copy a sync tool kept of it, three-way from the version of the note's history both
// grew from where there is one; or, while the bar says another program changed the file, the
// editor's text with the file's, three-way from the bytes the editor's text was read from. The
// merge runs off the window's thread; the merge window settles its clashes, and "Use Merged" puts
// the result in the editor as one edit that Undo takes back. The copy, if the user chose so, is
// kept in the note's history and moved to the trash once the merged note is saved; never before.
class MergeCommands final : public QObject
{
    Q_OBJECT
public:
    MergeCommands(NoteSession &session, const NoteListModel &notes, NoteListCommands &noteList,
                  NoteDisplay &display, HistoryKeeper &history, NoteNotice &notice,
                  const ConflictNotice &conflicts, Platform &platform, QWidget &dialogParent,
                  QObject *parent = nullptr);
    ~MergeCommands() override;

    // There is a copy to merge the note shown with. A secret note's sides are deciphered in
    // memory only, with the passphrase or keyword the note is shown deciphered with, and the
    // merge of an encoded note goes into the editor encoded again.
    bool canMerge() const;
    void mergeVersions();
    // The bar's "Compare and Merge": the note shown, or, when the copy is shown, its note once
    // shown, merged with its copy.
    void compareAndMerge();
    // The bar's "Read Again": the file's text in place of the editor's, as one edit that Undo
    // takes back where the note allows it; the edits it drops are kept in the note's history
    // first (a secret note's never: their clear text stays off the disk).
    void readAgain();
    // The bar's "Keep Mine": the editor's text wins over the file's change, which the next save
    // writes over without asking, unless the file changes again.
    void keepMine();

private:
    struct Sides
    {
        QString notePath, copyPath, noteName; // no copy: the file's own change
        QByteArray mine, theirs;
        NoteFingerprint theirsFile; // for the file's own change: what it holds now
        // What deciphers the sides of a secret note: the passphrase of a note shown decrypted,
        // or the keyword of one shown decoded.
        std::shared_ptr<const SecretBytes> passphrase, keyword;
        int revision = 0; // the editor's text's when `mine` was taken from it
    };
    // The merged note and the lines it changes, worked out off the window's thread.
    struct Placed
    {
        QList<ReplacedLines> changes;
        bool tooDifferent = false; // no line diff could be had in a moment: the whole goes in
    };
    static Placed placing(const QByteArray &mine, const QByteArray &merged,
                          const NoteFormat &format);
    struct Merged
    {
        MergedNote note;
        QString baseText;
        std::optional<Placed> placed; // a clean merge's, worked out with it
    };
    // `merged` with its lines placed ahead when it has no clash.
    static Merged withPlacing(Merged merged, const Sides &sides, const NoteFormat &format);
    // The note shown and the copy named by the bar (or its newest).
    int copyRow() const;
    bool changedOnDisk() const;
    // A secret note is merged only while shown deciphered; false, having said so, else.
    bool deciphered(Sides &sides);
    // The two sides from the editor and the copy, or the file; false, having told why, when
    // one cannot be had.
    bool readSides(Sides &sides);
    // The note merged with its copy at `copy`, a row of the note list.
    void mergeWithCopy(int copy);
    void mergeOutsideChange();
    void settleMergeMarks();
    // Puts `merged` into the editor as the note keeps it (encoded again for an encoded note),
    // then runs `then`; unless the editor's text changed since `sides` were taken, or the note
    // is no longer shown.
    // `ready` are its lines when they were worked out ahead.
    void useMerged(const QByteArray &merged, const Sides &sides, std::function<void()> then,
                   const std::optional<Placed> &ready = std::nullopt);
    void placed();
    void merged();
    void saved(const QString &path);

    NoteSession &m_session;
    const NoteListModel &m_notes;
    NoteListCommands &m_noteList;
    NoteDisplay &m_display;
    HistoryKeeper &m_history;
    NoteNotice &m_notice;
    const ConflictNotice &m_conflicts;
    Platform &m_platform;
    QWidget &m_dialogParent;
    QFutureWatcher<Merged> m_merging;
    QFutureWatcher<Placed> m_placing;
    std::function<void(const Placed &)> m_placed;
    Sides m_sides; // of the merge under way
    // The copy to keep and trash once its note is saved, and the note.
    QString m_pendingNote, m_pendingCopy;
};

} // namespace qb
