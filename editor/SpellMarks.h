#pragma once

#include "editor/SpellChecker.h"

#include <QColor>
#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <memory>

class QMenu;
class QTextDocument;
class QPalette;

namespace qb {

class NoteDocument;
class NoteEditor;

// The colour of the wavy line under a word the dictionary does not know, read from `palette`:
// the one place it is chosen.
QColor spellingMarkColour(const QPalette &palette);

// Marks the words of the editor's text that the checker does not know, in the view only (the
// editor's spelling marks), never in the document: its bytes, its undo stack and its modified
// flag never see them. Only the lines on screen and a screen above and below are checked, the
// words judged off the window's thread, each once; the word the caret is typing in waits until
// the caret has left it. A right click on a marked word offers the checker's suggestions, Add
// to Dictionary and Ignore. Works on the editor it is given, which outlives it.
class SpellMarks final : public QObject
{
    Q_OBJECT
public:
    // Marks the words of `note` that `editor` shows.
    SpellMarks(NoteDocument &note, NoteEditor &editor, QObject *parent = nullptr);
    // Waits for a judgement under way.
    ~SpellMarks() override;

    // The checker to judge by; none takes every mark away.
    void setChecker(std::shared_ptr<SpellChecker> checker);
    SpellChecker *checker() const { return m_checker.get(); }
    // Whether the text shown may be checked at all: no cipher text, no armour.
    void setAllowed(bool allowed);
    // Whether Add to Dictionary is offered: it puts the word in a file.
    void setMayKeepWords(bool may) { m_mayKeepWords = may; }
    // Not marked again in this run, whatever the language.
    void ignore(const QString &word);
    // The checker now knows more words (or fewer): every word is judged again.
    void judgeAgain();

    // The words marked now, as the editor's [start, end) ranges.
    QList<std::pair<int, int>> markedRanges() const;
    // No check waits or runs: the marks are those of the text shown.
    bool isSettled() const;

Q_SIGNALS:
    // The marks were set for the text shown.
    void marked();
    // Add to Dictionary was chosen for `word`.
    void addRequested(const QString &word);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Piece;
    struct Gathered;
    // Checks again after `delay` milliseconds, unless a check is due sooner.
    void schedule(int delay);
    void check();
    // Follows the edits of the document the note is in now, checked afresh.
    void followDocument();
    // The note's characters at the editor's [start, end): soft breaks left out.
    QString wordAt(int start, int end) const;
    Gathered gather() const;
    void apply(const Gathered &text);
    void addContextItems(QMenu &menu, int position);
    // Puts `word` at the editor's [start, end) as one edit; a soft break inside stays.
    void replace(int start, int end, const QString &word, const QString &with);

    NoteDocument &m_note;
    NoteEditor &m_editor;
    QPointer<NoteEditor> m_editorAlive; // the window may take the editor away first
    std::shared_ptr<SpellChecker> m_checker;
    bool m_allowed = true;
    bool m_mayKeepWords = true;
    QTimer m_due;
    QHash<QString, bool> m_known; // the judgements of the checker in use
    QSet<QString> m_ignored;
    QFutureWatcher<QList<bool>> m_judging;
    QStringList m_judged; // the words being judged
    int m_checkedTo = -1; // where the text last checked ends
    int m_lastEdit = -1;  // where a key last changed the text: the word there waits for the caret
    bool m_keyPending = false; // a key came, and what it changes is the user's typing
};

} // namespace qb
