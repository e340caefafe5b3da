#pragma once

#include <QString>

namespace qb {

class frmQB;

// Tools > Encode / Decode: enciphering the current note with a keyword.
class EncoderCommands
{
public:
    explicit EncoderCommands(frmQB &window) : m_window(window) {}

    void T_mnuENCODE_Click();
    void EncodeNote();
    void DecodeNote();

private:
    frmQB &m_window;
};

} // namespace qb
