#include "notes/NoteWatcher.h"

#include "notes/NoteSession.h"

#include <QFileInfo>

namespace qb {

namespace {

// Writers change a file in several steps: it is looked at once they have been still this long.
constexpr int kSettleMilliseconds = 300;

} // namespace

NoteWatcher::NoteWatcher(const NoteSession &session, QObject *parent)
    : QObject(parent), m_session(session)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMilliseconds);
    connect(&m_session, &NoteSession::shownChanged, this, &NoteWatcher::follow);
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
    if (check.outcome == FingerprintCheck::Outcome::Same)
        return;
    Q_EMIT changedOnDisk(!QFileInfo::exists(path));
}

} // namespace qb
