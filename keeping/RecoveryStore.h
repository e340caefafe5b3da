#pragma once

#include "keeping/RecoveryFormat.h"
#include "platform/SafeFile.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qb {

// Where recovery copies are kept: $XDG_STATE_HOME/quirebox/recovery, or
// ~/.local/state/quirebox/recovery when that variable is unset or not an absolute path. Never
// inside a note folder, so that no copy shows as a note or travels with a book.
QString defaultRecoveryFolder();

// The absolute, clean spelling of a note's path, by which its copy is found.
QString recoveryNoteKey(const QString &notePath);

// One recovery file found in the store.
struct RecoveryEntry
{
    QString file;     // the recovery file
    QString notePath; // the note it belongs to; empty when the file is too damaged to tell
    QDateTime taken;  // when the copy was taken; for a damaged file, when it was last written
    QString damage;   // why it holds no whole copy; empty when it does
    // A later copy of the note's text could not be written: this one holds older text.
    bool older = false;
    bool isDamaged() const { return !damage.isEmpty(); }
};

struct RecoveryListing
{
    QList<RecoveryEntry> entries; // oldest first
    QString error;                // why the store's folder could not be read (fully)
};

struct RecoveryRead
{
    std::optional<RecoveryCopy> copy;
    QString damage; // why the file holds no whole copy; empty for a copy, or for no file at all
};

// The recovery copies, one file per note in one folder of the user's own, named by a hash of
// the note's path. The folders are made readable by the user alone (0700) and so are the files
// (0600): they hold the user's text. A copy is written whole or not at all (SafeFileWriter), so
// a crash while it is written leaves the copy before it. Nothing here deletes a copy that the
// caller did not name. Every method may run on any thread.
class RecoveryStore
{
public:
    // The store at defaultRecoveryFolder().
    RecoveryStore();
    explicit RecoveryStore(const QString &folder);

    const QString &folder() const { return m_folder; }
    // The file that holds the copy of `notePath`.
    QString fileFor(const QString &notePath) const;

    // Writes `copy` over the note's earlier copy, making the store's folder when needed.
    WriteResult write(const RecoveryCopy &copy) const;
    // Marks the copy of `notePath`, if there is one, as older than the text it was kept for: a
    // later copy could not be written. The mark is the file's being read-only, which needs no
    // room on a full disk; the next copy written clears it.
    void markOlder(const QString &notePath) const;
    // Removes the copy of `notePath`; having none is no failure.
    FileError remove(const QString &notePath) const;
    // Moves a damaged file listed by list() aside, under a name no copy is written to and
    // list() passes over; its new path, or empty when it could not be moved.
    QString setAside(const QString &file) const;
    // Removes a file listed by list(), a damaged one included.
    FileError removeFile(const QString &file) const;

    // The copy of `notePath`: none, whole, or damaged with the reason. A file that holds the copy
    // of another note (its name's hash is of another path) counts as damaged.
    RecoveryRead read(const QString &notePath) const;
    // The copy in a file that list() gave.
    RecoveryRead readFile(const QString &file) const;

    // The copies of the notes that lie directly inside one of `folderDirs`, oldest first. Every
    // file is checked whole, piece by piece; a damaged one is listed with the reason, and when
    // its note cannot be told for sure it is listed for any folders. Nothing is written or
    // removed.
    RecoveryListing list(const QStringList &folderDirs) const;

private:
    FileError makeFolder() const;
    RecoveryEntry inspect(const QString &file) const;

    QString m_folder;
};

} // namespace qb
