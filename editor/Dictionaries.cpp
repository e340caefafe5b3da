#include "editor/Dictionaries.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

QString dataHome()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + u"/.local/share"_s;
    return data;
}

// A word list larger than this is not the program's.
constexpr qint64 kLargestWordList = 16 * 1024 * 1024;

} // namespace

QString systemDictionaryFolder()
{
    const QString chosen = qEnvironmentVariable("QB_HUNSPELL_DIR");
    return chosen.isEmpty() ? u"/usr/share/hunspell"_s : chosen;
}

QStringList dictionaryFolders()
{
    return {QDir::cleanPath(dataHome() + u"/hunspell"_s), systemDictionaryFolder()};
}

QList<DictionaryFiles> findDictionaries(const QStringList &folders)
{
    QList<DictionaryFiles> found;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        for (const QFileInfo &aff : dir.entryInfoList({u"*.aff"_s}, QDir::Files | QDir::Readable)) {
            const QString language = aff.completeBaseName();
            const QString dic = dir.filePath(language + u".dic"_s);
            const bool known = std::any_of(found.cbegin(), found.cend(),
                                           [&](const auto &d) { return d.language == language; });
            if (!known && QFileInfo(dic).isFile() && QFileInfo(dic).isReadable())
                found.append({language, aff.filePath(), dic});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const auto &a, const auto &b) { return a.language < b.language; });
    return found;
}

QString defaultLanguage(const QList<DictionaryFiles> &found, const QString &localeName)
{
    if (found.isEmpty())
        return {};
    const QString exact = localeName.section(u'.', 0, 0).section(u'@', 0, 0);
    const QString language = exact.section(u'_', 0, 0);
    for (const DictionaryFiles &d : found) {
        if (d.language == exact)
            return d.language;
    }
    for (const DictionaryFiles &d : found) {
        if (!language.isEmpty() && d.language.section(u'_', 0, 0) == language)
            return d.language;
    }
    return found.constFirst().language;
}

QString userWordsFile(const QString &language)
{
    return QDir::cleanPath(dataHome() + u"/quirebox/words/"_s + language + u".txt"_s);
}

QStringList readUserWords(const QString &path)
{
    const ReadResult read = readWholeFile(path, kLargestWordList);
    if (!read.ok())
        return {};
    QStringList words;
    for (const QByteArray &line : read.bytes.split('\n')) {
        const QString word = QString::fromUtf8(line).trimmed();
        if (!word.isEmpty())
            words.append(word);
    }
    return words;
}

WriteResult addUserWord(const QString &path, const QString &word)
{
    QStringList words = readUserWords(path);
    if (!words.contains(word))
        words.append(word);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeWholeFile(path, (words.join(u'\n') + u'\n').toUtf8());
}

} // namespace qb
