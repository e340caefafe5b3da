#include "find/FindCommands.h"

#include "editor/NoteEditor.h"
#include "find/frmFIND.h"
#include "platform/LongCommand.h"
#include "platform/Platform.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// Block by block, so that no copy of the whole text is made: a match lies within one block
// unless the searched text holds a line break, which is searched for in the text as one.
qsizetype FindInDocument(const QTextDocument &document, const QString &what, int from,
                         Qt::CaseSensitivity cs)
{
    if (what.contains(QChar::ParagraphSeparator))
        return FindText(document.toRawText(), what, from, cs);
    for (QTextBlock block = document.findBlock(from); block.isValid(); block = block.next()) {
        const qsizetype found =
            FindText(block.text(), what, std::max(0, from - block.position()), cs);
        if (found >= 0)
            return block.position() + found;
    }
    return -1;
}

} // namespace

FindCommands::FindCommands(NoteEditor &editor, Platform &platform, QWidget &dialogParent)
    : m_editor(editor), m_platform(platform), m_dialogParent(dialogParent)
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
    QTextCursor cursor = m_editor.textCursor();
    if (cursor.hasSelection()) {
        cursor.setPosition(cursor.selectionEnd());
        m_editor.setTextCursor(cursor);
    }
    const QTextDocument &document = *m_editor.document();
    const LongCommand command(document.characterCount() >= LongCommandBytes);
    const int from = request.fromBeginning ? 0 : cursor.position();
    const qsizetype found = FindInDocument(document, request.text, from, request.caseSensitivity);
    if (found < 0)
        return false;
    cursor.setPosition(int(found));
    cursor.setPosition(int(found + request.text.size()), QTextCursor::KeepAnchor);
    m_editor.setTextCursor(cursor);
    return true;
}

void FindCommands::reportNotFound()
{
    m_platform.messageBox(u"Unable to find the specified string."_s, Platform::Buttons::Ok,
                          Platform::Icon::None, u"Quirebox Find"_s);
}

void FindCommands::closeDialog()
{
    delete m_dialog.data();
}

} // namespace qb
