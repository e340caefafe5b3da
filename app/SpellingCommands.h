#pragma once

#include "editor/Dictionaries.h"

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>

#include <memory>

class QAction;
class QMenu;

namespace qb {

class NoteEditor;
class NoteSession;
class ProgramState;
class SpellChecker;
class SpellMarks;

// View > Spelling: Check Spelling on or off, as the user last left it, and the Language of
// each book, kept in the program's state. The dictionaries are those found at start; without
// one, spelling is off and the Language menu says why. A dictionary is read off the window's
// thread, with the user's own words; only the one in use is held. Cipher text and armour are
// never checked, and the words of a secret note never go to a file.
class SpellingCommands final : public QObject
{
public:
    SpellingCommands(NoteEditor &editor, NoteSession &session, ProgramState &state,
                     QAction &checkSpelling, QMenu &languages, QObject *parent = nullptr);
    ~SpellingCommands() override;

    bool hasDictionaries() const { return !m_found.isEmpty(); }
    // Check Spelling was switched.
    void setOn(bool on);
    // The book at `bookPath` is open: it is checked in its language.
    void bookOpened(const QString &bookPath);
    // The language in use, or to be used once spelling is on.
    const QString &language() const { return m_language; }
    SpellMarks &marks() { return *m_marks; }

private:
    void fillLanguages();
    void chooseLanguage(const QString &language);
    // Reads the dictionary of `language` when spelling is on and it is not read yet.
    void use(const QString &language);
    void followNote();
    void addWord(const QString &word);

    NoteSession &m_session;
    ProgramState &m_state;
    QAction &m_checkSpelling;
    QMenu &m_languages;
    SpellMarks *m_marks;
    QList<DictionaryFiles> m_found;
    QString m_book;
    QString m_language;
    QString m_loaded; // the language of the checker the marks use, or being read
    QFutureWatcher<std::shared_ptr<SpellChecker>> m_reading;
    QThreadPool m_wordWrites; // one at a time, in order: each reads the file the last wrote
};

} // namespace qb
