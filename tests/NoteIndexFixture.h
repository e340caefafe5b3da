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

inline const QDateTime Now = QDateTime::currentDateTime();

// Writes a note changed `minutesAgo`.
inline bool Put(const QString &path, const QByteArray &bytes, int minutesAgo)
{
    if (!WriteBytes(path, bytes))
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(Now.addSecs(-60 * minutesAgo), QFileDevice::FileModificationTime);
}

inline void Build(NoteIndex &index, const QList<BookSearchFolder> &folders)
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

inline QByteArray Ansi(const QString &text)
{
    return EncodeWindows1252(text).value();
}

// "a, b" as a list.
inline QStringList List(const QString &items)
{
    return items.split(u", "_s, Qt::SkipEmptyParts);
}

// The results as "rank folder/note", rank 1 to 3.
inline QStringList Ranked(const QList<NoteQueryHit> &hits)
{
    QStringList ranked;
    for (const NoteQueryHit &hit : hits)
        ranked << u"%1 %2/%3"_s.arg(int(hit.rank) + 1).arg(hit.folderName, hit.noteName());
    return ranked;
}

inline QStringList Query(const NoteIndex &index, const QString &text,
                         NoteQueryScope scope = NoteQueryScope::NamesAndText)
{
    return Ranked(NoteQuery(index.snapshot(), text, scope).rest());
}

// The text as the editor holds it, where FindText looks.
inline QString EditorText(const QByteArray &bytes)
{
    return DecodeNoteBytes(bytes).text.replace(u'\n', QChar::ParagraphSeparator);
}

inline bool FoundByFind(const QString &name, const QString &editorText, const QStringList &words)
{
    return std::all_of(words.begin(), words.end(), [&](const QString &word) {
        return FindText(name, word, 0, Qt::CaseInsensitive) >= 0 ||
               FindText(editorText, word, 0, Qt::CaseInsensitive) >= 0;
    });
}

// Where FindText finds a word first in the editor's text, and the word's length.
inline std::pair<qsizetype, qsizetype> FirstFound(const QString &editorText,
                                                  const QStringList &words)
{
    std::pair<qsizetype, qsizetype> first{-1, 0};
    for (const QString &word : words) {
        const qsizetype at = FindText(editorText, word, 0, Qt::CaseInsensitive);
        if (at >= 0 && (first.first < 0 || at < first.first))
            first = {at, word.size()};
    }
    return first;
}

// Find in Book's hits ("note:line:column:line text", sorted), then the enciphered and the large
// notes and the counts of notes searched and unreadable.
inline QStringList SearchBook(const BookSearchRequest &request)
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

inline BookSearchRequest SearchOf(const QList<BookSearchFolder> &folders, const QString &text)
{
    return {folders, text, Qt::CaseInsensitive, {20'000, 1'000'000}};
}

inline QStringList SearchBook(const QList<BookSearchFolder> &folders, const QString &text,
                              const NoteIndexSnapshotPtr &index)
{
    BookSearchRequest request = SearchOf(folders, text);
    request.index = index;
    return SearchBook(request);
}

} // namespace qb::test
