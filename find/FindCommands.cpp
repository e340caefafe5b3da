#include "find/FindCommands.h"

#include "editor/DocumentText.h"
#include "editor/NoteDocument.h"
#include "editor/NoteView.h"
#include "editor/SoftBreaks.h"
#include "find/frmFIND.h"
#include "notes/NoteSession.h"
#include "platform/LongCommand.h"
#include "platform/Platform.h"

#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// The text goes through one buffer of bounded size, run by run, so that no copy of the whole of
// it is made: the buffer keeps the end of what it searched, so that a match across its border is
// found. Positions are the note's: the soft breaks of long lines are no text, and left out.
qsizetype findInDocument(const QTextDocument &document, const QString &what, qsizetype from,
                         Qt::CaseSensitivity cs)
{
    constexpr qsizetype kSearchedAtOnce = 1 << 20;
    if (what.isEmpty())
        return -1;
    QString buffer;
    buffer.reserve(kSearchedAtOnce + what.size());
    qsizetype bufferStart = 0; // the note's position of buffer[0]
    qsizetype found = -1;
    const auto search = [&] {
        found = findText(buffer, what, std::max<qsizetype>(from - bufferStart, 0), cs);
        if (found >= 0) {
            found += bufferStart;
            return;
        }
        const qsizetype kept = std::min(buffer.size(), what.size() - 1);
        bufferStart += buffer.size() - kept;
        buffer.remove(0, buffer.size() - kept);
    };
    qsizetype position = 0;
    forEachNoteRun(document, 0, documentTextLength(document), [&](QStringView run, int) {
        // Runs before the start are passed over, but for the end a match may begin in.
        if (position + run.size() + what.size() <= from) {
            position += run.size();
            bufferStart = position;
            return true;
        }
        position += run.size();
        while (!run.isEmpty()) {
            const qsizetype take = std::min(run.size(), kSearchedAtOnce - buffer.size());
            buffer.append(run.first(take));
            run = run.sliced(take);
            if (buffer.size() >= kSearchedAtOnce) {
                search();
                if (found >= 0)
                    return false;
            }
        }
        return true;
    });
    if (found < 0)
        search();
    return found;
}

} // namespace

FindCommands::FindCommands(const NoteDocument &note, NoteView &view, const NoteSession &session,
                           Platform &platform, QWidget &dialogParent)
    : m_note(note), m_view(view), m_session(session), m_platform(platform),
      m_dialogParent(dialogParent)
{
}

FindCommands::~FindCommands() = default;

frmFIND &FindCommands::dialog()
{
    if (!m_dialog) {
        m_dialog = new frmFIND(&m_dialogParent);
        m_request = m_dialog->request();
        QObject::connect(m_dialog, &frmFIND::requestChanged, m_dialog,
                         [this](const FindRequest &request) { m_request = request; });
        QObject::connect(m_dialog, &frmFIND::findRequested, m_dialog,
                         [this](const FindRequest &request) { findFromDialog(request); });
    }
    return *m_dialog;
}

void FindCommands::showDialog()
{
    frmFIND &find = dialog();
    find.show();
    find.raise();
    find.activateWindow();
}

void FindCommands::findNext()
{
    // Made hidden when it was never opened: its text is then empty.
    dialog();
    FindRequest request = m_request;
    request.fromBeginning = false;
    if (!FindInNote(request))
        reportNotFound();
}

void FindCommands::findFromDialog(const FindRequest &request)
{
    if (FindInNote(request)) {
        m_dialog->hide();
        // The match is shown in the editor; give its window the keyboard back.
        m_dialogParent.activateWindow();
        return;
    }
    reportNotFound();
    m_dialog->focusText();
}

bool FindCommands::FindInNote(const FindRequest &request)
{
    // Part of a note being read is no note to say "not found" of.
    if (m_session.isLoading())
        return false;
    QTextCursor cursor = m_view.caret();
    if (cursor.hasSelection()) {
        cursor.setPosition(cursor.selectionEnd());
        m_view.setCaret(cursor, false);
    }
    const QTextDocument &document = m_note.document();
    const LongCommand command(document.characterCount() >= kLongCommandBytes);
    const NotePositions positions = m_note.positions();
    const qsizetype from = request.fromBeginning ? 0 : positions.notePosition(cursor.position());
    const qsizetype found = findInDocument(document, request.text, from, request.caseSensitivity);
    if (found < 0)
        return false;
    const auto [start, end] = positions.editorRange(found, found + request.text.size());
    cursor.setPosition(int(start));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    m_view.setCaret(cursor, false);
    return true;
}

void FindCommands::reportNotFound()
{
    m_platform.messageBox(m_session.isLoading()
                              ? u"The note is still being read. Find it again once it is all in."_s
                              : u"Unable to find the specified string."_s,
                          Platform::Buttons::Ok, Platform::Icon::None, u"Quirebox Find"_s);
}

void FindCommands::closeDialog()
{
    delete m_dialog.data();
}

} // namespace qb
