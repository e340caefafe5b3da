// Notes kept on several machines through sync tools: the copies a tool leaves beside a note
// when two machines changed it, marked in the note selector and told in the bar, through the
// window.
#include "SecretNotes.h"
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "editor/TextPane.h"
#include "encoder/EncodedNote.h"
#include "encoder/KeyWordCipher.h"
#include "faults/Faults.h"
#include "keeping/NoteHistory.h"
#include "notes/MergeDialog.h"
#include "notes/NoteNames.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace qb;
using namespace qb::test;

namespace {

const QString kSyncthingCopy = u"plan.sync-conflict-20261207-101530-ABCDEFG.txt"_s;

// Tools > Decrypt with Passphrase..., with the right passphrase.
void decrypt(TestWindow &t)
{
    answerPassphrase(t.platform, kPassphrase);
    t.trigger(u"encryptAction"_s);
    QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
}

// The selector's mark of the note named `name`: its tool tip, or empty for none.
QString markOf(const TestWindow &t, const QString &name)
{
    const QAbstractItemModel *model = t.lstFILE()->model();
    const QModelIndex index = model->index(t.lstFILE()->findText(name), 0);
    const bool pictured = !model->data(index, Qt::DecorationRole).value<QIcon>().isNull();
    const QString tip = model->data(index, Qt::ToolTipRole).toString();
    return pictured == !tip.isEmpty() ? tip : u"a picture without a tip, or a tip without one"_s;
}

// What the merge window showed, and how it was answered.
struct MergeSeen
{
    QString title, base;
    bool useOnAtOnce = false;
};

// Answers the merge window: presses the buttons named, in order, then "&Use Merged" (or Cancel
// when `use` is false), the copy's check box left as `removeCopy` says.
void answerMerge(TestWindow &t, MergeSeen &seen, const QStringList &presses, bool use = true,
                 std::optional<bool> removeCopy = true)
{
    t.platform.answerDialog([&seen, presses, use, removeCopy](QDialog &dialog) {
        auto &merge = static_cast<MergeDialog &>(dialog);
        seen.title = dialog.windowTitle();
        seen.base = dialog.findChild<QLabel *>(u"mergeBaseLabel"_s)->text();
        seen.useOnAtOnce = merge.button(u"useMergedButton"_s)->isEnabled();
        for (const QString &press : presses)
            merge.button(press)->click();
        auto *box = dialog.findChild<QCheckBox *>(u"removeCopyBox"_s);
        if (bool(box) != removeCopy.has_value())
            return int(QDialog::Rejected);
        if (box)
            box->setChecked(*removeCopy);
        return use && merge.button(u"useMergedButton"_s)->isEnabled() ? int(QDialog::Accepted)
                                                                      : int(QDialog::Rejected);
    });
}

} // namespace

