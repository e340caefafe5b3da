// Find in Book's search: real folders and notes on disk, read with the qbfault library preloaded
// for a note the system refuses to open.
#include "TestFiles.h"
#include "faults/Faults.h"

#include "encoder/EncodedNote.h"
#include "encoder/NoteCodec.h"
#include "find/BookSearch.h"
#include "find/NoteMatcher.h"
#include "find/TextSearch.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace qb;

namespace {

struct Outcome
{
    QStringList hits; // "row:note:line:column", in book order
    QList<BookSearchHit> all;
    BookSearchSummary summary;
};

Outcome search(const QList<BookSearchFolder> &folders, const QString &text,
               Qt::CaseSensitivity cs = Qt::CaseInsensitive)
{
    BookSearch search;
    Outcome out;
    QObject::connect(&search, &BookSearch::hitsFound, &search,
                     [&](const QList<BookSearchHit> &hits) { out.all += hits; });
    QSignalSpy finished(&search, &BookSearch::finished);
    search.start({folders, text, cs, {20'000, 1'000'000}});
    if (!finished.wait(20'000))
        return {{u"no end"_s}, {}, {}};
    out.summary = finished.at(0).at(0).value<BookSearchSummary>();
    std::reverse(out.all.begin(), out.all.end()); // as if they came the other way round
    std::sort(out.all.begin(), out.all.end(), bookOrderLess);
    for (const BookSearchHit &h : std::as_const(out.all))
        out.hits << u"%1:%2:%3:%4"_s.arg(h.folderRow).arg(h.noteIndex).arg(h.line).arg(h.column);
    return out;
}

// Pieces of random notes: letters that fold together in odd ways, a pair of surrogates of each
// case, line ends, and characters the editor shows as stand-ins.
const QStringList kPieces = u"a K k \u212A s S \u017F ß \u1E9E é É Σ σ ς Дд ё İı I µμ \U00010400 "
                            "\U00010428 \u2028 \u2029 \u240D ¶ \u212B Å ǅ -"_s.split(u' ') +
                            QStringList{u" "_s, u"\n"_s, u"\r"_s};

} // namespace

class TestBookSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every note a random text in a random encoding and line end style; the matches must be
    // findText's in the text the editor would hold, and a note the byte pattern rules out holds
    // none.
    void matchesAsFindInTheEditor()
    {
        QRandomGenerator random(14);
        int withHits = 0;
        for (int round = 0; round < 4000; ++round) {
            QString text;
            for (int n = int(random.bounded(700)); n > 0; --n)
                text += kPieces[random.bounded(int(kPieces.size()))];
            if (random.bounded(2))
                text.replace(u'\n', u"\r\n"_s);
            const std::optional<QByteArray> ansi = encodeWindows1252(text);
            QByteArray bytes = ansi && random.bounded(2) ? *ansi : text.toUtf8();
            if (random.bounded(8) == 0)
                bytes.insert(random.bounded(int(bytes.size()) + 1), '\xC3');
            const QString decoded = decodeNoteBytes(bytes).text;
            const QString editor = QString(decoded).replace(u'\n', QChar::ParagraphSeparator);
            QString what =
                editor.mid(random.bounded(int(editor.size()) + 1), 1 + random.bounded(12));
            for (QChar &c : what)
                c = random.bounded(3) == 0 ? c.toUpper() : random.bounded(2) ? c.toLower() : c;
            if (random.bounded(30) == 0)
                what += u'\n';
            const auto cs = random.bounded(3) ? Qt::CaseInsensitive : Qt::CaseSensitive;
            QList<qsizetype> expected, found;
            for (qsizetype at = findText(editor, what, 0, cs); at >= 0;
                 at = findText(editor, what, at + what.size(), cs))
                expected << at;
            const NoteMatcher matcher(what, cs);
            if (matcher.mayMatch(bytes)) {
                for (qsizetype at = matcher.indexIn(decoded, 0); at >= 0;
                     at = matcher.indexIn(decoded, at + what.size()))
                    found << at;
            }
            QVERIFY2(found == expected, qPrintable(what + u" in "_s + editor));
            withHits += !expected.isEmpty();
        }
        QVERIFY(withHits > 1000);
    }

    void searchesEveryNoteInBookOrder()
    {
        QTemporaryDir dir;
        const auto note = [&](const QString &name, const QByteArray &bytes) {
            QVERIFY(test::writeBytes(dir.filePath(name), bytes));
        };
        note(u"Letters/b.txt"_s, "x\ry caf\xC3\xA9 2291\r\nCaf\xC3\xA9 2291\r\n");
        note(u"Letters/A.txt"_s, "Intro\nCAF\xC9 2291 paid\n");
        note(u"Letters/long.txt"_s, QByteArray(5000, '.') + "caf\xE9 2291" + QByteArray(5000, '.'));
        note(u"Locked/enc.txt"_s, encodedNoteBytes("Caf\xC3\xA9 2291"));
        note(u"Locked/big.txt"_s, "Caf\xC3\xA9 2291" + QByteArray(30'000, '.'));
        note(u"Locked/shut.txt"_s, "Caf\xC3\xA9 2291");
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"Locked/pipe.txt"_s)).constData(), 0600),
                 0);
        const QList<BookSearchFolder> folders = {{1, u"Letters"_s, dir.filePath(u"Letters"_s)},
                                                 {2, u"Locked"_s, dir.filePath(u"Locked"_s)},
                                                 {4, u"Gone"_s, dir.filePath(u"Gone"_s)}};
        test::Faults faults;
        QVERIFY2(faults.loaded(), "the test runs with the qbfault library preloaded");
        faults.arm("open", EACCES, u"shut.txt"_s);

        const Outcome found = search(folders, u"café 2291"_s);
        QCOMPARE(found.hits,
                 QStringList({u"1:0:2:0"_s, u"1:1:1:4"_s, u"1:1:2:0"_s, u"1:2:1:5000"_s}));
        QCOMPARE(found.all[1].lineText, u"x\u240Dy café 2291"_s);
        const BookSearchHit &inLong = found.all[3];
        QVERIFY(inLong.cutBefore && inLong.cutAfter && inLong.lineText.size() < 500);
        QCOMPARE(inLong.lineText.mid(inLong.matchInLine, 9), u"café 2291"_s);
        QCOMPARE(search(folders, u"Café 2291"_s, Qt::CaseSensitive).hits,
                 QStringList(u"1:1:2:0"_s));

        const BookSearchSummary &s = found.summary;
        QVERIFY(s.notesTotal == 6 && s.notesSearched == 3 && s.hits == 4 && !s.hitLimitReached);
        QCOMPARE(s.encipheredNotes, QStringList(dir.filePath(u"Locked/enc.txt"_s)));
        QCOMPARE(s.largeNotes, QStringList(dir.filePath(u"Locked/big.txt"_s)));
        QCOMPARE(s.unreadableNotes, QList<BookSearchProblem>({{dir.filePath(u"Locked/shut.txt"_s),
                                                               u"Permission denied"_s}}));
        QVERIFY(s.unreadableFolders.size() == 1 && s.unreadableFolders[0].path.endsWith(u"Gone"_s));

        const Outcome nothing = search(folders, QString());
        QVERIFY(nothing.hits.isEmpty() && nothing.summary.notesSearched == 0);
    }

    // What a search found before it was stopped, or replaced by another, never arrives; a search
    // ends at its hit limit.
    void stopsAndIsReplaced()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 3000; ++i)
            QVERIFY(test::writeBytes(dir.filePath(u"Many/%1.txt"_s.arg(i)), "old\nnew\n"));
        const QList<BookSearchFolder> folders = {{1, u"Many"_s, dir.filePath(u"Many"_s)}};
        BookSearch search;
        QList<BookSearchHit> hits;
        connect(&search, &BookSearch::hitsFound, this, [&](const auto &more) { hits += more; });
        QSignalSpy progress(&search, &BookSearch::progress);
        QSignalSpy finished(&search, &BookSearch::finished);
        const auto ask = [&](const QString &text, qsizetype hitLimit = 0) {
            return BookSearchRequest{
                folders, text, Qt::CaseInsensitive, {20'000, 1'000'000}, hitLimit};
        };

        // Meanwhile the workers' hits wait in the event queue.
        search.start(ask(u"old"_s));
        QTest::qSleep(200);
        search.cancel();
        QTest::qWait(300);
        QVERIFY(hits.isEmpty() && finished.isEmpty() && !search.isRunning());

        search.start(ask(u"old"_s));
        QTest::qSleep(200);
        search.start(ask(u"NEW"_s));
        QVERIFY(finished.wait(20'000));
        QTest::qWait(100);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(hits.size(), 3000);
        QVERIFY(std::all_of(hits.cbegin(), hits.cend(), [](const auto &h) { return h.line == 2; }));
        QCOMPARE(progress.last(), QVariantList({qsizetype(3000), qsizetype(3000)}));

        hits.clear();
        search.start(ask(u"new"_s, 100));
        QVERIFY(finished.wait(20'000));
        const auto limited = finished.last().at(0).value<BookSearchSummary>();
        QVERIFY(limited.hitLimitReached && limited.notesSearched < 3000);
        QVERIFY(limited.hits == 100 && hits.size() == 100);
    }
};

QTEST_GUILESS_MAIN(TestBookSearch)
#include "test_booksearch.moc"
