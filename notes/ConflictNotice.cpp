#include "notes/ConflictNotice.h"

#include "notes/ConflictCopies.h"
#include "notes/NoteListModel.h"
#include "notes/NoteMerge.h"
#include "notes/NoteNotice.h"
#include "notes/NoteSession.h"
#include "platform/QuotedPath.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// " on 7 Dec 2026 10:15", as far as the copy's name tells when it was kept; empty when it does
// not.
QString keptWhenText(const ConflictCopyName &name)
{
    if (!name.day.isValid())
        return {};
    const QLocale english(QLocale::English);
    QString when = u" on "_s + english.toString(name.day, u"d MMM yyyy"_s);
    if (name.time.isValid())
        when += u' ' + name.time.toString(u"HH:mm"_s);
    return when;
}

} // namespace

ConflictNotice::ConflictNotice(const NoteSession &session, const NoteListModel &notes,
                               NoteNotice &notice, QObject *parent)
    : QObject(parent), m_session(session), m_notes(notes), m_notice(notice)
{
    // Told once the note shown settles in the status it starts in, after the notices of the
    // note before were cleared; the text put in the editor on the way reads "Changed".
    connect(&session, &NoteSession::shownChanged, this, [this] {
        m_due = m_session.isShown();
        m_otherRow = -1;
        m_holdsMergeMarks = false;
    });
    connect(&session, &NoteSession::statusChanged, this, [this](NoteStatus status) {
        if (status != NoteStatus::Changed && std::exchange(m_due, false))
            tell();
    });
}

void ConflictNotice::tell()
{
    const int row = m_notes.currentRow();
    if (row < 0 || m_notes.currentPath() != m_session.path() ||
        m_notice.kind() != NoteNotice::Kind::None)
        return;
    const QString name = m_notes.noteName(row);
    if (const int note = m_notes.noteOfCopy(row); note >= 0) {
        const std::optional<ConflictCopyName> copy = conflictCopyName(name);
        m_otherRow = note;
        m_notice.post(NoteNotice::Kind::IsConflictCopy,
                      u"This note is a copy of "_s + quoted(m_notes.noteName(note)) + u" that "_s +
                          syncToolName(copy->tool) + u" kept"_s + keptWhenText(*copy) + u"."_s);
        return;
    }
    const QList<int> copies = m_notes.copiesOf(row);
    if (copies.isEmpty()) {
        // Looked for in what was read: a note small enough to keep its bytes.
        const std::optional<QByteArray> &read = m_session.readBytes();
        m_holdsMergeMarks =
            read && read->contains("=======") && mergeMarksOf(*read).clashCount() > 0;
        if (m_holdsMergeMarks)
            m_notice.post(NoteNotice::Kind::UnfinishedMerge,
                          u"This note holds an unfinished merge."_s);
        return;
    }
    const auto modified = [this](int copyRow) {
        return QFileInfo(m_notes.notePath(copyRow)).lastModified();
    };
    m_otherRow = *std::max_element(copies.cbegin(), copies.cend(),
                                   [&](int a, int b) { return modified(a) < modified(b); });
    const std::optional<ConflictCopyName> copy = conflictCopyName(m_notes.noteName(m_otherRow));
    const QString keptBy = syncToolName(copy->tool) + keptWhenText(*copy) + u": "_s +
                           quoted(m_notes.fileName(m_otherRow)) + u"."_s;
    m_notice.post(
        NoteNotice::Kind::ConflictCopy,
        copies.size() == 1
            ? u"Another version of this note was kept by "_s + keptBy
            : u"%1 other versions of this note were kept, the newest by "_s.arg(copies.size()) +
                  keptBy);
}

} // namespace qb
