#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace qb {

class CipherNote;
class Platform;

// Tools > Encode / Decode: enciphering the shown note with a keyword. Both work on the note's
// bytes in its own form, and show the result as a read file would be shown.
class EncoderCommands
{
public:
    EncoderCommands(CipherNote &note, Platform &platform) : m_note(note), m_platform(platform) {}

    // Encode or Decode, as the Encode/Decode item says now.
    void toggleEncoding();
    void EncodeNote();
    void DecodeNote();

private:
    // Asks for the keyword; nullopt when none was given or it cannot be had as bytes.
    std::optional<QByteArray> keywordBytes(const QString &prompt, const QString &title);

    CipherNote &m_note;
    Platform &m_platform;
};

} // namespace qb
