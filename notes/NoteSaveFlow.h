#pragma once

#include "editor/UnsavedEdits.h"

namespace qb {

class HistoryKeeper;
class NoteDocument;
class NotePassphrase;
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
    // Asks whether to store the note as UTF-8: false when the user said no.
    bool askUtf8Instead(const QString &text);
    // Asks before a file another program changed is overwritten: false when the user said no.
    bool confirmOverwrite(const QString &path);

    NoteSession &m_session;
    NoteDocument &m_document;
    HistoryKeeper &m_history;
    NotePassphrase &m_passphrase;
    Platform &m_platform;
};

} // namespace qb
