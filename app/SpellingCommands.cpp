#include "app/SpellingCommands.h"

#include "editor/HunspellChecker.h"
#include "editor/NoteEditor.h"
#include "editor/SpellMarks.h"
#include "notes/NoteSession.h"
#include "notes/ProgramState.h"
#include "platform/Background.h"

#include <QActionGroup>
#include <QLocale>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// The access keys of the Language menu's items, in order.
constexpr QStringView kKeys = u"123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

} // namespace

SpellingCommands::SpellingCommands(NoteEditor &editor, NoteSession &session, ProgramState &state,
                                   QAction &checkSpelling, QMenu &languages, QObject *parent)
    : QObject(parent), m_session(session), m_state(state), m_checkSpelling(checkSpelling),
      m_languages(languages), m_marks(new SpellMarks(editor.note(), editor, this)),
      m_found(findDictionaries(dictionaryFolders()))
{
    m_wordWrites.setMaxThreadCount(1);
    m_language = defaultLanguage(m_found, QLocale::system().name());
    m_checkSpelling.setCheckable(true);
    m_checkSpelling.setChecked(hasDictionaries() && m_state.spellingOn());
    fillLanguages();
    connect(&m_reading, &QFutureWatcher<std::shared_ptr<SpellChecker>>::finished, this, [this] {
        if (m_reading.future().isCanceled() || !m_reading.future().isResultReadyAt(0))
            return;
        const std::shared_ptr<SpellChecker> checker = m_reading.result();
        // Else the finished future would hold the dictionary.
        letGoOfResults(m_reading);
        // Read for the language still wanted, and still on.
        if (m_loaded == m_language && m_checkSpelling.isChecked())
            m_marks->setChecker(checker);
    });
    connect(m_marks, &SpellMarks::addRequested, this, &SpellingCommands::addWord);
    connect(&m_session, &NoteSession::shownChanged, this, &SpellingCommands::followNote);
    connect(&m_session, &NoteSession::protectionChanged, this, &SpellingCommands::followNote);
    connect(&m_session, &NoteSession::cipherCommandChanged, this, &SpellingCommands::followNote);
    connect(&m_session, &NoteSession::secrecyChanged, this, &SpellingCommands::followNote);
    followNote();
    use(m_language);
}

SpellingCommands::~SpellingCommands()
{
    m_reading.waitForFinished();
}

void SpellingCommands::fillLanguages()
{
    m_languages.clear();
    if (m_found.isEmpty()) {
        QAction *none = m_languages.addAction(u"&No Dictionary Found"_s);
        none->setObjectName(u"languageAction_none"_s);
        none->setEnabled(false);
        const QString why = u"Spelling is not checked: no Hunspell dictionary in "_s +
                            dictionaryFolders().join(u" or "_s);
        none->setToolTip(why);
        none->setStatusTip(why);
        m_checkSpelling.setToolTip(why);
        m_checkSpelling.setStatusTip(why);
        m_languages.setToolTipsVisible(true);
        return;
    }
    auto *group = new QActionGroup(&m_languages);
    for (qsizetype i = 0; i < m_found.size(); ++i) {
        const QString language = m_found[i].language;
        const QString key = i < kKeys.size() ? u"&"_s + kKeys[i] + u' ' : QString();
        QAction *item = m_languages.addAction(key + language);
        item->setObjectName(u"languageAction_"_s + language);
        item->setCheckable(true);
        item->setChecked(language == m_language);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, language] { chooseLanguage(language); });
    }
}

void SpellingCommands::setOn(bool on)
{
    on = on && hasDictionaries();
    m_checkSpelling.setChecked(on);
    m_state.setSpellingOn(on);
    if (!on) {
        // The dictionary's memory goes with it.
        m_loaded.clear();
        m_marks->setChecker(nullptr);
        return;
    }
    use(m_language);
}

void SpellingCommands::bookOpened(const QString &bookPath)
{
    m_book = bookPath;
    QString language = m_state.bookLanguage(bookPath);
    const bool found = std::any_of(m_found.cbegin(), m_found.cend(), [&](const DictionaryFiles &d) {
        return d.language == language;
    });
    if (!found)
        language = defaultLanguage(m_found, QLocale::system().name());
    m_language = language;
    for (QAction *item : m_languages.actions())
        item->setChecked(item->objectName() == u"languageAction_"_s + language);
    use(language);
}

void SpellingCommands::chooseLanguage(const QString &language)
{
    m_language = language;
    m_state.setBookLanguage(m_book, language);
    use(language);
}

void SpellingCommands::use(const QString &language)
{
    if (!m_checkSpelling.isChecked() || language.isEmpty() || language == m_loaded)
        return;
    const auto found =
        std::find_if(m_found.cbegin(), m_found.cend(),
                     [&](const DictionaryFiles &d) { return d.language == language; });
    if (found == m_found.cend())
        return;
    m_loaded = language;
    // The marks of the language before go at once: they would be wrong in this one.
    m_marks->setChecker(nullptr);
    m_reading.waitForFinished();
    m_reading.setFuture(runInBackground<std::shared_ptr<SpellChecker>>(
        [files = *found](QPromise<std::shared_ptr<SpellChecker>> &promise) {
            std::shared_ptr<SpellChecker> checker =
                HunspellChecker::open(files.affPath, files.dicPath);
            if (!checker)
                return;
            for (const QString &word : readUserWords(userWordsFile(files.language)))
                checker->addWord(word);
            promise.addResult(std::move(checker));
        }));
}

void SpellingCommands::followNote()
{
    const bool cipherText =
        m_session.protection() == NoteSession::Protection::Armour ||
        (m_session.isShown() && m_session.cipherCommand() == CipherDirection::Decipher);
    m_marks->setAllowed(!cipherText);
    m_marks->setMayKeepWords(!m_session.keepsTextSecret());
}

void SpellingCommands::addWord(const QString &word)
{
    SpellChecker *checker = m_marks->checker();
    if (!checker || m_session.keepsTextSecret())
        return;
    checker->addWord(word);
    m_marks->judgeAgain();
    // The word is known at once; should the file refuse it, it is known for this run. The
    // safe write waits for the disk, which the window does not.
    m_wordWrites.start([file = userWordsFile(m_loaded), word] { addUserWord(file, word); });
}

} // namespace qb
