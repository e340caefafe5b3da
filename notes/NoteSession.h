#pragma once

#include "encoder/KeyWordCipher.h"
#include "encoder/ProtectedNote.h"
#include "notes/NoteFileIo.h"

#include <QObject>

#include <optional>

namespace qb {

class NoteSaver;

enum class NoteStatus { Unchanged, Changed, Encoded, Decoded, Encrypted, Decrypted };

// The word status panel 1 shows for `status`.
QString noteStatusText(NoteStatus status);

// The note shown in the editor: which file it is, the form its bytes are written in, what the
// file held when it was read or saved, and its NoteStatus with what hangs on it (whether Save
// is on, whether Tools > Encode enciphers or deciphers). It reads and writes the note through
// its NoteFileIo; the editor shows what it hands out, and the window shows its state through
// its signals.
class NoteSession final : public QObject
{
    Q_OBJECT
public:
    explicit NoteSession(QObject *parent = nullptr);

    // A note is shown: its file was read.
    bool isShown() const { return !m_path.isEmpty() && !m_loading; }
    // A large note is being read: its first screen may be shown, but nothing can be done with
    // it until it is in.
    bool isLoading() const { return m_loading; }
    // The file the shown note was read from, or is being read from; a save writes there.
    const QString &path() const { return m_path; }
    // The shown note's name: its file name less ".txt".
    QString noteName() const;
    const NoteFormat &format() const { return m_format; }
    NoteStatus status() const { return m_status; }
    bool saveEnabled() const { return m_saveEnabled; }
    // What Tools > Encode does now: encipher, or decipher.
    CipherDirection cipherCommand() const { return m_cipherCommand; }
    // The user changed the note since it was loaded or saved. Encode and Decode move the status
    // away from "Changed" without saving, so the status alone cannot tell.
    bool hasUnsavedEdits() const { return m_edited && isShown(); }

    // When opening a note asks first, and when it refuses.
    const NoteSizeLimits &sizeLimits() const { return m_file.sizeLimits(); }
    void setSizeLimits(const NoteSizeLimits &limits) { m_file.setSizeLimits(limits); }

    struct Loaded
    {
        DecodedNote note;
        ShowableNote::Kind kind = ShowableNote::Kind::Plain;
        QString error; // why it could not be read; empty on success
        bool ok() const { return error.isEmpty(); }
    };
    // Reads the note at `path`. On success it is the shown note, to be put in the editor; on
    // failure no note is shown.
    Loaded load(const QString &path);
    // A large note starts to be read from `path`, off the window's thread.
    void beginLoading(const QString &path);
    // It was read: `fingerprint` as for load(), the rest as showableNoteOf found it.
    void adoptLoaded(const NoteFingerprint &fingerprint, ShowableNote::Kind kind,
                     const NoteFormat &format, std::optional<QByteArray> fileBytes);

    // How the note's file keeps its text from the eye, as far as a passphrase goes: as the
    // passphrase commands see it.
    using Protection = ProtectedNote::Protection;
    Protection protection() const { return isShown() ? m_protection : Protection::None; }
    void setProtection(Protection protection);

    // No note is shown: the session forgets the note, and status panel 1 reads "Unchanged"
    // while Save and the Encode/Decode caption stay as they were.
    void forgetNote();

    // Whether the file still holds what was read or last saved.
    FingerprintCheck checkFile() const { return m_file.check(m_path); }
    // Puts what `saver` wrote in place of the note's file. On success the note is "Unchanged".
    WriteResult save(NoteSaver &saver);

    // The note's bytes when they are known without asking the editor: an encoded or encrypted
    // note as it was read or enciphered, until the text changes.
    const std::optional<QByteArray> &knownBytes() const { return m_knownBytes; }
    // The note's text was put in place in another form (enciphered, deciphered, or restored):
    // it is now saved in `format`; `encodedBytes` are its bytes when it is an encoded note.
    void takeForm(const NoteFormat &format, std::optional<QByteArray> encodedBytes = {});

