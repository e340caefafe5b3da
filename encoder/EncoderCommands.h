#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace qb {

class frmQB;

// Tools > Encode / Decode: enciphering the current note with a keyword. Both work on the note's
// bytes in its own encoding and show the result as a loaded file would be shown.
class EncoderCommands
{
public:
    explicit EncoderCommands(frmQB &window) : m_window(window) {}

    void T_mnuENCODE_Click();
    void EncodeNote();
    void DecodeNote();

private:
    // Asks for the keyword; nullopt when none was given or it cannot be had as bytes.
    std::optional<QByteArray> KeywordBytes(const QString &prompt, const QString &title);

    frmQB &m_window;
};

} // namespace qb
