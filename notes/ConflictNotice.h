#pragma once

#include <QObject>
#include <QString>

namespace qb {

class NoteListModel;
class NoteNotice;
class NoteSession;

// Tells in the notice bar, once a note is shown, that a sync tool kept another version of it
// beside it, that the note shown is such a copy, or that it holds an unfinished merge. Nothing pops
// up, and a notice the user has to act on is never replaced.
class ConflictNotice final : public QObject
{
    Q_OBJECT
public:
    ConflictNotice(const NoteSession &session, const NoteListModel &notes, NoteNotice &notice,
                   QObject *parent = nullptr);

    // The row of the note the bar points to: the newest copy of the note shown, or the note the
    // copy shown was made of; -1 when the bar says nothing of copies.
    int otherRow() const { return m_otherRow; }
    // The note shown, as read, holds the marks of an unfinished merge.
    bool holdsMergeMarks() const { return m_holdsMergeMarks; }

private:
    void tell();

    const NoteSession &m_session;
    const NoteListModel &m_notes;
    NoteNotice &m_notice;
    bool m_due = false;
    int m_otherRow = -1;
    bool m_holdsMergeMarks = false;
};

} // namespace qb
