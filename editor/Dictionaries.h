#pragma once

#include "platform/SafeFile.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qb {

// A Hunspell dictionary found on the system: `language` is its files' name (en_US, de_DE, ...).
struct DictionaryFiles
{
    QString language;
    QString affPath;
    QString dicPath;
    friend bool operator==(const DictionaryFiles &, const DictionaryFiles &) = default;
};

// The folder Debian installs dictionaries in, /usr/share/hunspell, or the one
// QB_HUNSPELL_DIR names.
QString systemDictionaryFolder();
// Where dictionaries are looked for, the user's own first: $XDG_DATA_HOME/hunspell, then the
// system's folder.
QStringList dictionaryFolders();
// The dictionaries of `folders`, each language once (from the first folder that has it),
// sorted by language. A dictionary is a .aff file with a .dic file of the same name.
QList<DictionaryFiles> findDictionaries(const QStringList &folders);
// The language to check in when none was chosen: the one of `localeName` (en_US), else one of
// its language (en), else the first found; empty when there is none.
QString defaultLanguage(const QList<DictionaryFiles> &found, const QString &localeName);

// The user's own words for `language`: $XDG_DATA_HOME/quirebox/words/<language>.txt.
QString userWordsFile(const QString &language);
// The words in `path`, one a line in UTF-8; none when it is missing or unreadable.
QStringList readUserWords(const QString &path);
// Adds `word` to the words in `path` with the safe write, the file made when missing.
WriteResult addUserWord(const QString &path, const QString &word);

} // namespace qb
