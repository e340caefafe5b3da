#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace qb {

class NoteSession;

// Watches the file of the note shown, and tells when another program changed or removed it.
// The program's own saves do not count: the file is compared with the fingerprint the session
// took of what it read or wrote. A burst of writes is told once, after it settled.
class NoteWatcher final : public QObject
{
    Q_OBJECT
public:
    explicit NoteWatcher(const NoteSession &session, QObject *parent = nullptr);

Q_SIGNALS:
    // The shown note's file holds other bytes than it did, or is gone.
    void changedOnDisk(bool removed);

private:
    void follow();
    void check();

    const NoteSession &m_session;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

} // namespace qb
