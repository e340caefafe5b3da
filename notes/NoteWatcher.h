#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace qb {

class NoteSession;

// What became of the shown note's file.
struct FileChange
{
    enum class Kind {
        Changed,    // it holds other bytes
        Removed,    // nothing is there any more
        Unreadable, // it cannot be read now, or is no longer an ordinary file: not a change of text
    };
    Kind kind = Kind::Changed;
    QString error; // why it cannot be read, for Unreadable
    // For Changed: the file now keeps its text enciphered (encoded or encrypted).
    bool enciphered = false;
};

// Watches the file of the note shown, and tells when another program changed or removed it.
// The program's own saves do not count: the file is compared with the fingerprint the session
// took of what it read or wrote. A burst of writes is told once, after it settled.
class NoteWatcher final : public QObject
{
    Q_OBJECT
public:
    explicit NoteWatcher(const NoteSession &session, QObject *parent = nullptr);

Q_SIGNALS:
    // The shown note's file holds other bytes than it did, is gone, or cannot be read.
    void changedOnDisk(const qb::FileChange &change);

private:
    void follow();
    void check();

    const NoteSession &m_session;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};

} // namespace qb
