#include "editor/NoteEditor.h"

#include "editor/NoteText.h"
#include "editor/SoftBreaks.h"
#include "editor/StandInFormats_p.h"
#include "editor/WavyUnderlines.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>

#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

bool isDragEvent(const QEvent *event)
{
    return event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
           event->type() == QEvent::Drop;
}

// The text a key types, as Qt's editor takes it: none with Ctrl held, nor when the first
// character, a pair of surrogates whole, is neither printable nor an invisible joiner.
QString typedText(const QKeyEvent &event)
{
    const QString text = event.text();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (text.isEmpty() || modifiers == Qt::ControlModifier ||
        modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return {};
    char32_t first = text.front().unicode();
    if (text.front().isHighSurrogate() && text.size() > 1)
        first = QChar::surrogateToUcs4(text[0], text[1]);
    return QChar::isPrint(first) || QChar::category(first) == QChar::Other_Format ? text
                                                                                  : QString();
}

// Whether a key would change the text: one that types a character, a line end, a tab, or
// takes text away or puts it in, as against one that moves the caret, selects or copies.
bool editsText(const QKeyEvent &event)
{
    if (!typedText(event).isEmpty())
        return true;
    switch (event.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        break;
    }
    return event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut) ||
           event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo);
}

} // namespace

NoteEditor::NoteEditor(NoteDocument &note, QWidget *parent) : QPlainTextEdit(parent), m_note(note)
{
    setObjectName(u"txtTEXT"_s);
    showDocument();
    connect(&note, &NoteDocument::documentReplaced, this, &NoteEditor::showDocument);
    connect(&note, &NoteDocument::textReplaced, this, &NoteEditor::caretToStart);
    setBaseFont(defaultFont());
    m_note.setStandInColour(standInColour(palette()));
    setAcceptDrops(true);
    viewport()->installEventFilter(this);
    if (parent) {
        parent->setAcceptDrops(true);
        parent->installEventFilter(this);
    }
    // The caret's format changes when it moves, and when the text around it does (a display
    // line emptied by Delete leaves it after a soft break).
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &NoteEditor::keepCaretPlain);
    connect(this, &QPlainTextEdit::textChanged, this, &NoteEditor::keepCaretPlain);
}

NoteEditor::~NoteEditor() = default;

void NoteEditor::showDocument()
{
    QTextDocument &document = m_note.document();
    if (this->document() == &document)
        return;
    // Their cursors are in the old document, which may be deleted on another thread.
    m_underlines.clear();
    // Not deleted by setDocument, which deletes a document the editor made itself.
    setDocument(&document);
    document.setDefaultFont(font());
    caretToStart();
}

void NoteEditor::setCaret(const QTextCursor &caret, bool centred)
{
    setTextCursor(caret);
    if (centred)
        centerCursor();
}

void NoteEditor::takeKeyboard()
{
    activateWindow();
    setFocus();
}

QFont NoteEditor::printFont() const
{
    QFont printed = font();
    printed.setPointSizeF(m_baseFont.pointSizeF());
    return printed;
}

void NoteEditor::caretToStart()
{
    setTextCursor(QTextCursor(document()));
    keepCaretPlain();
}

void NoteEditor::keepCaretPlain()
{
    const QTextCursor caret = textCursor();
    const QTextCharFormat format = caret.charFormat();
    if (!caret.hasSelection() &&
        (format.hasProperty(kStandInProperty) || format.hasProperty(kSoftBreakProperty)))
        setCurrentCharFormat(QTextCharFormat());
}

void NoteEditor::setEditMenu(QMenu *menu)
{
    m_editMenu = menu;
}

void NoteEditor::setContextItems(std::function<void(QMenu &, int)> addItems)
{
    m_contextItems = std::move(addItems);
}

void NoteEditor::setUnderlines(QList<QTextCursor> ranges, const QColor &colour)
{
    m_underlines = std::move(ranges);
    m_underlineColour = colour;
    viewport()->update();
}

