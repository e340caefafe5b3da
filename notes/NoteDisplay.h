#pragma once

#include "editor/NoteText.h"
#include "encoder/CipherNote.h"
#include "encoder/ProtectedNote.h"
#include "notes/NoteLoader.h"
#include "notes/NoteSession.h"
#include "platform/SafeFile.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace qb {

class NoteDocument;
class SlicedFill;
class NoteNotice;
class NotePassphrase;
class NoteSession;
class NoteView;
class Platform;

// A note of this size or more is read off the window's thread, its first screen shown at once.
inline constexpr qint64 kAsyncLoadBytes = 1024 * 1024;

// Puts the session's note into the editor: reads it (a large one off the window's thread, its
// first screen at once and the rest in slices between the window's events), shows none in place
// of one that cannot be read, reads it again when asked; tells the session of each change of the
// editor's text, and whether it is the text last read or saved again. Works on what it is
// given, which outlives it.
class NoteDisplay final : public QObject, public CipherNote, public ProtectedNote
{
    Q_OBJECT
public:
    NoteDisplay(NoteSession &session, NoteDocument &document, NoteView &view, NoteNotice &notice,
                NotePassphrase &passphrase, Platform &platform, QObject *parent = nullptr);
    ~NoteDisplay() override;

    // Whether a load may ask the user: one the user asked for may; one the program starts (a
    // file changed on disk) never does, and tells what it could not do in the notice instead.
    enum class Asking { Allowed, Never };

    // Reads the note at `path` into the editor, asking first about a very large one. What the
    // end of a load in the background brings is told in the notice, as it comes unasked. A
    // note that cannot be read is reported, and then none is shown.
    void LoadNote(const QString &path, Asking asking = Asking::Allowed);
    // Stops the load of a large note under way: no note is then shown.
    void cancelLoad();
    // Reads the shown note again from its file, the caret kept in its place. Keys typed while
    // it is read go into the note read, where the caret is kept. A file that cannot
    // be read leaves the note as the editor holds it, and the notice says why.
    void reloadNote(Asking asking);
    // Puts the file's text in place of the editor's as one edit that Undo takes back, the note
    // then as read ("Unchanged"), the caret kept in its place: for a plain note small enough to
    // be read whole. False, changing nothing, for any other (a large note, a secret one, a file
    // now enciphered or unreadable), which reloadNote reads as a new load instead.
    bool readAgainAsEdit();
    // Runs `action` once the note asked for is all in the editor: at once when it is, never
    // when its load is dropped or fails.
    void whenShown(std::function<void()> action);
    // Empties the editor and switches it off; no note is shown.
    void showNone();
    // While the note shown is about to be replaced (its folder is being listed), it takes no
    // edits, and the busy cursor shows.
    void holdEdits(bool hold);
    // Shows `note` in the editor, as the program's text, not as an edit of the user's.
    void showNote(const DecodedNote &note);
    // Puts the note `bytes` make (a version kept, a copy recovered) in place of the shown note's
    // text as an edit of the user's, undone in one step; a save then writes those bytes, or
    // encrypts them when the note is shown decrypted, which it stays. They are read in `format`
    // when given, else in the form found in them. False when no note is shown whole to take
    // them.
    bool replaceWithBytes(const QByteArray &bytes, const std::optional<NoteFormat> &format = {});
    // Puts the lines `changes` name in place of the editor's as replaceWithBytes does, the rest
    // left as it is: a large note's merge in a moment.
    bool replaceLines(const QList<ReplacedLines> &changes);
    // Counts the edits of the editor's text: unchanged, no edit was made.
    int textRevision() const;
    // While held, keys typed wait, to go in once it ends (NoteEditor::holdKeys).
    void holdKeys(bool hold);
    // The same with the bytes of an encoded note: shown "Encoded", as Encode leaves a note, and
    // saved as they are.
    bool replaceWithEncoded(const QByteArray &encoded);
    // Asks about a large file before it is opened or added, `probe` being what the system says
    // of it; false when it must not be: the user said no, or it is too large, which `refusal`
    // (then the path) has told.
    bool acceptFileSize(const QString &path, const FileProbe &probe, const QString &refusal,
                        const QString &title);

    // The shown note to the Encode and Decode commands.
    bool isShown() const override;
    QString noteName() const override;
    CipherDirection cipherCommand() const override;
    NoteBytes noteBytes() const override;
    std::optional<QByteArray> knownEncodedBytes() const override;
    void showCiphered(const QByteArray &bytes, CipherDirection done) override;
    void holdKeyword(SecretBytes keyword) override;
    // The keyword of the note shown decoded, or none.
    std::shared_ptr<const SecretBytes> heldKeyword() const { return m_keyword; }

    // The shown note to the passphrase commands.
    QString notePath() const override;
    ProtectedNote::Protection protection() const override;
    QByteArray ageFileBytes() const override;
    std::shared_ptr<const SecretBytes> heldPassphrase() const override;
    void keepEncrypted(SecretBytes passphrase) override;
    void showDecrypted(DecodedNote note, SecretBytes passphrase) override;
    void removeEncryption() override;

Q_SIGNALS:
    // A note that starts with the encoded-note header was shown at the user's word: its keyword
    // is asked at once.
    void encodedNoteLoaded();
    // A note read was put in the editor whole, before the place a reload keeps is given back.
    void shownWhole();
    // How far the load of a large note has come, in percent.
    void loadProgress(int percent);

private:
    void showFirstScreen(const DecodedNote &beginning);
    // The note was read: it goes into the editor in slices, between the window's events.
    void fillLoaded();
    // `note` into the editor piece by piece, its first `shown` characters in already; `after`
    // ends it once all of it is in and its bytes for the next save are worked out.
    void fillInPieces(const DecodedNote &note, qsizetype shown, std::function<void()> after);
    // A note is being read in or put in piece by piece.
    bool isFilling() const;
    // Ends what the start of a large load set, once however the load ends.
    // The busy cursor and no edits while a note goes in; endLoading ends them.
    void beginBusy();
    void endLoading();
    // Puts the caret back where reloadNote kept it, and runs what whenShown was given, once
    // the note is all in.
    void showPlace();
    // Drops a load under way, with no more said.
    void stopLoading();
    // No note rather than the one asked for, so that no save can write another note into it;
    // `reason`, when given, is why the file at `path` could not be read: told in a message box
    // when the user may be asked, else in the notice.
    void showNoNoteInstead(QString path = {}, const QString &reason = {},
                           Asking asking = Asking::Never);
    // After a note was shown: Save off until the user changes it, and the status it starts in.
    // The keyword of an encoded note is asked at once when the user may be asked.
    void settleLoaded(ShowableNote::Kind kind, Asking asking);
    // Nothing is typed into a note still being read, nor into an encrypted note's armour.
    void updateReadOnly();

    NoteSession &m_session;
    NoteDocument &m_document;
    NoteView &m_view;
    NoteNotice &m_notice;
    NotePassphrase &m_passphrase;
    Platform &m_platform;
    NoteLoader *m_loader;
    // Puts a large note (read in, or decrypted) into the document between the window's events.
    SlicedFill *m_fill;
    bool m_busy = false; // a large load set the busy cursor and made the editor read-only
    bool m_held = false; // holdEdits did the same
    DecodedNote m_firstScreen;
    LoadedNote m_loaded;
    // Once the note is in: where the caret was before a reload, and what to do then.
    struct KeptPlace
    {
        int line = 0;
        int column = 0;
    };
    std::optional<KeptPlace> m_keptPlace;
    std::function<void()> m_whenShown;
    std::shared_ptr<const SecretBytes> m_keyword;
};

} // namespace qb
