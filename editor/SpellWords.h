#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace qb {

// A word of a text to be judged by the spelling checker: [start, start + length).
struct WordSpan
{
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype end() const { return start + length; }
    friend bool operator==(const WordSpan &, const WordSpan &) = default;
};

// The words of `text` worth judging. A word is a run of letters (with the marks that combine
// with them); an apostrophe, or a character of `wordCharacters` (the dictionary's WORDCHARS),
// between two letters keeps the word whole. Left out: words with digits, all-capital words of
// up to 6 letters, words joined by an underscore, and whole web and mail addresses and file
// paths.
QList<WordSpan> wordsToCheck(QStringView text, QStringView wordCharacters = {});

} // namespace qb
