#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace qb {

class CurrentNote;
class NoteSession;
class Platform;

// Tools > Encode / Decode: enciphering the shown note with a keyword. Both work on the note's
// bytes in its own form, and show the result as a read file would be shown.
class EncoderCommands
{
public:
    EncoderCommands(NoteSession &session, CurrentNote &currentNote, Platform &platform)
        : m_session(session), m_currentNote(currentNote), m_platform(platform)
    {
    }

    // Encode or Decode, as the Encode/Decode item says now.
    void toggleEncoding();
    void EncodeNote();
    void DecodeNote();

private:
    // Asks for the keyword; nullopt when none was given or it cannot be had as bytes.
    std::optional<QByteArray> keywordBytes(const QString &prompt, const QString &title);

    NoteSession &m_session;
    CurrentNote &m_currentNote;
    Platform &m_platform;
};

} // namespace qb
