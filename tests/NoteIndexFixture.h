#pragma once

// What the note index tests share: notes written with a chosen time, an index built, queries
// and Find in Book searches written out as lists, and Find's own answers to compare with.
#include "TestFiles.h"

#include "encoder/NoteCodec.h"
#include "find/BookSearch.h"
#include "find/NoteIndex.h"
#include "find/NoteIndexBuilder.h"
#include "find/NoteQuery.h"
#include "find/TextSearch.h"

#include <QSignalSpy>

namespace qb::test {

using namespace Qt::StringLiterals;

inline const QDateTime kNow = QDateTime::currentDateTime();

// Writes a note changed `minutesAgo`.
inline bool put(const QString &path, const QByteArray &bytes, int minutesAgo)
{
    if (!writeBytes(path, bytes))
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(kNow.addSecs(-60 * minutesAgo), QFileDevice::FileModificationTime);
}

inline void build(NoteIndex &index, const QList<BookSearchFolder> &folders)
{
    NoteIndexBuilder builder(index);
    QSignalSpy finished(&builder, &NoteIndexBuilder::finished);
    builder.start(folders);
    QVERIFY(finished.wait(60'000));
}

inline QByteArray Utf8(const QString &text)
{
    return text.toUtf8();
}

inline QByteArray ansi(const QString &text)
{
    return encodeWindows1252(text).value();
}

// "a, b" as a list.
inline QStringList list(const QString &items)
{
    return items.split(u", "_s, Qt::SkipEmptyParts);
}

// The results as "rank folder/note", rank 1 to 3.
inline QStringList ranked(const QList<NoteQueryHit> &hits)
{
    QStringList ranked;
    for (const NoteQueryHit &hit : hits)
        ranked << u"%1 %2/%3"_s.arg(int(hit.rank) + 1).arg(hit.folderName, hit.noteName());
    return ranked;
}

inline QStringList Query(const NoteIndex &index, const QString &text,
                         NoteQueryScope scope = NoteQueryScope::NamesAndText)
{
    return ranked(NoteQuery(index.snapshot(), text, scope).rest());
}

// The text as the editor holds it, where findText looks.
inline QString editorText(const QByteArray &bytes)
{
    return decodeNoteBytes(bytes).text.replace(u'\n', QChar::ParagraphSeparator);
}

inline bool foundByFind(const QString &name, const QString &editorText, const QStringList &words)
{
    return std::all_of(words.begin(), words.end(), [&](const QString &word) {
        return findText(name, word, 0, Qt::CaseInsensitive) >= 0 ||
               findText(editorText, word, 0, Qt::CaseInsensitive) >= 0;
    });
}

// Where findText finds a word first in the editor's text, and the word's length.
inline std::pair<qsizetype, qsizetype> firstFound(const QString &editorText,
                                                  const QStringList &words)
{
    std::pair<qsizetype, qsizetype> first{-1, 0};
    for (const QString &word : words) {
        const qsizetype at = findText(editorText, word, 0, Qt::CaseInsensitive);
        if (at >= 0 && (first.first < 0 || at < first.first))
            first = {at, word.size()};
    }
    return first;
}

// Find in Book's hits ("note:line:column:line text", sorted), then the enciphered and the large
// notes and the counts of notes searched and unreadable.
inline QStringList searchBook(const BookSearchRequest &request)
{
    BookSearch search;
    QStringList hits;
    QObject::connect(&search, &BookSearch::hitsFound, &search, [&](const auto &found) {
        for (const BookSearchHit &h : found)
            hits << u"%1:%2:%3:%4"_s.arg(h.noteFileName).arg(h.line).arg(h.column).arg(h.lineText);
    });
    QSignalSpy finished(&search, &BookSearch::finished);
    search.start(request);
    if (!finished.wait(20'000))
        return {u"no end"_s};
    const auto summary = finished.at(0).at(0).value<BookSearchSummary>();
    hits.sort();
    return hits << summary.encipheredNotes << summary.largeNotes
                << u"searched %1; unreadable %2"_s.arg(summary.notesSearched)
                       .arg(summary.unreadableNotes.size());
}

inline BookSearchRequest searchOf(const QList<BookSearchFolder> &folders, const QString &text)
{
    return {folders, text, Qt::CaseInsensitive, {20'000, 1'000'000}};
}

inline QStringList searchBook(const QList<BookSearchFolder> &folders, const QString &text,
                              const NoteIndexSnapshotPtr &index)
{
    BookSearchRequest request = searchOf(folders, text);
    request.index = index;
    return searchBook(request);
}

} // namespace qb::test
