#pragma once

#include "TestFiles.h"

#include <QDir>
#include <QString>

namespace qb::test {

using namespace Qt::StringLiterals;

// A small Hunspell dictionary of the test's own, written in `encoding` (as its SET line says)
// into `folder` as <language>.aff and <language>.dic.
inline void writeDictionary(const QString &folder, const QString &language,
                            const QByteArray &encoding, const QStringList &words,
                            const QString &wordChars = {})
{
    QDir().mkpath(folder);
    const auto bytesOf = [&](const QString &text) {
        if (encoding == "UTF-8")
            return text.toUtf8();
        QByteArray latin1;
        for (const QChar c : text)
            latin1.append(char(c.unicode()));
        return latin1;
    };
    QString aff =
        u"SET "_s + QString::fromLatin1(encoding) + u"\nTRY esianrtolcdugmphbyfvkwzéèàçï\n"_s;
    if (!wordChars.isEmpty())
        aff += u"WORDCHARS "_s + wordChars + u'\n';
    writeBytes(folder + u'/' + language + u".aff"_s, bytesOf(aff));
    writeBytes(folder + u'/' + language + u".dic"_s,
               bytesOf(QString::number(words.size()) + u'\n' + words.join(u'\n') + u'\n'));
}

// The words of the tests' dictionaries: Latin-1 letters, and for the UTF-8 one a word beyond it.
inline const QStringList kFrenchishWords = {u"café"_s,   u"naïve"_s, u"plan"_s, u"note"_s,
                                            u"garçon"_s, u"crème"_s, u"the"_s,  u"word"_s};

} // namespace qb::test
