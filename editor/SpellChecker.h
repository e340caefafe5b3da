#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace qb {

// A spelling engine for one language. Its calls may come from any thread, one at a time or
// at once: an engine guards itself.
class SpellChecker
{
public:
    virtual ~SpellChecker() = default;

    // Whether the dictionary, or a word added to it, holds `word`. A word the engine cannot
    // even represent is unknown.
    virtual bool isKnown(QStringView word) = 0;
    // Up to `most` words the dictionary offers in place of `word`, the likeliest first.
    virtual QStringList suggestions(QStringView word, int most) = 0;
    // `word` is known from now on, for as long as the engine lives.
    virtual void addWord(const QString &word) = 0;
    // Characters besides letters that the dictionary takes as part of a word (its WORDCHARS).
    virtual QString wordCharacters() const = 0;
};

} // namespace qb
