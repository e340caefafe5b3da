#pragma once

#include <QString>

namespace qb {

class NoteDocument;
class NoteSession;
class NoteView;
class Platform;

// File > Print... and File > Export as PDF...: the shown note's text as the editor holds it, in
// the editor's font, on pages that carry the note's name and their number. A secret note shown
// deciphered is refused: its clear text would leave the program. Works on what it is given,
// which outlives it.
class PrintCommands
{
public:
    PrintCommands(const NoteSession &session, const NoteDocument &document, const NoteView &view,
                  Platform &platform)
        : m_session(session), m_document(document), m_view(view), m_platform(platform)
    {
    }

    // The system's print dialog, then the note's pages on the printer, or into the file, chosen.
    void print();
    // The note's pages in a PDF file the user names, by default the note's name in its folder,
    // or in the folder of the last export. Written whole or not at all: a failure leaves what
    // the file held before.
    void exportPdf();

private:
    // False, having told the user why, when the note may not leave the program as it is shown.
    // `done` and `doing` name what was asked: "printed" and "print", ...
    bool mayLeave(const QString &done, const QString &doing, const QString &title) const;

    const NoteSession &m_session;
    const NoteDocument &m_document;
    const NoteView &m_view;
    Platform &m_platform;
    QString m_exportFolder; // where the last PDF went; empty before the first
};

} // namespace qb