class TestSyncedCopies : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { keepHomeAndTemporaryFilesIn(m_home.path()); }

    // Tools > Merge Versions... is on only while the note shown has a copy to merge with.
    void mergeOnlyWithACopy()
    {
        TestWindow t;
        t.open({{u"alone.txt"_s, "a"}, {u"plan.txt"_s, "mine"}, {kSyncthingCopy, "theirs"}});
        QVERIFY(!t.action(u"mergeVersionsAction"_s)->isEnabled());
        t.pickNote(u"plan"_s);
        QVERIFY(t.action(u"mergeVersionsAction"_s)->isEnabled());
    }

    // The copy merged three ways, from the version of the note's history both grew from: the
    // changes of each side go in, "Use Merged" is one edit that Undo takes back, and once the
    // note is saved the copy is kept in its history and goes to the trash.
    void copyMergedFromItsBase()
    {
        TestWindow t;
        const QByteArray base = "title\r\none\r\ntwo\r\n";
        QVERIFY(NoteHistory().keep(t.note(u"plan.txt"_s), "unrelated\r\n", 1'000).ok());
        QVERIFY(NoteHistory().keep(t.note(u"plan.txt"_s), base, 2'000).ok());
        const QByteArray mine = "title\r\nmine\r\none\r\ntwo\r\n";
        const QByteArray theirs = "title\r\none\r\ntwo\r\ntheirs\r\n";
        t.open({{u"plan.txt"_s, mine}, {kSyncthingCopy, theirs}});
        MergeSeen seen;
        answerMerge(t, seen, {});
        t.trigger(u"noticeCompareAndMergeAction"_s);
        QTRY_COMPARE(t.status(), u"Changed"_s);
        QCOMPARE(seen.title, u"Merge - plan"_s);
        QVERIFY2(seen.base.startsWith(u"Merged three ways, from the version of "_s),
                 qPrintable(seen.base));
        QVERIFY(seen.useOnAtOnce);
        QCOMPARE(t.text(), u"title\nmine\none\ntwo\ntheirs\n"_s);
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.text(), u"title\nmine\none\ntwo\n"_s);
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(QFileInfo::exists(t.note(kSyncthingCopy)));
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"plan.txt"_s), QByteArray("title\r\nmine\r\none\r\ntwo\r\ntheirs\r\n"));
        QVERIFY(!QFileInfo::exists(t.note(kSyncthingCopy)));
        QCOMPARE(t.lstFILE()->count(), 1);
        const QList<NoteVersion> kept = NoteHistory().versions(t.note(u"plan.txt"_s));
        QVERIFY(!kept.isEmpty());
        QList<QByteArray> bytes;
        for (const NoteVersion &version : kept)
            bytes << NoteHistory::read(version, 1 << 20).bytes;
        QVERIFY(bytes.contains(theirs));
    }

    // A clash is settled in the window: "Use Merged" waits for it; "Both" takes mine, then
    // theirs. The copy stays when the box is cleared; Cancel changes nothing.
    void clashSettled()
    {
        TestWindow t;
        QVERIFY(NoteHistory().keep(t.note(u"plan.txt"_s), "a\nb\nc\n", 1'000).ok());
        t.open({{u"plan.txt"_s, "a\nB1\nc\n"}, {kSyncthingCopy, "a\nB2\nc\n"}});
        MergeSeen seen;
        answerMerge(t, seen, {}, false);
        t.trigger(u"mergeVersionsAction"_s);
        QTRY_COMPARE(seen.title, u"Merge - plan"_s);
        QVERIFY(!seen.useOnAtOnce);
        QCOMPARE(t.text(), u"a\nB1\nc\n"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);

        answerMerge(t, seen, {u"bothButton"_s}, true, false);
        t.trigger(u"mergeVersionsAction"_s);
        QTRY_COMPARE(t.text(), u"a\nB1\nB2\nc\n"_s);
        QVERIFY(t.save());
        QVERIFY(QFileInfo::exists(t.note(kSyncthingCopy)));
    }

    // Another program changes the file while the editor holds edits: Merge in the bar merges
    // the two three-way from the text the editor read, and the save then writes without asking,
    // the other program's text being in the merge. Saved and changed again, the merge starts
    // from what was saved.
    void outsideChangeMerged()
    {
        TestWindow t;
        t.open({{u"plan.txt"_s, "one\r\ntwo\r\nthree\r\n"}});
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        t.type(u"mine "_s);
        QVERIFY(writeBytes(t.note(u"plan.txt"_s), "one\r\ntwo\r\nthree\r\ntheirs\r\n"));
        QTRY_COMPARE(bar->text(), u"The file was changed by another program."_s);
        MergeSeen seen;
        answerMerge(t, seen, {}, true, std::nullopt);
        t.trigger(u"noticeMergeAction"_s);
        QTRY_COMPARE(t.text(), u"mine one\ntwo\nthree\ntheirs\n"_s);
        QCOMPARE(seen.base, u"Merged three ways, from the text the editor read from the file."_s);
        QVERIFY(bar->text().isEmpty());
        QVERIFY(t.save());
        QCOMPARE(t.platform.prompts.size(), 1); // the merge window only
        QCOMPARE(t.bytes(u"plan.txt"_s), QByteArray("mine one\r\ntwo\r\nthree\r\ntheirs\r\n"));

        t.editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(t.editor(), u"end"_s);
        QVERIFY(writeBytes(t.note(u"plan.txt"_s), "mine one\r\nTWO\r\nthree\r\ntheirs\r\n"));
        QTRY_COMPARE(bar->text(), u"The file was changed by another program."_s);
        answerMerge(t, seen, {}, true, std::nullopt);
        t.trigger(u"mergeVersionsAction"_s);
        QTRY_COMPARE(t.text(), u"mine one\nTWO\nthree\ntheirs\nend"_s);
    }

    // Text typed while the merge is worked out is not dropped by it: the merge is refused as
    // stale, and the note keeps what was typed.
    void typingDuringMergeKept()
    {
        TestWindow t;
        QVERIFY(NoteHistory().keep(t.note(u"plan.txt"_s), "a\nb\n", 1'000).ok());
        t.open({{u"plan.txt"_s, "a\nb\nmine\n"}, {kSyncthingCopy, "theirs\na\nb\n"}});
        MergeSeen seen;
        answerMerge(t, seen, {});
        t.answer(u"ok"_s);
        t.trigger(u"mergeVersionsAction"_s);
        t.type(u"typed "_s);
        QTRY_COMPARE(t.last().text, u"The note was changed while it was merged: merge it again."_s);
        QCOMPARE(t.text(), u"typed a\nb\nmine\n"_s);
    }

    // A large merge shows its clashes with the lines around them and says how many it leaves
    // out; what it puts in is the whole note.
    void largeMergeShowsItsClashes()
    {
        QByteArray before, after;
        for (int i = 0; i < 20'000; ++i) {
            before += "before " + QByteArray::number(i) + "\n";
            after += "after " + QByteArray::number(i) + "\n";
        }
        MergedNote note;
        note.pieces = {{before, {}}, {{}, MergeClash{"mine\n", "theirs\n", {}}}, {after, {}}};
        MergeDialog dialog(u"plan"_s, note, decodeNoteBytes("a\n").format, u"base"_s);
        const QString shown = dialog.mergedView()->toPlainText();
        QVERIFY2(shown.size() < 1'000, qPrintable(shown.left(1'000)));
        QVERIFY(shown.startsWith(u"before 0\nbefore 1\nbefore 2\n\u22EF "_s));
        QVERIFY(shown.contains(u" more lines of the merged note \u22EF\nbefore 19997\n"_s));
        QVERIFY(shown.contains(u"before 19999\n<<<<<<< Mine\nmine\n=======\ntheirs\n"_s));
        QVERIFY(shown.endsWith(u"\nafter 19999\n"_s));
        dialog.button(u"theirsButton"_s)->click();
        QCOMPARE(dialog.mergedBytes(), before + "theirs\n" + after);
    }

    // Read Again in the bar is one step that Undo takes back, and the edits it drops are kept
    // in the note's history first.
    void readAgainKeepsWhatItDrops()
    {
        TestWindow t;
        t.open({{u"plan.txt"_s, "one\n"}});
        t.type(u"mine "_s);
        QVERIFY(writeBytes(t.note(u"plan.txt"_s), "theirs\n"));
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QTRY_COMPARE(bar->text(), u"The file was changed by another program."_s);
        t.trigger(u"noticeReadAgainAction"_s);
        QCOMPARE(t.text(), u"theirs\n"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(bar->text().isEmpty());
        const QList<NoteVersion> kept = NoteHistory().versions(t.note(u"plan.txt"_s));
        QCOMPARE(kept.size(), 1);
        QCOMPARE(NoteHistory::read(kept.first(), 1 << 20).bytes, QByteArray("mine one\n"));
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.text(), u"mine one\n"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        // The file holds what was read last: nothing to ask.
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"plan.txt"_s), QByteArray("mine one\n"));
        QVERIFY(t.platform.prompts.isEmpty());
    }

    // A note that holds the marks of an unfinished merge says so; Merge settles its clashes in
    // the merge window, the base part shown where there is one.
    void unfinishedMergeSettled()
    {
        TestWindow t;
        t.open({{u"plan.txt"_s, "a\r\n<<<<<<< HEAD\r\nmine\r\n||||||| base\r\nold\r\n=======\r\n"
                                "theirs\r\n>>>>>>> other\r\nz\r\n"}});
        QCOMPARE(t.child<NoticeBar>(u"noticeBar"_s)->text(),
                 u"This note holds an unfinished merge."_s);
        QVERIFY(t.action(u"mergeVersionsAction"_s)->isEnabled());
        MergeSeen seen;
        answerMerge(t, seen, {u"theirsButton"_s}, true, std::nullopt);
        t.trigger(u"noticeMergeAction"_s);
        QTRY_COMPARE(t.text(), u"a\ntheirs\nz\n"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"plan.txt"_s), QByteArray("a\r\ntheirs\r\nz\r\n"));
    }

    // The copy of an encrypted note is merged only once the note is shown decrypted, the copy
    // and the base opened with the note's passphrase in memory; the merged note is saved
    // encrypted, and no file holds its clear text. A copy encrypted with another passphrase is
    // not merged.
    void encryptedCopyMerged()
    {
        TestWindow t;
        const QByteArray base = "title\none\ntwo\n";
        QVERIFY(NoteHistory().keep(t.note(u"plan.txt"_s), encrypted(base), 1'000).ok());
        t.open({{u"plan.txt"_s, encrypted("title\nMINEWORD\none\ntwo\n")},
                {kSyncthingCopy, encrypted("title\none\ntwo\nTHEIRWORD\n")}});
        t.answer(u"ok"_s);
        t.trigger(u"mergeVersionsAction"_s);
        QCOMPARE(t.last().text, u"Decrypt the note to merge it."_s);

        decrypt(t);
        MergeSeen seen;
        answerMerge(t, seen, {});
        t.trigger(u"noticeCompareAndMergeAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.text(), u"title\nMINEWORD\none\ntwo\nTHEIRWORD\n"_s, 30'000);
        QVERIFY2(seen.base.startsWith(u"Merged three ways"_s), qPrintable(seen.base));
        QCOMPARE(t.status(), u"Decrypted"_s);
        QVERIFY(t.save());
        QCOMPARE(decrypted(t.bytes(u"plan.txt"_s)), "title\nMINEWORD\none\ntwo\nTHEIRWORD\n");
        QTRY_VERIFY(!QFileInfo::exists(t.note(kSyncthingCopy)));
        QCOMPARE(filesHolding(m_home.path(), "MINEWORD") + filesHolding(m_home.path(), "THEIRWORD"),
                 QStringList());

        t.put(u"plan.Conflict.txt"_s, encrypted("other\n", u"another passphrase"_s));
        t.trigger(u"F_mnuREFRESH"_s);
        decrypt(t);
        t.type(u"LATER "_s);
        t.answer(u"ok"_s);
        t.trigger(u"mergeVersionsAction"_s);
        QTRY_VERIFY_WITH_TIMEOUT(
            t.last().text.contains(u"\r\nThe note's passphrase does not open"_s), 30'000);
        QCOMPARE(t.text(), u"LATER title\nMINEWORD\none\ntwo\nTHEIRWORD\n"_s);
    }

    // Another program writes the decrypted note's file, encrypted with the same passphrase:
    // Merge opens it and the bytes the editor read in memory, and merges three ways.
    void encryptedOutsideChangeMerged()
    {
        TestWindow t;
        t.open({{u"plan.txt"_s, encrypted("one\ntwo\n")}});
        decrypt(t);
        t.type(u"MINEWORD "_s);
        QVERIFY(writeBytes(t.note(u"plan.txt"_s), encrypted("one\ntwo\nTHEIRWORD\n")));
        QTRY_COMPARE(t.child<NoticeBar>(u"noticeBar"_s)->text(),
                     u"The file was changed by another program."_s);
        MergeSeen seen;
        answerMerge(t, seen, {}, true, std::nullopt);
        t.trigger(u"noticeMergeAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.text(), u"MINEWORD one\ntwo\nTHEIRWORD\n"_s, 30'000);
        QCOMPARE(seen.base, u"Merged three ways, from the text the editor read from the file."_s);
        QVERIFY(t.save());
        QCOMPARE(decrypted(t.bytes(u"plan.txt"_s)), "MINEWORD one\ntwo\nTHEIRWORD\n");
        QCOMPARE(filesHolding(m_home.path(), "MINEWORD") + filesHolding(m_home.path(), "THEIRWORD"),
                 QStringList());
    }

    // The copy of an encoded note is decoded with the keyword the note was decoded with; the
    // merged note goes into the editor encoded again, one edit that Undo takes back, and is
    // saved encoded.
    void encodedCopyMerged()
    {
        TestWindow t;
        const auto encode = [](const QByteArray &plain) {
            return encodedNoteBytes(*KeyWordCipher(plain, "kw", CipherDirection::Encipher));
        };
        QVERIFY(NoteHistory().keep(t.note(u"plan.txt"_s), encode("a\r\nb\r\nc\r\n"), 1'000).ok());
        t.answer(u"input:kw"_s);
        t.open({{u"plan.txt"_s, encode("a\r\nMINEWORD\r\nb\r\nc\r\n")},
                {kSyncthingCopy, encode("a\r\nb\r\nc\r\nTHEIRWORD\r\n")}});
        QCOMPARE(t.status(), u"Decoded"_s);
        MergeSeen seen;
        answerMerge(t, seen, {});
        t.trigger(u"mergeVersionsAction"_s);
        QTRY_COMPARE(t.status(), u"Encoded"_s);
        QVERIFY2(seen.base.startsWith(u"Merged three ways"_s), qPrintable(seen.base));
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.text(), u"a\nMINEWORD\nb\nc\n"_s);
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        const QByteArray merged = encode("a\r\nMINEWORD\r\nb\r\nc\r\nTHEIRWORD\r\n");
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"plan.txt"_s), merged);
        QCOMPARE(filesHolding(m_home.path(), "MINEWORD") + filesHolding(m_home.path(), "THEIRWORD"),
                 QStringList());
    }

    // Without a version both grew from, every difference is a clash, and the window says so.
    void noBaseEveryDifferenceClashes()
    {
        TestWindow t;
        t.open({{u"plan.txt"_s, "same\nmine\n"}, {kSyncthingCopy, "same\ntheirs\n"}});
        MergeSeen seen;
        answerMerge(t, seen, {u"theirsButton"_s});
        t.trigger(u"mergeVersionsAction"_s);
        QTRY_COMPARE(t.text(), u"same\ntheirs\n"_s);
        QCOMPARE(seen.base, u"No version both grew from is kept in the note's history: every "
                            "difference is a clash."_s);
        QVERIFY(!seen.useOnAtOnce);
    }

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
        t.trigger(u"noticeShowCopyAction"_s);
        QCOMPARE(t.text(), u"theirs"_s);
        QCOMPARE(bar->text(),
                 u"This note is a copy of \"plan\" that Syncthing kept on 7 Dec 2026 10:15."_s);
        t.trigger(u"noticeShowNoteAction"_s);
        QCOMPARE(t.text(), u"mine"_s);
        // Typing and saving the note leave the bar as the user closed it.
        t.trigger(u"noticeCloseAction"_s);
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
        t.trigger(u"noticeShowCopyAction"_s);
        QCOMPARE(t.text(), u"newest"_s);

        // The merge window opens on the newest; its list takes the other, merged in its place.
        t.trigger(u"noticeShowNoteAction"_s);
        QStringList listed;
        t.platform.answerDialog([&listed](QDialog &dialog) {
            auto *copies = dialog.findChild<QComboBox *>(u"copyBox"_s);
            for (int i = 0; i < copies->count(); ++i)
                listed << copies->itemText(i);
            listed << copies->currentText();
            copies->setCurrentIndex(
                copies->findText(u"plan (Zoë's conflicted copy 2026-12-05).txt"_s));
            Q_EMIT copies->activated(copies->currentIndex());
            return dialog.result();
        });
        MergeSeen seen;
        answerMerge(t, seen, {u"theirsButton"_s});
        t.trigger(u"mergeVersionsAction"_s);
        QTRY_COMPARE(t.text(), u"older"_s);
        QCOMPARE(listed, QStringList({u"plan (conflicted 2).txt"_s,
                                      u"plan (Zoë's conflicted copy 2026-12-05).txt"_s,
                                      u"plan (conflicted 2).txt"_s}));
    }
};

QTEST_MAIN(TestSyncedCopies)
#include "test_syncedcopies.moc"