void NoteEditor::paintEvent(QPaintEvent *event)
{
    QPlainTextEdit::paintEvent(event);
    if (m_underlines.isEmpty())
        return;
    const QRect exposed = event->rect();
    const QPointF offset = contentOffset();
    std::optional<QPainter> painter; // begun only when there is a line to draw
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingGeometry(block).translated(offset);
        if (box.top() > exposed.bottom())
            break;
        if (!block.isVisible() || box.bottom() < exposed.top() ||
            !hasUnderlineIn(m_underlines, block))
            continue;
        if (!painter)
            painter.emplace(viewport());
        drawWavyUnderlines(*painter, block, box.topLeft(), m_underlines, m_underlineColour);
    }
}

bool NoteEditor::replaceSelection(const QString &text)
{
    if (!acceptsEdits())
        return false;
    QTextCursor cursor = textCursor();
    insertMakingRoom(cursor, text);
    setTextCursor(cursor);
    ensureCursorVisible();
    return true;
}

void NoteEditor::pastePlainText()
{
    insertFromMimeData(QApplication::clipboard()->mimeData());
}

QMimeData *NoteEditor::mimeDataOf(int from, int to) const
{
    const DecodedNote text = noteTextOf(*document(), from, to);
    auto *mime = new QMimeData;
    mime->setText(originalText(text));
    mime->setData(QLatin1String(kNoteTextMimeType), noteTextMimeData(text));
    return mime;
}

QMimeData *NoteEditor::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    return mimeDataOf(cursor.selectionStart(), cursor.selectionEnd());
}

QStringList NoteEditor::droppedFiles(const QMimeData *mime)
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

void NoteEditor::holdKeys(bool hold)
{
    m_holdingKeys = hold;
    // Typed once what ended the hold has settled the note and put the caret in its place.
    if (!hold && !m_heldKeys.empty())
        QTimer::singleShot(0, this, &NoteEditor::typeHeldKeys);
}

bool NoteEditor::held(const QEvent &event)
{
    if (m_typingHeldKeys || (!m_holdingKeys && m_heldKeys.empty()))
        return false;
    // While the held keys wait to be typed, every key waits behind them, so that all go in the
    // order they came.
    const bool edits =
        !m_holdingKeys ||
        (event.type() == QEvent::InputMethod
             ? !static_cast<const QInputMethodEvent &>(event).commitString().isEmpty()
             : editsText(static_cast<const QKeyEvent &>(event)));
    if (edits)
        m_heldKeys.emplace_back(event.clone());
    return edits;
}

void NoteEditor::typeHeldKeys()
{
    // Held again meanwhile: typed when that hold ends.
    if (m_holdingKeys)
        return;
    m_typingHeldKeys = true;
    const std::vector<std::unique_ptr<QEvent>> keys = std::exchange(m_heldKeys, {});
    for (const std::unique_ptr<QEvent> &key : keys)
        QCoreApplication::sendEvent(this, key.get());
    m_typingHeldKeys = false;
}

void NoteEditor::keyPressEvent(QKeyEvent *event)
{
    if (held(*event)) {
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    // A note holds tabs; focus moves by mouse. Shift+Tab arrives as Backtab.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        replaceSelection(u"\t"_s);
        event->accept();
        return;
    }
    if ((key == Qt::Key_V && modifiers == Qt::ControlModifier) ||
        (key == Qt::Key_Insert && modifiers == Qt::ShiftModifier)) {
        pastePlainText();
        event->accept();
        return;
    }
    // A line end typed is plain whatever the caret's format: after a soft break it would be
    // taken for another.
    if (event->matches(QKeySequence::InsertParagraphSeparator) && acceptsEdits()) {
        QTextCursor cursor = textCursor();
        cursor.insertBlock(cursor.blockFormat(), QTextCharFormat());
        setTextCursor(cursor);
        ensureCursorVisible();
        event->accept();
        return;
    }
    // A soft break is no character of the note: Backspace and Delete beside one (or beside
    // two, round an emptied display line) take the character beyond.
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && !textCursor().hasSelection() &&
        acceptsEdits()) {
        QTextCursor cursor = textCursor();
        const bool back = key == Qt::Key_Backspace;
        int at = cursor.position();
        while (isSoftBreakAt(*document(), back ? at - 1 : at))
            at += back ? -1 : 1;
        if (at != cursor.position()) {
            cursor.setPosition(at);
            setTextCursor(cursor);
        }
    }
    if (acceptsEdits() && typedMakingRoom(*this, *event, typedText(*event))) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

