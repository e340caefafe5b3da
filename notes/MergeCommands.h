#pragma once

#include "notes/NoteMerge.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

class QWidget;

namespace qb {

class ConflictNotice;
class HistoryKeeper;
class NoteDisplay;
class NoteListCommands;
class NoteListModel;
class NoteSession;
class Platform;

// Tools > Merge Versions... and the bar's "Compare and Merge": the note shown merged with the
// copy a sync tool kept of it, three-way from the version of the note's history both grew from
// where there is one. The merge runs off the window's thread; the merge window settles its
// clashes, and "Use Merged" puts the result in the editor as one edit that Undo takes back. The
// copy, if the user chose so, is kept in the note's history and moved to the trash once the
// merged note is saved; never before.
class MergeCommands final : public QObject
{
    Q_OBJECT
public:
    MergeCommands(NoteSession &session, const NoteListModel &notes, NoteListCommands &noteList,
                  NoteDisplay &display, HistoryKeeper &history, const ConflictNotice &conflicts,
                  Platform &platform, QWidget &dialogParent, QObject *parent = nullptr);
    ~MergeCommands() override;

    // There is a copy to merge the note shown with. A secret note is never merged.
    bool canMerge() const;
    void mergeVersions();

private:
    struct Sides
    {
        QString notePath, copyPath, noteName;
        QByteArray mine, theirs;
        QList<QByteArray> versions; // the note's history, newest first
    };
    struct Merged
    {
        MergedNote note;
        QString baseText;
    };
    // The note shown and the copy named by the bar (or its newest).
    int copyRow() const;
    void merged();
    void saved(const QString &path);

    NoteSession &m_session;
    const NoteListModel &m_notes;
    NoteListCommands &m_noteList;
    NoteDisplay &m_display;
    HistoryKeeper &m_history;
    const ConflictNotice &m_conflicts;
    Platform &m_platform;
    QWidget &m_dialogParent;
    QFutureWatcher<Merged> m_merging;
    Sides m_sides; // of the merge under way
    // The copy to keep and trash once its note is saved, and the note.
    QString m_pendingNote, m_pendingCopy;
};

} // namespace qb
