#pragma once

class QByteArray;
class QWidget;

namespace qb {

class HistoryKeeper;
class NoteDisplay;
class NoteDocument;
class NoteSession;
class PassphraseCommands;
class Platform;

// File > Note History...: the versions kept of the shown note, and one of them put back in the
// editor as an edit of the user's, which Save writes and Undo takes back. A version is the bytes
// the note's file held: one of an encrypted note is put back decrypted into the note shown
// decrypted, which stays so; none is put in place of the armour of a note not decrypted.
class HistoryCommands
{
public:
    HistoryCommands(const NoteSession &session, NoteDisplay &display, const NoteDocument &document,
                    HistoryKeeper &history, PassphraseCommands &passphrases, Platform &platform,
                    QWidget &dialogParent)
        : m_session(session), m_display(display), m_document(document), m_history(history),
          m_passphrases(passphrases), m_platform(platform), m_dialogParent(dialogParent)
    {
    }

    void showHistory();

private:
    // Puts the version's `bytes` in place of the note's text, as the note keeps its text.
    void restore(const QByteArray &bytes);

    const NoteSession &m_session;
    NoteDisplay &m_display;
    const NoteDocument &m_document;
    HistoryKeeper &m_history;
    PassphraseCommands &m_passphrases;
    Platform &m_platform;
    QWidget &m_dialogParent;
};

} // namespace qb