// Qt takes a commit as a change of its whole paragraph, which would have the stand-in guard
// unmark every stand-in there: the guard rests, and the text committed is made plain instead,
// its line ends too.
void NoteEditor::inputMethodEvent(QInputMethodEvent *event)
{
    if (held(*event)) {
        event->accept();
        return;
    }
    const StandInGuardRest rest(*document());
    keepCaretPlain();
    // Soft breaks go in once the text committed is made plain, found back from the caret.
    const SoftBreakWait wait(*document());
    QPlainTextEdit::inputMethodEvent(event);
    const qsizetype committed = event->commitString().size();
    if (committed > 0 && !isReadOnly()) {
        const int end = textCursor().position();
        makePlain(*document(), end - int(committed), end);
    }
}

// A drop inserts its text through insertFromMimeData, inside an edit of Qt's own that also
// removes the text dragged: the guard rests until that edit has ended.
void NoteEditor::dropEvent(QDropEvent *event)
{
    const StandInGuardRest rest(*document());
    QPlainTextEdit::dropEvent(event);
}

void NoteEditor::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange && m_note.setStandInColour(standInColour(palette())))
        viewport()->update();
    QPlainTextEdit::changeEvent(event);
}

void NoteEditor::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_editMenu) {
        QPlainTextEdit::contextMenuEvent(event);
        return;
    }
    const bool mouse = event->reason() == QContextMenuEvent::Mouse;
    const QPoint at =
        mouse ? event->globalPos() : viewport()->mapToGlobal(cursorRect().bottomLeft());
    event->accept();
    if (m_contextItems) {
        auto *menu = new QMenu(this);
        menu->setObjectName(u"editorContextMenu"_s);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const int position = mouse ? cursorForPosition(viewport()->mapFromGlobal(at)).position()
                                   : textCursor().position();
        m_contextItems(*menu, position);
        if (!menu->isEmpty()) {
            // The Edit menu's own items, which stay in it as they are.
            menu->addSeparator();
            menu->addActions(m_editMenu->actions());
            menu->popup(at);
            return;
        }
        delete menu;
    }
    m_editMenu->popup(at);
}

// Files are taken whatever state the editor is in: a book can be dropped before one is open.
// While the editor is switched off Qt hands its drag events to the parent instead, so they are
// taken there when they fall on the editor.
bool NoteEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == viewport() && takeFileDrop(event))
        return true;
    if (watched == parentWidget() && !isEnabled() && isDragEvent(event) &&
        geometry().contains(static_cast<QDropEvent *>(event)->position().toPoint()) &&
        takeFileDrop(event)) {
        return true;
    }
    return QPlainTextEdit::eventFilter(watched, event);
}

bool NoteEditor::takeFileDrop(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (droppedFiles(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = droppedFiles(drop->mimeData());
        if (paths.isEmpty())
            return false;
        drop->acceptProposedAction();
        // Handled after the drop has ended, so that the questions it may ask do not keep the
        // program the files came from waiting.
        QMetaObject::invokeMethod(
            this, [this, paths] { Q_EMIT filesDropped(paths); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}

bool NoteEditor::canInsertFromMimeData(const QMimeData *source) const
{
    return source && source->hasText();
}

void NoteEditor::insertFromMimeData(const QMimeData *source)
{
    if (!source || !acceptsEdits())
        return;
    std::optional<DecodedNote> text;
    if (const QString type = QLatin1String(kNoteTextMimeType); source->hasFormat(type))
        text = parseNoteTextMimeData(source->data(type));
    if (!text && source->hasText())
        text = pastedNoteText(source->text());
    if (!text)
        return;
    QTextCursor cursor = textCursor();
    m_note.insert(cursor, *text, m_lineEnd);
    setTextCursor(cursor);
    keepCaretPlain();
    ensureCursorVisible();
}

} // namespace qb
