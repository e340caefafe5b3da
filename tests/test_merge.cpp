// Two versions of a note merged: three-way with the base both grew from, two-way without one;
// the bytes of every encoding and line end come through as they are.
#include "notes/NoteMerge.h"

#include <QtTest/QTest>

#include <optional>

using namespace Qt::StringLiterals;
using namespace qb;

namespace {

// The merged note with each clash written "[mine|base|theirs]", or "[mine|theirs]" without a
// base.
QByteArray shown(const MergedNote &merged)
{
    return merged.bytes([](const MergeClash &clash) {
        return "[" + clash.mine + "|" + (clash.base ? *clash.base + "|" : QByteArray()) +
               clash.theirs + "]";
    });
}

} // namespace

class TestMerge : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void merges_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("base");
        QTest::addColumn<QByteArray>("mine");
        QTest::addColumn<QByteArray>("theirs");
        QTest::addColumn<QByteArray>("merged");
        const auto row = [](const char *label, std::optional<QByteArray> base, QByteArray mine,
                            QByteArray theirs, QByteArray merged) {
            QTest::newRow(label) << base << mine << theirs << merged;
        };
        row("changes apart", "a\nb\nc\n"_ba, "A\nb\nc\n", "a\nb\nC\n", "A\nb\nC\n");
        row("a clash on one line", "a\nb\nc\n"_ba, "a\nB1\nc\n", "a\nB2\nc\n",
            "a\n[B1\n|b\n|B2\n]c\n");
        row("the same change on both sides", "a\nb\nc\n"_ba, "a\nX\nc\n", "a\nX\nc\n", "a\nX\nc\n");
        row("one side deletes what the other changed", "a\nb\nc\n"_ba, "a\nc\n", "a\nB\nc\n",
            "a\n[|b\n|B\n]c\n");
        row("the first and the last line", "a\nb\nc"_ba, "A\nb\nc", "a\nb\nC", "A\nb\nC");
        row("a clash on a last line without its end", "a\nb"_ba, "a\nb1", "a\nb2", "a\n[b1|b|b2]");
        row("CR LF", "a\r\nb\r\nc\r\n"_ba, "a\r\nB\r\nc\r\n", "a\r\nb\r\nc\r\nd\r\n",
            "a\r\nB\r\nc\r\nd\r\n");
        row("mixed line ends", "a\r\nb\nc\r\nd\n"_ba, "a\r\nB\nc\r\nd\n", "a\r\nb\nc\r\nD\n",
            "a\r\nB\nc\r\nD\n");
        row("Windows-1252", "caf\xE9\r\n-\r\nna\xEFve\r\n"_ba, "Caf\xE9\r\n-\r\nna\xEFve\r\n",
            "caf\xE9\r\n-\r\nna\xEFve!\r\n", "Caf\xE9\r\n-\r\nna\xEFve!\r\n");
        row("changes on lines side by side clash", "a\nb\nc\n"_ba, "a\nB\nc\n", "a\nb\nC\n",
            "a\n[B\nc\n|b\nc\n|b\nC\n]");
        row("lines like merge marks are the note's", "a\n=======\nb\n"_ba, "A\n=======\nb\n",
            "a\n=======\nB\n", "A\n=======\nB\n");
        row("no base: every difference clashes", std::nullopt, "a\nb\nc\nd\n", "a\nB\nc\nd\ne\n",
            "a\n[b\n|B\n]c\nd\n[|e\n]");
        row("no base, the same", std::nullopt, "same\n", "same\n", "same\n");
    }

    void merges()
    {
        QFETCH(std::optional<QByteArray>, base);
        QFETCH(QByteArray, mine);
        QFETCH(QByteArray, theirs);
        QFETCH(QByteArray, merged);
        const MergedNote result = mergeNotes(base, mine, theirs);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(shown(result), merged);
        // Each side taken whole gives that side back, where the other changed nothing.
        if (result.clashCount() > 0 && base) {
            const QByteArray allMine = result.bytes([](const MergeClash &c) { return c.mine; });
            const QByteArray allTheirs = result.bytes([](const MergeClash &c) { return c.theirs; });
            QVERIFY(allMine.size() > 0 && allTheirs.size() > 0);
        }
    }

    // The marks of an unfinished merge in a note, as git and diff3 write them, with or without
    // a base part; marks that do not close are the note's own text.
    void unfinishedMergeInANote_data()
    {
        QTest::addColumn<QByteArray>("note");
        QTest::addColumn<QByteArray>("read");
        QTest::newRow("git") << "a\n<<<<<<< HEAD\nmine\n=======\ntheirs\n>>>>>>> other\nz\n"_ba
                             << "a\n[mine\n|theirs\n]z\n"_ba;
        QTest::newRow("diff3, CR LF")
            << "<<<<<<< mine\r\nm\r\n||||||| base\r\nb\r\n=======\r\nt\r\n>>>>>>> theirs\r\n"_ba
            << "[m\r\n|b\r\n|t\r\n]"_ba;
        QTest::newRow("diff3, changes apart within a clash")
            << "<<<<<<< mine\nA\nb\nc\n||||||| base\na\nb\nc\n=======\na\nb\nC\n>>>>>>> theirs\n"_ba
            << "A\nb\nC\n"_ba;
        QTest::newRow("not closed") << "<<<<<<< HEAD\nmine\n=======\n"_ba
                                    << "<<<<<<< HEAD\nmine\n=======\n"_ba;
        QTest::newRow("a rule of equals signs alone") << "title\n=======\ntext\n"_ba
                                                      << "title\n=======\ntext\n"_ba;
    }

    void unfinishedMergeInANote()
    {
        QFETCH(QByteArray, note);
        QFETCH(QByteArray, read);
        QCOMPARE(shown(mergeMarksOf(note)), read);
    }

    // The base of a copy is the version of the note's history both sides grew from: the one
    // closest to both, not the newest nor the oldest; none when no version shares a line with
    // both.
    void baseChosenFromTheHistory()
    {
        const QByteArray mine = "title\nmine added\none\ntwo\nthree\n";
        const QByteArray theirs = "title\none\ntwo\nthree\ntheirs added\n";
        const QList<QByteArray> versions = {"title\nunrelated newest\n", "title\none\ntwo\nthree\n",
                                            "title\n"};
        QCOMPARE(closestBase(versions, mine, theirs), 1);
        const MergedNote merged = mergeNotes(versions[1], mine, theirs);
        QCOMPARE(merged.clashCount(), 0);
        QCOMPARE(shown(merged), "title\nmine added\none\ntwo\nthree\ntheirs added\n");
        QCOMPARE(closestBase({"nothing in common\n"}, mine, theirs), -1);
        QCOMPARE(closestBase({}, mine, theirs), -1);
    }
};

QTEST_GUILESS_MAIN(TestMerge)
#include "test_merge.moc"
