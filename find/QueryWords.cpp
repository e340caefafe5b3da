#include "find/QueryWords.h"

namespace qb {

QStringList queryWords(const QString &query)
{
    // A query of more words than this looks for the first ones only.
    constexpr qsizetype kMostWords = 64;
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= query.size() && words.size() < kMostWords; ++i) {
        const bool space = i == query.size() || query[i].isSpace();
        if (space && start >= 0) {
            const QString word = query.sliced(start, i - start);
            if (!words.contains(word))
                words.append(word);
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return words;
}

bool queryNarrows(const QString &earlier, const QString &later)
{
    // Each word `earlier` looks for is a word of `later` or begins one, and comes in the same
    // place among the first 64.
    return later.startsWith(earlier);
}

} // namespace qb
