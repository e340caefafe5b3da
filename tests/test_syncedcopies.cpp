// Notes kept on several machines through sync tools: the copies a tool leaves beside a note
// when two machines changed it, marked in the note selector and told in the bar, through the
// window.
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "notes/NoteNames.h"

#include <QAbstractItemModel>
#include <QIcon>

using namespace qb;
using namespace qb::test;

namespace {

const QString kSyncthingCopy = u"plan.sync-conflict-20261207-101530-ABCDEFG.txt"_s;

// The selector's mark of the note named `name`: its tool tip, or empty for none.
QString markOf(const TestWindow &t, const QString &name)
{
    const QAbstractItemModel *model = t.lstFILE()->model();
    const QModelIndex index = model->index(t.lstFILE()->findText(name), 0);
    const bool pictured = !model->data(index, Qt::DecorationRole).value<QIcon>().isNull();
    const QString tip = model->data(index, Qt::ToolTipRole).toString();
    return pictured == !tip.isEmpty() ? tip : u"a picture without a tip, or a tip without one"_s;
}

} // namespace

class TestSyncedCopies : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A note and the copy Syncthing kept of it are both listed and both marked; a copy whose
    // note is not there, and a name that only looks like a copy, are ordinary notes.
    void copiesMarkedInTheSelector()
    {
        TestWindow t;
        t.open({{u"plan.txt"_s, "mine"},
                {kSyncthingCopy, "theirs"},
                {u"lonely (conflicted).txt"_s, "alone"},
                {u"conflict notes.txt"_s, "plain"}});
        QCOMPARE(t.lstFILE()->count(), 4);
        QCOMPARE(markOf(t, u"plan"_s),
                 u"A sync tool kept another version of this note beside it."_s);
        QCOMPARE(markOf(t, noteNameOf(kSyncthingCopy)),
                 u"A version of another note, kept by a sync tool."_s);
        QCOMPARE(markOf(t, u"lonely (conflicted)"_s), QString());
        QCOMPARE(markOf(t, u"conflict notes"_s), QString());
    }

    // Shown, a note with a copy says so in the bar, which shows the copy at the user's word;
    // the copy says whose copy it is, and shows its note. Nothing pops up, and the keys stay
    // in the editor.
    void barTellsOfTheCopy()
    {
        TestWindow t;
        t.open({{u"plan.txt"_s, "mine"}, {kSyncthingCopy, "theirs"}});
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QCOMPARE(t.text(), u"mine"_s);
        QCOMPARE(bar->text(), u"Another version of this note was kept by Syncthing on 7 Dec 2026 "
                              "10:15: \""_s +
                                  kSyncthingCopy + u"\"."_s);
        QVERIFY(t.platform.prompts.isEmpty());
        t.trigger(u"noticeShowCopy"_s);
        QCOMPARE(t.text(), u"theirs"_s);
        QCOMPARE(bar->text(),
                 u"This note is a copy of \"plan\" that Syncthing kept on 7 Dec 2026 10:15."_s);
        t.trigger(u"noticeShowNote"_s);
        QCOMPARE(t.text(), u"mine"_s);
        // Typing and saving the note leave the bar as the user closed it.
        t.trigger(u"noticeClose"_s);
        t.type(u"more "_s);
        QVERIFY(t.save());
        QVERIFY(bar->text().isEmpty());
    }

    // Several copies: the bar names how many and the newest, which Show Copy shows.
    void severalCopies()
    {
        TestWindow t;
        t.put(u"plan (Zoë's conflicted copy 2026-12-05).txt"_s, "older");
        QFile older(t.note(u"plan (Zoë's conflicted copy 2026-12-05).txt"_s));
        QVERIFY(older.open(QIODevice::ReadWrite) &&
                older.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                  QFileDevice::FileModificationTime));
        t.open({{u"plan.txt"_s, "mine"}, {u"plan (conflicted 2).txt"_s, "newest"}});
        QCOMPARE(t.child<NoticeBar>(u"noticeBar"_s)->text(),
                 u"2 other versions of this note were kept, the newest by pCloud: \"plan "
                 "(conflicted 2).txt\"."_s);
        t.trigger(u"noticeShowCopy"_s);
        QCOMPARE(t.text(), u"newest"_s);
    }
};

QTEST_MAIN(TestSyncedCopies)
#include "test_syncedcopies.moc"
