#include "editor/NoteEditor.h"

#include "notes/NoteDocument.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMenu>
#include <QMimeData>
#include <QTextCursor>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace qb {

NoteEditor::NoteEditor(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(u"txtTEXT"_s);
    QFont font(u"Courier New"_s);
    font.setPointSizeF(9.75);
    if (QFontInfo(font).family() != font.family()) {
        const qreal size = font.pointSizeF();
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(size);
    }
    setFont(font);
    setAcceptDrops(true);
    GuardStandIns(*document());
}

void NoteEditor::setEditMenu(QMenu *menu)
{
    m_editMenu = menu;
}

void NoteEditor::pastePlainText()
{
    if (isReadOnly())
        return;
    textCursor().insertText(QApplication::clipboard()->text());
    ensureCursorVisible();
}

QStringList NoteEditor::DroppedFiles(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

void NoteEditor::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    // A note holds tabs; focus moves by mouse. Shift+Tab arrives as Backtab.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        if (!isReadOnly()) {
            textCursor().insertText(u"\t"_s);
            ensureCursorVisible();
        }
        event->accept();
        return;
    }
    if ((key == Qt::Key_V && modifiers == Qt::ControlModifier)
        || (key == Qt::Key_Insert && modifiers == Qt::ShiftModifier)) {
        pastePlainText();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void NoteEditor::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_editMenu) {
        QPlainTextEdit::contextMenuEvent(event);
        return;
    }
    const QPoint at = event->reason() == QContextMenuEvent::Mouse
                          ? event->globalPos()
                          : viewport()->mapToGlobal(cursorRect().bottomLeft());
    m_editMenu->popup(at);
    event->accept();
}

// Files are taken whatever state the editor is in: a book can be dropped before one is open.
void NoteEditor::dragEnterEvent(QDragEnterEvent *event)
{
    if (!DroppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dragEnterEvent(event);
}

void NoteEditor::dragMoveEvent(QDragMoveEvent *event)
{
    if (!DroppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dragMoveEvent(event);
}

void NoteEditor::dropEvent(QDropEvent *event)
{
    const QStringList paths = DroppedFiles(event->mimeData());
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        // Handled after the drop has ended, so that the questions it may ask do not keep the
        // program the files came from waiting.
        QMetaObject::invokeMethod(
            this, [this, paths] { Q_EMIT filesDropped(paths); }, Qt::QueuedConnection);
        return;
    }
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dropEvent(event);
}

bool NoteEditor::canInsertFromMimeData(const QMimeData *source) const
{
    return source && source->hasText();
}

void NoteEditor::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText() || isReadOnly())
        return;
    textCursor().insertText(source->text());
    ensureCursorVisible();
}

} // namespace qb
