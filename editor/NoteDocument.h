#pragma once

#include "editor/DisplayLines.h"
#include "editor/NoteText.h"

#include <QColor>
#include <QObject>
#include <QThread>

#include <memory>

class QTextCursor;
class QTextDocument;

namespace qb {

class NoteBytesCache;

// The shown note's text: the QTextDocument a view shows, with the stand-ins for the characters no
// line can show and the soft breaks of long lines, the map between the note's positions and the
// document's, and the note's bytes kept for the next save. The commands that read or change the
// note's text take this, not the view; a view follows documentReplaced and textReplaced.
class NoteDocument final : public QObject
{
    Q_OBJECT
public:
    explicit NoteDocument(QObject *parent = nullptr);
    ~NoteDocument() override;

    QTextDocument &document() { return *m_document; }
    const QTextDocument &document() const { return *m_document; }
    // The bytes a save writes, kept between saves.
    NoteBytesCache &keptBytes() { return *m_keptBytes; }
    // Between the note's positions and the document's, soft breaks left out of the note's.
    NotePositions positions() const;

    // The colour the stand-ins are drawn in. Setting another gives the stand-ins shown the new
    // colour as no edit: the text, its undo steps and its modified flag stay as they are.
    // True when some stand-in changed colour.
    const QColor &standInColour() const { return m_standInColour; }
    bool setStandInColour(const QColor &colour);

    // Replaces the whole text with `note`, as the program's text: it cannot be undone, and
    // leaves the document unmodified.
    void showNote(const DecodedNote &note);
    // The same with no text; a large document is dropped rather than emptied (dropLarge).
    void clear();
    // Puts an empty document in place of a large one, so that what comes next need not empty
    // the large one on this thread: the large one is deleted on a thread of its own.
    void dropLarge();
    // The note's bytes as the document holds them now, in `format`.
    NoteBytes bytes(const NoteFormat &format) const;

    // Replaces the selection of `cursor` with `text` as one edit of the user's, undone in one
    // step, `cursor` then after it: a stand-in of `text` stays a stand-in, unless the note, of
    // `lineEnd`, holds its original as a line break.
    void insert(QTextCursor &cursor, const DecodedNote &text, LineEnd lineEnd);
    // Puts the lines `changes` name (ascending, apart) in place of the document's, as one edit
    // of the user's, undone in one step; the rest of the text, its layout included, stays as it
    // is. Gives the position of the first change.
    int replaceLines(const QList<ReplacedLines> &changes, LineEnd lineEnd);

Q_SIGNALS:
    // Another QTextDocument holds the text from now on: a view shows it, and what follows the
    // text follows it.
    void documentReplaced();
    // The program put another note's whole text in: the caret goes to its start.
    void textReplaced();
    // The text changed, in the document shown now (QTextDocument::contentsChanged).
    void contentsChanged();

private:
    void replaceDocument(std::unique_ptr<QTextDocument> document);

    QTextDocument *m_document;
    QColor m_standInColour;
    std::unique_ptr<NoteBytesCache> m_keptBytes;
    QThread m_disposer; // deletes the documents replaced, when there are any
};

// Puts a note into a NoteDocument a piece at a time, so that the window keeps answering between
// the pieces, and what is in already can be read and scrolled. Meant for a large note; the
// document holds nothing else meanwhile, and the pieces go after what it holds.
class NoteFiller
{
public:
    // `note` goes into `target`, whose text is already the first `shown` characters of it.
    NoteFiller(NoteDocument &target, DecodedNote note, qsizetype shown = 0);
    ~NoteFiller();
    NoteFiller(const NoteFiller &) = delete;
    NoteFiller &operator=(const NoteFiller &) = delete;

    // Puts pieces in for at most about `milliseconds`; true once the whole note is in. The load
    // cannot be undone, and leaves the document unmodified.
    bool fillFor(int milliseconds);
    int percentDone() const;

private:
    NoteDocument &m_target;
    DecodedNote m_note;
    qsizetype m_done;
    qsizetype m_nextStandIn = 0;
    qint64 m_lastPiece = 0; // nanoseconds
};

} // namespace qb
