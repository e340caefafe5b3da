#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace qb {

// Tells which files of watched directories were written, made, removed or renamed. The system
// records each change as it is made, so that take() right after a write already has it: what
// was not taken did not change. Where that cannot be known for sure, watch() says so and the
// caller looks at the files themselves. A file written through another name (a link to it, or
// another hard link) shows no change in the directory.
class FolderChanges
{
public:
    FolderChanges();
    ~FolderChanges();
    FolderChanges(const FolderChanges &) = delete;
    FolderChanges &operator=(const FolderChanges &) = delete;

    // Starts watching `dir`. False when its changes cannot all be seen: a file system that
    // another machine may change, no watches left, a system without them.
    bool watch(const QString &dir);
    void unwatchAll();

    struct Change
    {
        QString dir;      // as given to watch()
        QString fileName; // empty: anything in the directory may have changed, and it is no
                          // longer watched
    };
    // The changes made since the last call, without waiting.
    QList<Change> take();
    // Becomes readable when there are changes to take; -1 when nothing is watched.
    int descriptor() const { return m_fd; }

private:
    int m_fd = -1;
    QHash<int, QString> m_dirOfWatch;
};

} // namespace qb
