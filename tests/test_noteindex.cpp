// The note index of Go to Note and its queries: real folders and notes on disk, read with the
// qbfault library preloaded for notes the system refuses or cuts short; Find in Book on the
// index.
#include "NoteIndexFixture.h"
#include "RowLabel.h"
#include "faults/Faults.h"

#include "encoder/EncodedNote.h"
#include "find/BookIndex.h"
#include "find/QueryWords.h"
#include "platform/FolderChanges.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include <sys/time.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

class TestNoteIndex : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<BookSearchFolder> m_book;
    NoteIndex m_index;

private Q_SLOTS:
    void initTestCase()
    {
        const QString kitchen = m_dir.filePath(u"Kitchen"_s);
        const QString desk = m_dir.filePath(u"Desk"_s);
        m_book = {{1, u"Kitchen"_s, kitchen}, {3, u"Desk"_s, desk}};
        const QList<std::tuple<QString, QByteArray, int>> notes = {
            {u"Kitchen/Brûlée notes.txt"_s, "Torch the sugar.\r\n", 10},
            {u"Kitchen/Crème brûlée.txt"_s, "Eggs and cream\r\n", 20},
            {u"Kitchen/Recipes.txt"_s, Utf8(u"Soup\r\nTonight: a CRÈME BRÛLÉE\r\n"_s), 30},
            {u"Kitchen/Shopping.txt"_s, ansi(u"Eggs\r\nCafé, crÈme BRÛLÉE\r\n"_s), 40},
            {u"Kitchen/Locked brûlée.txt"_s, encodedNoteBytes(Utf8(u"crème torch"_s)), 50},
            {u"Kitchen/Sealed.txt"_s, "age-encryption.org/v1\n-> X25519 torch\n", 60},
            {u"Kitchen/Armoured.txt"_s,
             "-----BEGIN AGE ENCRYPTED FILE-----\r\ntorch\r\n-----END AGE ENCRYPTED FILE-----\r\n",
             70},
            {u"Desk/brûlée plan.txt"_s, "Nothing\n", 5},
            {u"Desk/Plan.txt"_s, Utf8(u"Buy cream\n\rthen make crème\nbrûlée\n"_s), 15},
            {u"Desk/Kelvin.txt"_s, Utf8(u"\u212Aelvin \u017Fpeed"_s), 25},
            {u"Desk/Long.txt"_s, QByteArray(3000, 'x') + " torch " + QByteArray(3000, 'y'), 35}};
        for (const auto &[path, bytes, minutesAgo] : notes)
            QVERIFY(put(m_dir.filePath(path), bytes, minutesAgo));
        build(m_index, m_book);
        QCOMPARE(m_index.snapshot()->noteCount(), notes.size());
    }

    void ranks_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("namesOnly");
        QTest::addColumn<QStringList>("expected");
        const bool both = false;
        QTest::newRow("groups, each the most recent first")
            << u"brûlée"_s << both
            << list(
                   u"1 Desk/brûlée plan, 1 Kitchen/Brûlée notes, 2 Kitchen/Crème brûlée, "
                   "2 Kitchen/Locked brûlée, 3 Desk/Plan, 3 Kitchen/Recipes, 3 Kitchen/Shopping"_s);
        QTest::newRow("names only")
            << u"BRÛLÉE"_s << true
            << list(u"1 Desk/brûlée plan, 1 Kitchen/Brûlée notes, 2 Kitchen/Crème brûlée, "
                    "2 Kitchen/Locked brûlée"_s);
        QTest::newRow("words in any order, across lines")
            << u"BRÛLÉE  crème"_s << both
            << list(
                   u"2 Kitchen/Crème brûlée, 3 Desk/Plan, 3 Kitchen/Recipes, 3 Kitchen/Shopping"_s);
        QTest::newRow("the whole query starts the name")
            << u"crème BRÛLÉE"_s << both
            << list(
                   u"1 Kitchen/Crème brûlée, 3 Desk/Plan, 3 Kitchen/Recipes, 3 Kitchen/Shopping"_s);
        QTest::newRow("a Windows-1252 note")
            << u"CAFÉ eggs"_s << both << list(u"3 Kitchen/Shopping"_s);
        QTest::newRow("Kelvin sign and long s, by case folding")
            << u"kelvin SPEED"_s << both << list(u"3 Desk/Kelvin"_s);
        QTest::newRow("encoded and encrypted notes by name only")
            << u"torch"_s << both << list(u"3 Kitchen/Brûlée notes, 3 Desk/Long"_s);
        QTest::newRow("stand-in of a lone CR") << u"\u240Dthen"_s << both << list(u"3 Desk/Plan"_s);
        QTest::newRow("no words: every note")
            << u" "_s << both
            << list(u"1 Desk/brûlée plan, 1 Kitchen/Brûlée notes, 1 Desk/Plan, "
                    "1 Kitchen/Crème brûlée, 1 Desk/Kelvin, 1 Kitchen/Recipes, 1 Desk/Long, "
                    "1 Kitchen/Shopping, 1 Kitchen/Locked brûlée, 1 Kitchen/Sealed, "
                    "1 Kitchen/Armoured"_s);
        QTest::newRow("no note holds every word") << u"sugar cream"_s << both << QStringList();
    }

    // Every text hit shows the first match findText finds of any word in the editor's text, on
    // its line, the match where the snippet says.
    void ranks()
    {
        QFETCH(QString, query);
        QFETCH(bool, namesOnly);
        QFETCH(QStringList, expected);
        const QList<NoteQueryHit> hits =
            NoteQuery(m_index.snapshot(), query,
                      namesOnly ? NoteQueryScope::NamesOnly : NoteQueryScope::NamesAndText)
                .rest();
        QCOMPARE(ranked(hits), expected);
        const QStringList words = query.split(u' ', Qt::SkipEmptyParts);
        for (const NoteQueryHit &hit : hits) {
            QVERIFY(hit.isCurrent());
            if (hit.rank != NoteQueryRank::HoldsEveryWord) {
                QCOMPARE(hit.position, qsizetype(-1));
                continue;
            }
            const QString text = editorText(readBytes(hit.path()));
            const auto [first, length] = firstFound(text, words);
            QCOMPARE(hit.position, first);
            QCOMPARE(hit.length, length);
            const qsizetype lineStart = text.lastIndexOf(QChar::ParagraphSeparator, first) + 1;
            const QString line = text.mid(lineStart).section(QChar::ParagraphSeparator, 0, 0);
            QVERIFY(hit.snippet.size() <= 170);
            QCOMPARE(line.mid(first - lineStart - hit.matchInSnippet, hit.snippet.size()),
                     hit.snippet);
            QCOMPARE(hit.cutBefore, first - lineStart > hit.matchInSnippet);
            QCOMPARE(hit.cutAfter,
                     line.size() > first - lineStart - hit.matchInSnippet + hit.snippet.size());
        }
    }

    // Random notes and queries of letters that fold in odd ways (the Kelvin sign, the long s,
    // sharp s, a pair of surrogates of each case), stand-ins and byte order marks: the notes found
    // are those whose name or editor text findText finds every word in, whether a word is looked
    // for in bytes, folded names or decoded text, and a text hit is at the first place findText
    // finds a word.
    void findsWhatFindFinds()
    {
        const QStringList pieces =
            u"a s S k K \u212A \u017F ß é É x sk ka \u240D ¶ \uFEFF \U00010400 \U00010428"_s.split(
                u' ') +
            QStringList{u" "_s, u"\r\n"_s, u"\n"_s, u"\r"_s, u"\u2029"_s};
        QRandomGenerator random(7);
        const int inWords = int(pieces.size()) - 5; // the pieces before the white space
        const auto randomText = [&](int count, bool spaces) {
            QString text;
            for (int n = 0; n < count; ++n)
                text += pieces[random.bounded(spaces ? int(pieces.size()) : inWords)];
            return text;
        };
        QTemporaryDir dir;
        QMap<QString, QString> editorTexts; // by note name
        for (int i = 0; i < 300; ++i) {
            const QString text = randomText(1 + random.bounded(80), true);
            const std::optional<QByteArray> ansi = encodeWindows1252(text);
            const QByteArray bytes = ansi && random.bounded(2) ? *ansi : text.toUtf8();
            // A number first: a file name starting with a byte order mark is no note's name.
            const QString name = u"%1 %2"_s.arg(i).arg(randomText(2, false));
            QVERIFY(put(dir.filePath(u"F/%1.txt"_s.arg(name)), bytes, i));
            editorTexts[name] = editorText(bytes);
        }
        NoteIndex index;
        build(index, {{1, u"F"_s, dir.filePath(u"F"_s)}});
        int found = 0;
        for (int round = 0; round < 300; ++round) {
            QStringList words = {randomText(1 + random.bounded(3), false)};
            if (round % 2)
                words << randomText(1 + random.bounded(2), false);
            QStringList expected;
            for (auto it = editorTexts.cbegin(); it != editorTexts.cend(); ++it) {
                if (foundByFind(it.key(), it.value(), words))
                    expected << it.key();
            }
            QStringList got;
            for (const NoteQueryHit &hit : NoteQuery(index.snapshot(), words.join(u' ')).rest()) {
                got << hit.noteName();
                const bool byName = foundByFind(hit.noteName(), QString(), words);
                QCOMPARE(hit.rank == NoteQueryRank::HoldsEveryWord, !byName);
                if (!byName)
                    QCOMPARE(hit.position, firstFound(editorTexts[hit.noteName()], words).first);
            }
            got.sort();
            expected.sort();
            QVERIFY2(got == expected, qPrintable(words.join(u' ')));
            found += int(got.size());
        }
        QVERIFY(found > 1000);
    }

    void followsTheDisk_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("relist"); // else the index is told of the one note
        QTest::addColumn<QStringList>("oldText");
        QTest::addColumn<QStringList>("newText");
        for (const bool relist : {false, true}) {
            const auto row = [&](const char *change) -> QTestData & {
                return QTest::addRow("%s, %s", change, relist ? "folder relisted" : "note told");
            };
            row("changed") << u"changed"_s << relist << list(u""_s) << list(u"3 F/two"_s);
            row("made") << u"made"_s << relist << list(u"3 F/two"_s) << list(u"3 F/three"_s);
            row("renamed") << u"renamed"_s << relist << list(u"3 F/deux"_s) << list(u""_s);
            row("deleted") << u"deleted"_s << relist << list(u""_s) << list(u""_s);
        }
    }

    // The hits of the index as it was say they are stale; the index told of the change, or
    // the folder listed again, finds what the disk holds now.
    void followsTheDisk()
    {
        QFETCH(QString, change);
        QFETCH(bool, relist);
        QFETCH(QStringList, oldText);
        QFETCH(QStringList, newText);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"F"_s);
        QVERIFY(put(folder + u"/one.txt"_s, "first\r\n", 20));
        QVERIFY(put(folder + u"/two.txt"_s, "old words\r\n", 10));
        NoteIndex index;
        build(index, {{1, u"F"_s, folder}});
        const QList<NoteQueryHit> before = NoteQuery(index.snapshot(), u"old"_s).rest();
        QCOMPARE(ranked(before), QStringList{u"3 F/two"_s});

        const QString two = folder + u"/two.txt"_s;
        if (change == u"changed"_s)
            QVERIFY(put(two, "new words\r\n", 5));
        else if (change == u"made"_s)
            QVERIFY(put(folder + u"/three.txt"_s, "new words too\r\n", 1));
        else if (change == u"renamed"_s)
            QVERIFY(QFile::rename(two, folder + u"/deux.txt"_s));
        else
            QVERIFY(QFile::remove(two));
        QCOMPARE(before[0].isCurrent(), change == u"made"_s);
        const NoteIndexSnapshotPtr stale = index.snapshot();
        if (relist)
            index.relistFolder(1);
        else if (change == u"renamed"_s)
            index.renameNote(1, u"two.txt"_s, u"deux.txt"_s);
        else if (change == u"deleted"_s)
            index.removeNote(1, u"two.txt"_s);
        else
            index.updateNote(1, change == u"made"_s ? u"three.txt"_s : u"two.txt"_s);
        QCOMPARE(Query(index, u"old"_s), oldText);
        QCOMPARE(Query(index, u"new words"_s), newText);
        QCOMPARE(Query(index, u"first"_s), QStringList{u"3 F/one"_s});
        // A query holding the snapshot from before still answers from it.
        QCOMPARE(ranked(NoteQuery(stale, u"old"_s).rest()), QStringList{u"3 F/two"_s});
        // A note renamed keeps the text the index read, not a copy of it.
        if (change == u"renamed"_s && !relist)
            QVERIFY(index.snapshot()->folders()[0]->notes[0].bytes.constData() ==
                    stale->folders()[0]->notes[1].bytes.constData());
    }

    // Notes the system refuses to open or read, or cuts short, keep no text and are found by
    // name only; Find in Book on the index reads them again and says why they could not be read.
    void unreadableNotes()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"F"_s);
        for (const QString &name : {u"shut"_s, u"broken"_s, u"short"_s, u"fine"_s})
            QVERIFY(put(u"%1/%2 note.txt"_s.arg(folder, name), "the same words\r\n", 1));
        Faults faults;
        QVERIFY2(faults.loaded(), "the test runs with the qbfault library preloaded");
        faults.arm("open", EACCES, u"shut note"_s);
        faults.arm("read", EIO, u"broken note"_s);
        faults.arm("read", 0, u"short note"_s, 4); // the file ends after four bytes
        NoteIndex index;
        build(index, {{1, u"F"_s, folder}});
        QCOMPARE(Query(index, u"same words"_s), QStringList{u"3 F/fine note"_s});
        // No time is known of a note that could not be read: it comes last.
        QCOMPARE(Query(index, u"note"_s),
                 list(u"2 F/fine note, 2 F/broken note, 2 F/short note, 2 F/shut note"_s));
        for (const IndexedNote &note : index.snapshot()->folders()[0]->notes) {
            const bool fine = note.fileName == u"fine note.txt"_s;
            QCOMPARE(note.kind, fine ? IndexedKind::Text : IndexedKind::Unreadable);
            QCOMPARE(note.stamp.isValid(), fine);
        }

        QCOMPARE(searchBook({{1, u"F"_s, folder}}, u"same"_s, index.snapshot()),
                 list(u"fine note.txt:1:4:the same words, searched 1; unreadable 3"_s));
    }

    // Find in Book on the index finds what it finds on the disk, without opening the notes the
    // index holds as they are, and reads those changed since.
    void findInBookOnTheIndex()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"F"_s);
        QVERIFY(put(folder + u"/a.txt"_s, Utf8(u"Café 2291\r\nmore café 2291"_s), 5));
        QVERIFY(put(folder + u"/b.txt"_s, ansi(u"CAFÉ 2291 paid\n"_s), 5));
        QVERIFY(put(folder + u"/c.txt"_s, "nothing\r\n", 5));
        QVERIFY(put(folder + u"/enc.txt"_s, encodedNoteBytes(Utf8(u"café 2291"_s)), 5));
        QVERIFY(put(folder + u"/big.txt"_s, Utf8(u"café 2291"_s) + QByteArray(30'000, '.'), 5));
        const QList<BookSearchFolder> folders = {{1, u"F"_s, folder}};
        NoteIndex index;
        build(index, folders);
        QVERIFY(put(folder + u"/c.txt"_s, Utf8(u"now café 2291\r\n"_s), 1));

        const QStringList fromDisk = searchBook(folders, u"café 2291"_s, nullptr);
        QCOMPARE(fromDisk.size(), qsizetype(7));
        Faults faults;
        QVERIFY2(faults.loaded(), "the test runs with the qbfault library preloaded");
        for (const QString &name : {u"/a.txt"_s, u"/b.txt"_s, u"/enc.txt"_s})
            faults.arm("open", EACCES, name);
        QCOMPARE(searchBook(folders, u"café 2291"_s, index.snapshot()), fromDisk);
        QCOMPARE(faults.hits(), 0);
    }

    // A query typed on from another looks only at what that one found, and finds the same as a
    // query of every note: whatever is typed after it, at the end of a word or in a new one.
    void narrowsAsTyped()
    {
        const NoteIndexSnapshotPtr snapshot = m_index.snapshot();
        for (const QString &typed : {u"crème brûlée"_s, u"BRÛLÉE  crème"_s, u"\u212Aelvin sp"_s,
                                     u"torch"_s, u"eggs café"_s, u" \u240Dthen"_s}) {
            NoteQueryPlaces found = NoteQuery(snapshot, {}).foundPlaces();
            QVERIFY(!found); // nothing ranked yet
            NoteQuery all(snapshot, {});
            all.count();
            found = all.foundPlaces();
            QCOMPARE(found->size(), size_t(snapshot->noteCount()));
            for (qsizetype end = 1; end <= typed.size(); ++end) {
                const QString query = typed.first(end);
                const test::RowLabel row(u"\"%1\""_s.arg(query));
                QVERIFY(queryNarrows(typed.first(end - 1), query));
                NoteQuery narrowed(snapshot, query);
                narrowed.narrowTo(found);
                QCOMPARE(ranked(narrowed.rest()), ranked(NoteQuery(snapshot, query).rest()));
                found = narrowed.foundPlaces();
                QVERIFY(found);
            }
        }
        // A letter taken back, or one typed before the rest, may find more.
        QVERIFY(!queryNarrows(u"eggs"_s, u"egg"_s));
        QVERIFY(!queryNarrows(u"eggs"_s, u"x eggs"_s));
        NoteQuery cancelled(snapshot, u"torch"_s);
        cancelled.count();
        cancelled.cancel();
        QVERIFY(!cancelled.foundPlaces());
    }

    void cancels()
    {
        QTemporaryDir dir;
        const QByteArray text = Utf8(u"Notes été "_s).repeated(800);
        for (int i = 0; i < 2000; ++i)
            QVERIFY(writeBytes(dir.filePath(u"F/%1.txt"_s.arg(i)), text));
        NoteIndex index;
        build(index, {{1, u"F"_s, dir.filePath(u"F"_s)}});

        NoteQuery before(index.snapshot(), u"été"_s);
        before.cancel();
        QVERIFY(before.next(50).isEmpty());

        // Cancelled from another thread while the text is searched: what was worked out is
        // dropped, and the query ends long before it would have.
        NoteQuery query(index.snapshot(), u"été zzz"_s);
        std::thread canceller([&] {
            QTest::qSleep(20);
            query.cancel();
        });
        QElapsedTimer clock;
        clock.start();
        const QList<NoteQueryHit> hits = query.rest();
        canceller.join();
        QVERIFY(hits.isEmpty() && query.isCancelled());
        const qint64 cancelledMs = clock.elapsed();
        clock.restart();
        QVERIFY(NoteQuery(index.snapshot(), u"été zzz"_s).rest().isEmpty());
        QVERIFY2(cancelledMs < clock.elapsed() / 2 + 20, qPrintable(QString::number(cancelledMs)));
    }

    void folderChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("told"); // the file names taken; "" for the whole folder
        QTest::newRow("written in place") << u"write"_s << QStringList{u"a.txt"_s};
        QTest::newRow("made") << u"make"_s << QStringList{u"new.txt"_s};
        QTest::newRow("removed") << u"remove"_s << QStringList{u"a.txt"_s};
        QTest::newRow("renamed") << u"rename"_s << QStringList{u"a.txt"_s, u"b.txt"_s};
        QTest::newRow("its time set") << u"touch"_s << QStringList{u"a.txt"_s};
        QTest::newRow("folder removed") << u"rmdir"_s << QStringList{u"a.txt"_s, u""_s};
        QTest::newRow("more than the system keeps") << u"flood"_s << QStringList{u""_s};
    }

    // Each change is there to take as soon as the call that made it returns; a folder removed,
    // or changes the system dropped, say that anything in it may have changed, and it is
    // watched no longer. A file system of another kind is not watched.
    void folderChanges()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, told);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"F"_s);
        const QString a = folder + u"/a.txt"_s;
        QVERIFY(writeBytes(a, "one\r\n"));
        FolderChanges changes;
        if (!changes.watch(folder))
            QSKIP("the tests' file system does not tell of every change");
        QVERIFY(!changes.watch(u"/proc/self"_s));

        const QByteArray systemA = QFile::encodeName(a);
        if (change == u"write"_s) {
            QFile file(a);
            QVERIFY(file.open(QIODevice::Append) && file.write("two") == 3);
        } else if (change == u"make"_s) {
            QVERIFY(writeBytes(folder + u"/new.txt"_s, "new"));
        } else if (change == u"remove"_s) {
            QVERIFY(QFile::remove(a));
        } else if (change == u"rename"_s) {
            QVERIFY(QFile::rename(a, folder + u"/b.txt"_s));
        } else if (change == u"touch"_s) {
            QCOMPARE(::utimes(systemA.constData(), nullptr), 0);
        } else if (change == u"rmdir"_s) {
            QVERIFY(QDir(folder).removeRecursively());
        } else {
            QFile limit(u"/proc/sys/fs/inotify/max_queued_events"_s);
            QVERIFY(limit.open(QIODevice::ReadOnly));
            const int most = limit.readAll().trimmed().toInt();
            QVERIFY(most > 0);
            // Alternate two files: the system folds a change into the one before it when alike.
            const QByteArray systemB = QFile::encodeName(folder + u"/b.txt"_s);
            QVERIFY(writeBytes(folder + u"/b.txt"_s, "b"));
            for (int i = 0; i <= most; ++i)
                QCOMPARE(::utimes((i % 2 ? systemA : systemB).constData(), nullptr), 0);
        }
        QStringList taken;
        for (const FolderChanges::Change &c : changes.take()) {
            QCOMPARE(c.dir, folder);
            if (!taken.contains(c.fileName))
                taken.append(c.fileName);
        }
        if (change == u"flood"_s)
            taken.removeIf([](const QString &name) { return !name.isEmpty(); });
        QCOMPARE(taken, told);
        if (told.contains(QString())) {
            QDir().mkpath(folder);
            QVERIFY(writeBytes(folder + u"/later.txt"_s, "later"));
            QCOMPARE(changes.take().size(), qsizetype(0));
        }
    }

    // Find in Book takes a watched folder's notes from the index until the system tells that
    // they were written, at once, before the index reads them again. A note written through
    // another name of its file, which its folder does not tell of, is looked at each time: one
    // with a second hard link, or a link to a file elsewhere.
    void findInBookOnAWatchedFolder()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"F"_s);
        const QString elsewhere = dir.filePath(u"elsewhere"_s);
        if (!FolderChanges().watch(dir.path()))
            QSKIP("the tests' file system does not tell of every change");
        for (const QString &name : {u"own"_s, u"kept"_s})
            QVERIFY(writeBytes(u"%1/%2.txt"_s.arg(folder, name), "old words\r\n"));
        QVERIFY(writeBytes(elsewhere + u"/linked.txt"_s, "old words\r\n"));
        QVERIFY(writeBytes(elsewhere + u"/target.txt"_s, "old words\r\n"));
        QCOMPARE(::link(QFile::encodeName(elsewhere + u"/linked.txt"_s),
                        QFile::encodeName(folder + u"/linked.txt"_s)),
                 0);
        QVERIFY(QFile::link(elsewhere + u"/target.txt"_s, folder + u"/link.txt"_s));
        const QList<BookSearchFolder> folders = {{1, u"F"_s, folder}};
        BookIndex index;
        index.open(folders);
        index.waitUntilCurrent();
        const auto search = [&](const QString &text) {
            BookSearchRequest request = searchOf(folders, text);
            index.lendTo(request);
            return searchBook(request);
        };
        QCOMPARE(search(u"old"_s).size(), qsizetype(5));

        QVERIFY(writeBytes(folder + u"/own.txt"_s, "new words\r\n"));
        QVERIFY(writeBytes(elsewhere + u"/linked.txt"_s, "new words\r\n"));
        QVERIFY(writeBytes(elsewhere + u"/target.txt"_s, "new words\r\n"));
        const QStringList now = list(u"link.txt:1:0:new words, linked.txt:1:0:new words, "
                                     "own.txt:1:0:new words, searched 4; unreadable 0"_s);
        QCOMPARE(search(u"new"_s), now);
        QCOMPARE(search(u"old"_s), list(u"kept.txt:1:0:old words, searched 4; unreadable 0"_s));
        // Read again, the note is taken from the index once more.
        index.waitUntilCurrent();
        Faults faults;
        QVERIFY2(faults.loaded(), "the test runs with the qbfault library preloaded");
        faults.arm("open", EACCES, u"/own.txt"_s);
        QCOMPARE(search(u"new"_s), now);
        QCOMPARE(faults.hits(), 0);
    }

    // The book's folders are watched off the window's thread before they are read. Find in Book
    // asked meanwhile reads the notes from the disk; a note written meanwhile is held as written
    // once the index is current, and one written after that is read again as it is told of.
    void changesWhileTheBookOpens()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"F"_s);
        if (!FolderChanges().watch(dir.path()))
            QSKIP("the tests' file system does not tell of every change");
        for (int i = 0; i < 20; ++i)
            QVERIFY(writeBytes(u"%1/n%2.txt"_s.arg(folder).arg(i), "old words\r\n"));
        const QList<BookSearchFolder> folders = {{1, u"F"_s, folder}};
        BookIndex index;
        const auto search = [&](const QString &text) {
            BookSearchRequest request = searchOf(folders, text);
            index.lendTo(request);
            return searchBook(request);
        };
        index.open(folders);
        QVERIFY(writeBytes(folder + u"/n0.txt"_s, "new words\r\n"));
        QCOMPARE(search(u"new"_s), list(u"n0.txt:1:0:new words, searched 20; unreadable 0"_s));
        index.waitUntilCurrent();
        QCOMPARE(Query(index.index(), u"new"_s), QStringList{u"3 F/n0"_s});

        QVERIFY(writeBytes(folder + u"/n1.txt"_s, "new words\r\n"));
        QCOMPARE(search(u"new"_s), list(u"n0.txt:1:0:new words, n1.txt:1:0:new words, "
                                        "searched 20; unreadable 0"_s));
        index.waitUntilCurrent();
        QStringList found = Query(index.index(), u"new"_s);
        found.sort();
        QCOMPARE(found, (QStringList{u"3 F/n0"_s, u"3 F/n1"_s}));
    }

    // One thread changes notes while others query: every query sees a whole snapshot.
    void queriesDuringChanges()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"F"_s);
        for (int i = 0; i < 40; ++i)
            QVERIFY(put(u"%1/n%2.txt"_s.arg(folder).arg(i), "alpha 0\r\n", 1));
        NoteIndex index;
        build(index, {{1, u"F"_s, folder}});
        std::atomic<bool> done = false;
        std::thread changer([&] {
            for (int round = 1; round <= 150; ++round) {
                const QString name = u"n%1.txt"_s.arg(round % 40);
                writeBytes(folder + u'/' + name, "alpha " + QByteArray::number(round) + "\r\n");
                index.updateNote(1, name);
                QFile::rename(folder + u'/' + name, folder + u"/m.txt"_s);
                index.renameNote(1, name, u"m.txt"_s);
                QFile::rename(folder + u"/m.txt"_s, folder + u'/' + name);
                if (round % 10 == 0)
                    index.relistFolder(1);
                else
                    index.renameNote(1, u"m.txt"_s, name);
            }
            done = true;
        });
        int queries = 0;
        do {
            const NoteIndexSnapshotPtr snapshot = index.snapshot();
            NoteQuery query(snapshot, u"ALPHA"_s);
            const QList<NoteQueryHit> hits = query.rest();
            QCOMPARE(hits.size(), qsizetype(40));
            for (const NoteQueryHit &hit : hits)
                QVERIFY(hit.snippet.startsWith(u"alpha "_s));
            ++queries;
        } while (!done);
        changer.join();
        QCOMPARE(Query(index, u"alpha"_s).size(), qsizetype(40));
        QVERIFY(queries > 0);
    }

    // Notes changed while a build reads the book are as the disk holds them once it is in; a
    // cancelled build leaves the index as it was.
    void changesDuringBuild()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"F"_s);
        for (int i = 0; i < 3000; ++i)
            QVERIFY(writeBytes(u"%1/n%2.txt"_s.arg(folder).arg(i), "old\r\n"));
        const QList<BookSearchFolder> folders = {{1, u"F"_s, folder}};
        NoteIndex index;
        NoteIndexBuilder builder(index);
        QSignalSpy finished(&builder, &NoteIndexBuilder::finished);
        builder.start(folders);
        builder.cancel();
        QVERIFY(builder.waitForThreads(60'000));
        QTest::qWait(20);
        QVERIFY(finished.isEmpty());
        QCOMPARE(index.snapshot()->noteCount(), qsizetype(0));

        builder.start(folders);
        QVERIFY(writeBytes(folder + u"/n0.txt"_s, "new\r\n"));
        QVERIFY(QFile::remove(folder + u"/n1.txt"_s));
        index.updateNote(1, u"n0.txt"_s);
        index.removeNote(1, u"n1.txt"_s);
        QVERIFY(finished.wait(60'000));
        QCOMPARE(index.snapshot()->noteCount(), qsizetype(2999));
        QCOMPARE(Query(index, u"new"_s), QStringList{u"3 F/n0"_s});
    }
};

QTEST_GUILESS_MAIN(TestNoteIndex)
#include "test_noteindex.moc"
