#include "notes/NoteWatcher.h"

#include "notes/NoteFileIo.h"
#include "notes/NoteSession.h"

#include <QFileInfo>

namespace qb {

namespace {

// Writers change a file in several steps: it is looked at once they have been still this long.
constexpr int kSettleMilliseconds = 300;

// Whether the file at `path` now keeps its text enciphered, as far as its first bytes tell.
bool readsEnciphered(const QString &path)
{
    FileReader reader(path);
    QByteArray head(kNoteKindBytes, Qt::Uninitialized);
    const qint64 read = reader.isOpen() ? reader.read(head.data(), head.size()) : -1;
    return read > 0 && noteKindOf(head.first(read)) != ShowableNote::Kind::Plain;
}

} // namespace

NoteWatcher::NoteWatcher(const NoteSession &session, QObject *parent)
    : QObject(parent), m_session(session)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMilliseconds);
    connect(&m_session, &NoteSession::shownChanged, this, &NoteWatcher::follow);
    // A save may put the file back where another program had removed it.
    connect(&m_session, &NoteSession::statusChanged, this, [this] {
        if (m_session.isShown() && !m_watcher.files().contains(m_session.path()) &&
            QFileInfo::exists(m_session.path()))
            m_watcher.addPath(m_session.path());
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_settle, &QTimer::timeout, this, &NoteWatcher::check);
}

void NoteWatcher::follow()
{
    m_settle.stop();
    if (const QStringList watched = m_watcher.files(); !watched.isEmpty())
        m_watcher.removePaths(watched);
    if (m_session.isShown())
        m_watcher.addPath(m_session.path());
}

void NoteWatcher::check()
{
    if (!m_session.isShown())
        return;
    const QString path = m_session.path();
    // A file replaced by a rename, as every careful writer does, this program included, is a
    // new file to the system: it is watched again.
    if (!m_watcher.files().contains(path) && QFileInfo::exists(path))
        m_watcher.addPath(path);
    const FingerprintCheck check = m_session.checkFile();
    switch (check.outcome) {
    case FingerprintCheck::Outcome::Same:
        return;
    case FingerprintCheck::Outcome::Unreadable:
        Q_EMIT changedOnDisk({FileChange::Kind::Unreadable, check.error});
        return;
    case FingerprintCheck::Outcome::Changed:
        // A link to nowhere is gone too; a folder or a pipe in the note's place is not, and
        // the check has called it unreadable.
        if (!QFileInfo(path).exists())
            Q_EMIT changedOnDisk({FileChange::Kind::Removed, {}});
        else
            Q_EMIT changedOnDisk({FileChange::Kind::Changed, {}, readsEnciphered(path)});
        return;
    }
}

} // namespace qb
