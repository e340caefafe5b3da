#pragma once

#include "editor/NoteDocument.h"
#include "editor/NoteView.h"
#include "encoder/NoteCodec.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QMimeData;

namespace qb {

// txtTEXT: the note editor. Plain text only, in a fixed-pitch font. Tab always inserts a tab,
// the paste keys paste plain text, the right button pops up the window's Edit menu, and files
// dropped on it are handed on through filesDropped rather than inserted.
class NoteEditor final : public QPlainTextEdit, public NoteView
{
    Q_OBJECT
public:
    // Shows `note`, which outlives the editor, and follows it when it replaces its document.
    explicit NoteEditor(NoteDocument &note, QWidget *parent = nullptr);
    ~NoteEditor() override;

    NoteDocument &note() const { return m_note; }
    QTextCursor caret() const override { return textCursor(); }
    void setCaret(const QTextCursor &caret, bool centred) override;
    QFont printFont() const override;
    void takeKeyboard() override;
    void setEditable(bool editable) override { setReadOnly(!editable); }

    // The font at the normal size: Courier New 9.75 point, or the metric-compatible Liberation
    // Mono where it is missing, or the system's fixed-pitch font.
    static QFont defaultFont();
    static constexpr qreal kNormalPointSize = 9.75;
    static constexpr qreal kSmallestPointSize = 4;
    static constexpr int kZoomSteps = 40;
    // The font the text is shown in at zoom 0.
    const QFont &baseFont() const { return m_baseFont; }
    void setBaseFont(const QFont &font);
    // Points added to the base font's size, in steps of one; Ctrl+wheel changes them too.
    int zoom() const { return m_zoom; }
    void setZoom(int steps);

    // The menu shown for the right button; not owned. Without one the editor shows its own.
    void setEditMenu(QMenu *menu);
    QMenu *editMenu() const { return m_editMenu; }
    // Puts items for the editor's `position` under a right click above the Edit menu's, in a
    // menu made for that click; the Edit menu alone pops up when it puts none.
    void setContextItems(std::function<void(QMenu &menu, int position)> addItems);

    // Wavy lines of `colour` under `ranges` (sorted by where they start), drawn over the text
    // and never in it; they move with the text as cursors do.
    void setUnderlines(QList<QTextCursor> ranges, const QColor &colour);
    const QList<QTextCursor> &underlines() const { return m_underlines; }

    // While held, the keys and input method commits that would edit the text are kept, and
    // typed once the hold ends and the events that ended it have run: a note being read in
    // takes no edits, and loses none. They go where the caret is then; a note not shown by
    // then (a load that failed, or was stopped) takes none.
    void holdKeys(bool hold) override;
    bool holdsKeys() const { return m_holdingKeys; }

    // Whether the text may be edited now: a note is shown and all of it is in. Every command
    // that changes the text asks this, since a text cursor would edit a read-only editor too.
    bool acceptsEdits() const override { return isEnabled() && !isReadOnly(); }
    // Replaces the selection with `text`, as the user's edit; false, changing nothing, while
    // edits are refused.
    bool replaceSelection(const QString &text);
    // Replaces the selection with the clipboard's text, never anything richer.
    void pastePlainText();

    // How the shown note ends its lines: a pasted character that is that line end breaks the
    // line, where in another note it would be a stand-in.
    void setLineEnd(LineEnd lineEnd) override { m_lineEnd = lineEnd; }
    // The characters at [from, to) for the clipboard: as plain text, each stand-in as the
    // character it stands for, and as the note's text, which a paste into a note gives back as
    // it was copied.
    QMimeData *mimeDataOf(int from, int to) const;

    // The local files a drop carries, in the order given; empty for a drop of anything else.
    static QStringList droppedFiles(const QMimeData *mime);

Q_SIGNALS:
    void filesDropped(const QStringList &paths);
    void zoomChanged(int steps);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void showDocument();
    void caretToStart();
    // Typing takes the caret's format, the format of the character before it: after a stand-in
    // or a soft break a plain one is set instead, so that typed text is not marked and no undo
    // step is needed to unmark it. A selection keeps its formats; the document's guard covers
    // typing over it.
    void keepCaretPlain();
    void applyFont();
    bool takeFileDrop(QEvent *event);
    // Holds `event` when keys are held and it would edit the text.
    bool held(const QEvent &event);
    void typeHeldKeys();

    NoteDocument &m_note;
    QPointer<QMenu> m_editMenu;
    std::function<void(QMenu &, int)> m_contextItems;
    QList<QTextCursor> m_underlines;
    QColor m_underlineColour;
    LineEnd m_lineEnd = LineEnd::CrLf;
    bool m_holdingKeys = false;
    bool m_typingHeldKeys = false;
    std::vector<std::unique_ptr<QEvent>> m_heldKeys;
    QFont m_baseFont;
    int m_zoom = 0;
    int m_wheelAngle = 0; // of a wheel turned with Ctrl, less the steps zoomed
};

} // namespace qb
