#pragma once

// A book made for the Find in Book benchmarks: 30 folders of prose-like notes, some of them
// Windows-1252 or with LF line ends, "invoice 2291" in about one note in a thousand.
#include "find/BookSearch.h"
#include "platform/CodePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <random>
#include <unistd.h>

namespace qb::bench {

using namespace Qt::StringLiterals;

inline const QString kText = u"invoice 2291"_s;
inline constexpr int kFolders = 30;

inline const char *const kWords[] = {
    "the",     "of",      "and",    "to",       "in",      "a",       "is",     "that",
    "for",     "it",      "as",     "was",      "with",    "be",      "by",     "on",
    "not",     "he",      "this",   "are",      "or",      "his",     "from",   "at",
    "which",   "but",     "have",   "an",       "they",    "you",     "were",   "her",
    "she",     "there",   "one",    "all",      "we",      "their",   "been",   "has",
    "when",    "more",    "will",   "would",    "who",     "so",      "no",     "if",
    "out",     "up",      "about",  "into",     "than",    "them",    "some",   "could",
    "time",    "these",   "two",    "may",      "then",    "do",      "first",  "any",
    "my",      "now",     "such",   "like",     "our",     "over",    "man",    "me",
    "even",    "most",    "made",   "after",    "also",    "did",     "many",   "before",
    "must",    "through", "back",   "years",    "where",   "much",    "your",   "way",
    "well",    "down",    "should", "because",  "each",    "just",    "those",  "people",
    "how",     "too",     "little", "state",    "good",    "very",    "make",   "world",
    "still",   "own",     "see",    "men",      "work",    "long",    "get",    "here",
    "between", "both",    "life",   "being",    "under",   "never",   "day",    "same",
    "another", "know",    "while",  "last",     "might",   "us",      "great",  "old",
    "year",    "off",     "come",   "since",    "against", "go",      "came",   "right",
    "used",    "take",    "three",  "garden",   "letter",  "meeting", "budget", "invoices",
    "Monday",  "Anna",    "market", "train",    "river",   "receipt", "café",   "naïve",
    "résumé",  "über",    "Straße", "jalapeño", "déjà",    "façade",  "Zürich", "Malmö",
    "crème",   "brûlée",  "São",    "Paulo",    "fiancée", "Ørsted",  "2024",   "12",
    "3.5",     "2291",    "voice",  "invoice:", "(see",    "notes)",  "—",      "“quoted”"};

// A note of prose-like lines, about `size` bytes; `withMatch` puts the searched text in one
// line. Every fifth note is Windows-1252, every third has LF line ends.
inline QByteArray makeNote(std::mt19937 &random, qsizetype size, bool withMatch, int index)
{
    QString text;
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const int matchLine = withMatch ? pick(int(size / 200) + 1) : -1;
    const QString lineEnd = index % 3 == 0 ? u"\n"_s : u"\r\n"_s;
    for (int line = 0; text.size() < size; ++line) {
        for (int sentences = 1 + pick(4); sentences > 0; --sentences) {
            for (int words = 5 + pick(15), w = 0; w < words; ++w) {
                QString word = QString::fromUtf8(kWords[pick(int(std::size(kWords)))]);
                if (w == 0)
                    word[0] = word[0].toUpper();
                text += word + (w + 1 < words ? u" "_s : u". "_s);
            }
        }
        if (line == matchLine)
            text += QStringList{u"INVOICE 2291"_s, u"Invoice 2291"_s, kText}[pick(3)] + u" paid."_s;
        text += lineEnd;
        if (pick(5) == 0)
            text += lineEnd;
    }
    if (index % 5 == 0) {
        if (const std::optional<QByteArray> bytes = qb::encodeWindows1252(text))
            return *bytes;
    }
    return text.toUtf8();
}

struct Book
{
    std::unique_ptr<QTemporaryDir> dir;
    QList<qb::BookSearchFolder> folders;
    QStringList dirs;
};

// The book's kFolders folders, empty, in a temporary directory of its own.
inline void makeFolders(Book &book)
{
    book.dir = std::make_unique<QTemporaryDir>();
    for (int f = 0; f < kFolders; ++f) {
        const QString dir = book.dir->filePath(u"Folder %1"_s.arg(f + 1, 2, 10, QChar(u'0')));
        QDir().mkpath(dir);
        book.folders.append({f + 1, u"Folder %1"_s.arg(f + 1), dir});
        book.dirs.append(dir);
    }
}

// One book per size, made once per run: notes of 0.5 to 12 KiB, 4 KiB on average, a match in
// about one note in a thousand.
inline const Book &makeBook(int notes)
{
    static std::map<int, Book> books;
    Book &book = books[notes];
    if (book.dir)
        return book;
    makeFolders(book);
    std::mt19937 random(2291);
    for (int i = 0; i < notes; ++i) {
        const qsizetype size = 512 + qsizetype(random() % 7168);
        const bool match = random() % 1000 == 0;
        QFile file(book.dirs[i % kFolders] + u"/Note %1.txt"_s.arg(i * 7919 % 1000003));
        if (!file.open(QIODevice::WriteOnly) || file.write(makeNote(random, size, match, i)) < 0)
            qFatal("cannot write the book");
    }
    // Written back now, so that the disk is not busy with it while the searches are timed.
    ::sync();
    return book;
}

inline qsizetype bookBytes(const Book &book)
{
    qsizetype bytes = 0;
    for (const QString &dir : book.dirs) {
        for (const QFileInfo &info : QDir(dir).entryInfoList(QDir::Files))
            bytes += info.size();
    }
    return bytes;
}

} // namespace qb::bench
