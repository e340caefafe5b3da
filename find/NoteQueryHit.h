#pragma once

#include "find/NoteIndex.h"

#include <QList>
#include <QString>

namespace qb {

// The groups results come in, in this order; within a group the most recently changed first.
enum class NoteQueryRank : quint8 {
    NameStartsWithQuery, // the note's name starts with the whole query
    NameHoldsEveryWord,
    HoldsEveryWord, // in the name or the text, not all in the name
};

// One note a query found, as the index saw it.
struct NoteQueryHit
{
    struct Range
    {
        qsizetype start = 0;
        qsizetype length = 0;
        friend bool operator==(const Range &, const Range &) = default;
    };

    NoteQueryRank rank = NoteQueryRank::HoldsEveryWord;
    int folderRow = 0;
    QString folderName;
    QString folderDir;
    QString noteFileName;
    qsizetype noteIndex = 0; // in the folder's note list order, when the index saw it
    NoteStamp stamp;         // of the file the index read: see isCurrent()
    IndexedKind kind = IndexedKind::Text;
    QList<Range> nameMatches; // the first match of each word found in the name, by start

    // HoldsEveryWord only: the first match in the text of any word, as the editor shows the
    // note (its cursor position: line breaks count one), and the line it is on, or around the
    // match a piece of a long one (cutBefore, cutAfter: the line goes on there). The match
    // starts at matchInSnippet in the snippet.
    qsizetype position = -1;
    qsizetype length = 0;
    QString snippet;
    qsizetype matchInSnippet = 0;
    bool cutBefore = false;
    bool cutAfter = false;

    QString noteName() const;
    QString path() const;
    // Sets the snippet from the note's decoded text, where position and length are.
    void placeSnippet(QStringView text);
    // The file still has the stamp the index saw: the note holds what was found, where it was
    // found. A note whose file is gone or changed must be looked at again before it is opened.
    bool isCurrent() const;
};

} // namespace qb