    // Whether the note's text is secret: nothing but a save, which writes it as its file keeps
    // it, may put the editor's text on the disk (no recovery copy, no other file). A note is
    // secret from the moment it is read enciphered (encoded or encrypted) or enciphered in the
    // editor, and stays so whatever text is put in the editor (a restore, Undo, a paste), until
    // Remove Encryption or a save that writes it in the clear (the save of a decoded note).
    bool keepsTextSecret() const { return m_secret && isShown(); }
    // The note's text was enciphered in the editor, or another program enciphered its file.
    void keepSecret();
    // Tools > Remove Encryption: the next save writes the decrypted note in the clear.
    void removeEncryption();
    // What the file held when it was read or last saved.
    const NoteFingerprint &fingerprint() const { return m_file.fingerprint(); }
    // Those bytes themselves, the base of a merge with another program's change, for a note
    // small enough (below kKeptBaseBytes) to be held twice; none for a larger one.
    const std::optional<QByteArray> &readBytes() const { return m_file.bytes(); }
    // The file now holds `bytes`, whose fingerprint is `fingerprint`: another program's change,
    // merged into the editor's text or set aside for it (Keep Mine), which a save now writes
    // over without asking.
    void takeFile(const NoteFingerprint &fingerprint, const QByteArray &bytes);
    // The editor's text is the file's again, put there as an edit Undo takes back: the edits
    // end, and the note is "Unchanged".
    void settleAsRead();

    // The status word, and with it the Save commands and the Encode/Decode caption:
    // "Unchanged" turns Save off and the caption to Encode, "Changed" turns Save on, "Decoded"
    // turns the caption to Encode, "Encoded" to Decode.
    void SetNoteStatus(NoteStatus status);
    void DisableNoteSave();
    // The note is to be saved in another form than its file holds (encrypted, or with another
    // passphrase): Save is on, whatever the status, and no Undo takes that back.
    void mustBeSaved();

    // The text in the editor changed: "Changed", and an edit of the user's unless the program
    // is putting text there (see Replacing). `backToSettled`: the edit (an Undo or a Redo) put
    // back the very text the editor held when the note last had no unsaved edits; the note
    // then goes back to what it was at that time (its status, Save), its edits ended, unless
    // the file changed since.
    void textChanged(bool backToSettled = false);
    // Another program changed the file while the editor holds text the file does not: no Undo
    // brings the note back to the file's text.
    void fileChangedElsewhere();
    // The status changes as an Undo or a Redo puts back the text of a note with no edits: no
    // news about the note came with it.
    bool isReturningToSettled() const { return m_returning; }

    // While one lives, changes of the editor's text are the program's, not the user's.
    class Replacing
    {
    public:
        explicit Replacing(NoteSession &session) : m_session(session) { ++m_session.m_replacing; }
        ~Replacing() { --m_session.m_replacing; }
        Replacing(const Replacing &) = delete;
        Replacing &operator=(const Replacing &) = delete;

    private:
        NoteSession &m_session;
    };

Q_SIGNALS:
    void statusChanged(qb::NoteStatus status);
    // Emitted whenever the status sets Save, so that the window's switching of the commands
    // and the status agree on who spoke last.
    void saveEnabledChanged(bool enabled);
    void cipherCommandChanged(qb::CipherDirection direction);
    // A note is shown, or none is: path() tells which.
    void shownChanged();
    void loadingChanged(bool loading);
    // The user changed the text of the note at path().
    void userEdited();
    void protectionChanged(qb::NoteSession::Protection protection);
    // The note shown became secret (keepsTextSecret), or stopped being so.
    void secrecyChanged(bool secret);
    // The note at `path` was saved.
    void saved(const QString &path);
    // The note at `path` no longer holds unsaved edits: they were saved, or dropped.
    void editsEnded(const QString &path);

private:
    void setShown(const QString &path);
    // The note read is shown, as `kind` and `format` tell, `fileBytes` being its enciphered
    // bytes.
    void adopt(ShowableNote::Kind kind, const NoteFormat &format,
               std::optional<QByteArray> fileBytes);
    // Everything known of the note shown goes, its edits ending, but its path.
    void forgetShownNote();
    void setEdited(bool edited);
    void setLoading(bool loading);
    void setSaveEnabled(bool enabled);
    void setCipherCommand(CipherDirection direction);
    void setSecret(bool secret);

    // What the note was the last time it had no unsaved edits, taken as the user's first edit
    // since comes in; none once the file changed meanwhile, or the program put other text in
    // the editor.
    struct Settled
    {
        NoteStatus status;
        bool saveEnabled;
        CipherDirection cipherCommand;
        std::optional<QByteArray> knownBytes;
    };

    QString m_path;
    NoteFileIo m_file;
    NoteFormat m_format;
    NoteStatus m_status = NoteStatus::Unchanged;
    bool m_saveEnabled = true;
    CipherDirection m_cipherCommand = CipherDirection::Encipher;
    bool m_edited = false;
    bool m_secret = false;
    Protection m_protection = Protection::None;
    bool m_loading = false;
    int m_replacing = 0;
    std::optional<Settled> m_settled;
    bool m_returning = false;
    std::optional<QByteArray> m_knownBytes;
};

} // namespace qb
