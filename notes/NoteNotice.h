#pragma once

#include <QObject>
#include <QString>

namespace qb {

class NoteSession;

// What the bar above the editor tells about the shown note: news the user did not ask for, told
// without taking the keyboard (a question box would take the keys being typed, and a default
// button could drop the text). One notice at a time; a newer one replaces it.
class NoteNotice final : public QObject
{
    Q_OBJECT
public:
    enum class Kind {
        None,
        ChangedOnDisk,   // another program changed the file; the editor holds text it does not
        RemovedOnDisk,   // another program removed the file; the editor holds text it does not
        Unreadable,      // the file cannot be read now; the editor keeps what it holds
        Encoded,         // a note read in the background turned out encoded: its keyword is due
        Encrypted,       // an age-encrypted note is shown as its armour: its passphrase is due
        ConflictCopy,    // a sync tool kept another version of the note beside it
        IsConflictCopy,  // the note is such a version
        UnfinishedMerge, // the note holds the marks of a merge left unfinished
        Info,            // anything else worth knowing about the note
        FolderInfo,      // about the folder listed: it stays while its notes are shown
    };

    // Notices about the shown note go when another note is shown or none, and when the note
    // settles as saved or read ("Unchanged") or deciphered ("Decoded", "Decrypted"), but not
    // when Undo takes it back there; one about the folder stays until the next notice.
    explicit NoteNotice(const NoteSession &session, QObject *parent = nullptr);

    Kind kind() const { return m_kind; }
    const QString &text() const { return m_text; }

    void post(Kind kind, const QString &text);
    void clear();

Q_SIGNALS:
    void changed();

private:
    void clearNoteNews();

    Kind m_kind = Kind::None;
    QString m_text;
};

// The notices' own words.
QString changedOnDiskText();
QString removedOnDiskText();
// "Quirebox can't read the file "<path>". <reason>", as the save's messages say it.
QString cantReadText(const QString &path, const QString &reason);

} // namespace qb
