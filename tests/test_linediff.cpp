// The lines that differ between two versions of a note, as the history window shows them.
#include "keeping/LineDiff.h"

#include <QStringList>
#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using namespace qb;

namespace {

// A diff as text: "@@ -oldStart,oldCount +newStart,newCount" then each line marked ' ', '-', '+'.
QStringList render(const LineDiff &diff)
{
    QStringList out;
    for (const DiffHunk &hunk : diff.hunks) {
        out.append(QString::asprintf("@@ -%lld,%lld +%lld,%lld", qint64(hunk.oldStart),
                                     qint64(hunk.oldCount), qint64(hunk.newStart),
                                     qint64(hunk.newCount)));
        for (const DiffLine &line : hunk.lines)
            out.append(QChar(u" -+"[int(line.kind)]) + line.text); // Same, Removed, Added
    }
    return out;
}

// The new lines made from the old ones and a diff's hunks: a right diff gives them back.
QStringList applied(const QStringList &oldLines, const LineDiff &diff)
{
    QStringList out;
    qsizetype at = 0;
    for (const DiffHunk &hunk : diff.hunks) {
        out += oldLines.mid(at, hunk.oldStart - at);
        at = hunk.oldStart;
        for (const DiffLine &line : hunk.lines) {
            if (line.kind != DiffLine::Kind::Added && oldLines.value(at++) != line.text)
                return {u"(a line the old text does not hold)"_s};
            if (line.kind != DiffLine::Kind::Removed)
                out.append(line.text);
        }
    }
    return out + oldLines.mid(at);
}

QStringList numbered(int count, const QString &prefix = {})
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines.append(prefix + QString::number(i));
    return lines;
}

} // namespace

class TestLineDiff : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void diffsLines_data()
    {
        QTest::addColumn<QStringList>("oldLines");
        QTest::addColumn<QStringList>("newLines");
        QTest::addColumn<QString>("diff"); // the rendered lines, joined by '|'
        const QStringList ten = numbered(10);
        QStringList one = ten, apart = numbered(20), close = ten;
        one[5] = u"changed"_s;
        apart.removeAt(1);
        apart.insert(17, u"new"_s);
        close[2] = u"two"_s;
        close[8] = u"eight"_s;
        QTest::newRow("same") << ten << ten << QString();
        QTest::newRow("one line changed")
            << ten << one << u"@@ -2,7 +2,7| 2| 3| 4|-5|+changed| 6| 7| 8"_s;
        QTest::newRow("changes apart make two hunks")
            << numbered(20) << apart
            << u"@@ -0,5 +0,4| 0|-1| 2| 3| 4|@@ -15,5 +14,6| 15| 16| 17|+new| 18| 19"_s;
        QTest::newRow("changes close share a hunk")
            << ten << close << u"@@ -0,10 +0,10| 0| 1|-2|+two| 3| 4| 5| 6| 7|-8|+eight| 9"_s;
        QTest::newRow("from nothing")
            << QStringList() << QStringList{u"a"_s, u"b"_s} << u"@@ -0,0 +0,2|+a|+b"_s;
        QTest::newRow("to nothing") << QStringList{u"a"_s} << QStringList() << u"@@ -0,1 +0,0|-a"_s;
    }
    void diffsLines()
    {
        QFETCH(QStringList, oldLines);
        QFETCH(QStringList, newLines);
        QFETCH(QString, diff);
        const LineDiff result = diffLines(oldLines, newLines);
        QVERIFY(!result.tooDifferent);
        QCOMPARE(render(result).join(u'|'), diff);
    }

    // A long note with a few changes is diffed; texts wholly different are given up on at once,
    // and the same lines in another order are given up on or diffed rightly.
    void boundsLargeDiffs()
    {
        QStringList long1 = numbered(200'000), long2 = long1;
        long2[10] = u"x"_s;
        long2[199'990] = u"y"_s;
        long2.insert(100'000, u"z"_s);
        const LineDiff few = diffLines(long1, long2);
        QCOMPARE(few.hunks.size(), 3);
        QCOMPARE(applied(long1, few), long2);

        QVERIFY(diffLines(numbered(30'000), numbered(30'000, u"other "_s)).tooDifferent);
        QStringList reversed = numbered(30'000);
        std::reverse(reversed.begin(), reversed.end());
        const LineDiff reordered = diffLines(numbered(30'000), reversed);
        QVERIFY(reordered.tooDifferent || applied(numbered(30'000), reordered) == reversed);
    }
};

QTEST_GUILESS_MAIN(TestLineDiff)
#include "test_linediff.moc"
