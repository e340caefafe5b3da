#pragma once

#include <QString>
#include <QStringList>

namespace qb {

// The words of a Go to Note query: split at white space, each once, the first 64 of them.
QStringList queryWords(const QString &query);

// Whether every note `later` finds is one that `earlier` finds, whatever the notes hold: so it
// is when `later` is `earlier` typed on, since a note holding a word holds every part of it.
bool queryNarrows(const QString &earlier, const QString &later);

} // namespace qb
