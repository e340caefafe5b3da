#pragma once

#include "editor/UnsavedEdits.h"
#include "encoder/NoteCodec.h"

namespace qb {

class HistoryKeeper;
class NoteDocument;
class NotePassphrase;
class NoteSaver;
class NoteSession;
class Platform;

// Saving the shown note, with the questions a save may need first (a character the note's
// encoding cannot hold, a file another program changed), and the question before unsaved edits
// would be dropped, whose Yes saves. A decrypted note is saved encrypted again, its clear text
// never written. What a save replaces goes to the note's history. Works on what it is given,
// which outlives it.
class NoteSaveFlow final : public UnsavedEdits
{
public:
    NoteSaveFlow(NoteSession &session, NoteDocument &document, HistoryKeeper &history,
                 NotePassphrase &passphrase, Platform &platform)
        : m_session(session), m_document(document), m_history(history), m_passphrase(passphrase),
          m_platform(platform)
    {
    }

    // Writes the shown note unless it is "Unchanged"; false when a write was needed and failed
    // or the user declined it.
    bool SaveNote();

    Answer askToSave(const QString &question, const QString &title) override;
    Answer askToSave(const QString &text, Platform::Buttons buttons, Platform::Icon icon,
                     const QString &title) override;

private:
    // What one try at a save came to.
    enum class Attempt { Saved, Failed, AgainInUtf8 };
    // Writes the note in `format`, once what its text needs is asked.
    Attempt saveIn(const NoteFormat &format);
    // The text holds `c`, which `format` cannot store: the note goes again in UTF-8 if it can
    // and the user agrees.
    Attempt cannotHold(const QString &path, char32_t c, const NoteFormat &format);
    // A decrypted note's text, `clearBytes`, encrypted into the saver: false when its key could
    // not be worked out.
    bool encryptInto(NoteSaver &saver, const QString &path, const QByteArray &clearBytes);
    // Puts what `saver` wrote in place of the note, keeping what it replaces as a version: false
    // when the write failed.
    bool putInPlace(NoteSaver &saver, const QString &path, const NoteFormat &format,
                    bool encrypting);
    void reportCantSave(const QString &path, const QString &why);
    // Asks whether to store the note as UTF-8: failed when the user said no.
    Attempt askUtf8Instead(const QString &text);
    // Asks before a file another program changed is overwritten: false when the user said no.
    bool confirmOverwrite(const QString &path);

    NoteSession &m_session;
    NoteDocument &m_document;
    HistoryKeeper &m_history;
    NotePassphrase &m_passphrase;
    Platform &m_platform;
};

} // namespace qb
