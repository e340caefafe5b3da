#include "editor/SpellWords.h"

using namespace Qt::StringLiterals;

namespace qb {
namespace {

bool isLetter(QChar c)
{
    return c.isLetter() || c.isMark();
}

bool isApostrophe(QChar c)
{
    return c == u'\'' || c == u'\u2019';
}

// A piece of text between blanks that is an address or a path as a whole: it is not prose.
bool isAddressOrPath(QStringView token)
{
    if (token.contains(u"://") || token.startsWith(u"www.", Qt::CaseInsensitive) ||
        token.startsWith(u"mailto:", Qt::CaseInsensitive))
        return true;
    const qsizetype at = token.indexOf(u'@');
    if (at > 0 && token.indexOf(u'.', at) > at + 1)
        return true;
    if (token.startsWith(u'/') || token.startsWith(u"~/") || token.startsWith(u"./") ||
        token.startsWith(u"../") || token.contains(u'\\'))
        return true;
    // "and/or" is prose; "docs/notes/plan.txt" is a path.
    return token.count(u'/') >= 2 || (token.size() > 2 && token[1] == u':' && token[2] == u'/');
}

// The characters a word may hold beside letters: what joins it, and what, if found, excludes it.
bool isWordPart(QChar c, QStringView wordCharacters)
{
    return isLetter(c) || c.isDigit() || c == u'_' || isApostrophe(c) ||
           (!wordCharacters.isEmpty() && wordCharacters.contains(c));
}

bool isJoiner(QChar c, QStringView wordCharacters)
{
    return !isLetter(c) && !c.isDigit() && c != u'_' &&
           (isApostrophe(c) || wordCharacters.contains(c));
}

bool worthChecking(QStringView word)
{
    bool upper = true;
    qsizetype letters = 0;
    for (const QChar c : word) {
        if (c.isDigit() || c == u'_')
            return false;
        if (c.isLetter()) {
            ++letters;
            upper = upper && !c.isLower();
        }
    }
    if (letters == 0)
        return false;
    // Acronyms and codes: NASA, HTML, UNESCO.
    return !(upper && letters <= 6);
}

void wordsOfToken(QStringView text, qsizetype from, qsizetype to, QStringView wordCharacters,
                  QList<WordSpan> &words)
{
    qsizetype i = from;
    while (i < to) {
        if (!isWordPart(text[i], wordCharacters) || isJoiner(text[i], wordCharacters)) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < to && isWordPart(text[end], wordCharacters))
            ++end;
        // A joiner only between two parts of a word: trailing ones are punctuation.
        while (end > i && isJoiner(text[end - 1], wordCharacters))
            --end;
        const QStringView word = text.sliced(i, end - i);
        if (worthChecking(word))
            words.append({i, end - i});
        i = end;
    }
}

} // namespace

QList<WordSpan> wordsToCheck(QStringView text, QStringView wordCharacters)
{
    QList<WordSpan> words;
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < size && !text[end].isSpace())
            ++end;
        // Brackets and quotes round an address are no part of it.
        qsizetype first = i, last = end;
        while (first < last && QStringView(u"(<[\"'").contains(text[first]))
            ++first;
        while (last > first && QStringView(u")>]\"',.;:!?").contains(text[last - 1]))
            --last;
        if (!isAddressOrPath(text.sliced(first, last - first)))
            wordsOfToken(text, i, end, wordCharacters, words);
        i = end;
    }
    return words;
}

} // namespace qb
