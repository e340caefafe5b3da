// Handing the note to Glyphwright, opening a folder in the file browser, and the about box.
#include "WindowFixture.h"

#include "launch/mgABOUT.h"
#include "platform/QtPlatform.h"

using namespace qb;
using namespace qb::test;

namespace {

// Where the tool is looked for; its stand-in here is a shell script, so no ".exe".
QString ToolPath(const QString &programDir)
{
    return QDir(programDir).filePath(u"Glyphwright"_s);
}

// Puts the stand-in tool into `programDir` as Glyphwright, runnable or not.
bool PlaceTool(const QString &programDir, bool runnable = true)
{
    const QString target = ToolPath(programDir);
    const QFile::Permissions readWrite = QFile::ReadOwner | QFile::WriteOwner;
    return WriteBytes(target, ReadBytes(qEnvironmentVariable("QB_TEST_DATA") +
                                        u"/launch/fake-glyphwright.sh"_s)) &&
           QFile::setPermissions(target, runnable ? readWrite | QFile::ExeOwner : readWrite);
}

// The about box shown and active, as the Help menu leaves it.
bool ShowActive(mgABOUT &box)
{
    box.show();
    box.activateWindow();
    return QTest::qWaitForWindowActive(&box);
}

} // namespace

class TestLaunch : public QObject
{
    Q_OBJECT
    const QString m_startDir = QDir::currentPath();

private Q_SLOTS:
    void cleanup()
    {
        QDir::setCurrent(m_startDir);
        qunsetenv("QB_GLYPHWRIGHT_LOG");
    }

    // The real tool gets a path as one argument, as it is; no shell runs any of it.
    void pathReachesToolAsOneArgument_data()
    {
        QTest::addColumn<QString>("noteName");
        QTest::newRow("blanks, quotes") << u"my notes/He said \"it's\" twice.txt"_s;
        QTest::newRow("; & |") << u"a;touch x;b & c | touch x.txt"_s;
        QTest::newRow("$() and ``") << u"$(touch x) `touch x`.txt"_s;
    }

    void pathReachesToolAsOneArgument()
    {
        QFETCH(QString, noteName);
        QTemporaryDir dir;
        const QString log = dir.filePath(u"arguments.log"_s);
        QVERIFY(QDir().mkpath(dir.filePath(u"work"_s)) && PlaceTool(dir.filePath(u"bin dir"_s)));
        QVERIFY(QDir::setCurrent(dir.filePath(u"work"_s))); // where a shell would run "touch x"
        qputenv("QB_GLYPHWRIGHT_LOG", QFile::encodeName(log));
        const QString notePath = dir.filePath(u"folder/"_s + noteName);
        QVERIFY(QtPlatform().startProgram(ToolPath(dir.filePath(u"bin dir"_s)), {notePath}));
        QTRY_VERIFY(QFile::exists(log));
        QCOMPARE(QString::fromUtf8(ReadBytes(log)), notePath + u'\n');
        QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    // A "Changed" note is saved first when the user agrees; Cancel starts nothing. The note's
    // path goes as one argument, blanks and all.
    void saveQuestion_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<Platform::Button>("answer");
        QTest::newRow("changed, Ok") << true << Platform::Button::Ok;
        QTest::newRow("changed, Cancel") << true << Platform::Button::Cancel;
        QTest::newRow("unchanged") << false << Platform::Button::Ok;
    }

    void saveQuestion()
    {
        QFETCH(bool, changed);
        QFETCH(Platform::Button, answer);
        TestWindow t({u"my notes"_s});
        const QString note = t.dir(u"my notes"_s) + u"/it's \"$(x)\".txt"_s;
        QVERIFY(WriteBytes(note, "note") && PlaceTool(t.root.path()));
        t.platform.programDirectory = t.root.path();
        t.open();
        if (changed) {
            t.type(u"X"_s);
            t.platform.answerMessage(answer);
        }
        t.trigger(u"tBAR_Button15"_s);
        const bool goes = answer == Platform::Button::Ok;
        QCOMPARE(t.platform.prompts.size(), changed ? 1 : 0);
        if (changed) {
            QCOMPARE(t.last().text, u"Save the file before executing Glyphwright?"_s);
            QCOMPARE(t.last().buttons, Platform::Buttons::OkCancel);
        }
        QCOMPARE(ReadBytes(note), changed && goes ? "Xnote" : "note");
        QCOMPARE(t.status(), changed && !goes ? u"Changed"_s : u"Unchanged"_s);
        QCOMPARE(t.platform.started.size(), goes ? 1 : 0);
        if (goes)
            QCOMPARE(t.platform.started[0], qMakePair(ToolPath(t.root.path()), QStringList{note}));
    }

    // A tool missing at start-up keeps its command off for the run, even once put there; one
    // that cannot be started is reported.
    void missingTool()
    {
        TestWindow t;
        t.put(u"n.txt"_s, "note");
        t.platform.programDirectory = t.root.path();
        t.open();
        QVERIFY(PlaceTool(t.root.path(), false));
        QVERIFY(!QtPlatform().startProgram(ToolPath(t.root.path()), {}));
        QVERIFY(t.action(u"T_mnuFIND"_s)->isEnabled());
        QVERIFY(!t.action(u"T_mnuGLWR"_s)->isEnabled());
        QVERIFY(!t.action(u"tBAR_Button15"_s)->isEnabled());

        t.platform.startSucceeds = false;
        t.platform.answerMessage(Platform::Button::Ok);
        t.open();
        t.trigger(u"T_mnuGLWR"_s);
        QCOMPARE(t.last().text,
                 u"Unable to start Glyphwright:\r\n\""_s + ToolPath(t.root.path()) + u"\""_s);
    }

    // Open Disk Folder opens the selected folder's directory, "#" and "%" in it included, and a
    // relative one beside the book.
    void diskFolderOpensSelectedDirectory()
    {
        TestWindow t({u"My #1 100% notes"_s, u"sub dir/Recipes"_s});
        QVERIFY(WriteBytes(t.bookPath, BookBytes(u"Home"_s, {{u"A"_s, t.dir(u"My #1 100% notes"_s)},
                                                             {u"B"_s, u"sub dir/Recipes"_s}})));
        t.put(u"a.txt"_s, "a", u"My #1 100% notes"_s);
        t.put(u"b.txt"_s, "b", u"sub dir/Recipes"_s);
        t.open();
        t.trigger(u"B_mnuF_DISKOPEN"_s);
        t.pickFolder(u"B"_s);
        t.trigger(u"B_mnuF_DISKOPEN"_s);
        QCOMPARE(t.platform.opened, QList({QUrl::fromLocalFile(t.dir(u"My #1 100% notes"_s)),
                                           QUrl::fromLocalFile(t.dir(u"sub dir/Recipes"_s))}));
    }

    // Left clicks on the links open their targets; right clicks, and clicks on the other
    // lines, open nothing. Only the link under the pointer is underlined.
    void aboutLinks()
    {
        FakePlatform platform;
        mgABOUT box(platform, nullptr);
        QVERIFY(ShowActive(box));
        for (int label : {0, 1, 2, 3}) {
            QTest::mouseClick(box.lblINFO(label), Qt::RightButton);
            QTest::mouseClick(box.lblINFO(label), Qt::LeftButton);
        }
        QStringList opened;
        for (const QUrl &url : std::as_const(platform.opened))
            opened.append(url.toString(QUrl::FullyEncoded));
        QCOMPARE(opened,
                 QStringList({u"mailto:quirebox@example.org?subject=Quirebox%20v3%20About%20Mail"_s,
                              u"https://quirebox.example.org"_s}));
        QVERIFY(box.isVisible());

        const QPoint background(3, box.height() - 3);
        QVERIFY(!box.childAt(background));
        for (int label : {1, 2, 0, 1, -1, 2, 3}) {
            if (label < 0)
                QTest::mouseMove(&box, background);
            else
                QTest::mouseMove(box.lblINFO(label), box.lblINFO(label)->rect().center());
            QTRY_COMPARE(box.lblINFO(1)->font().underline(), label == 1);
            QCOMPARE(box.lblINFO(2)->font().underline(), label == 2);
        }
        QCOMPARE(platform.opened.size(), 2);
    }

    // Help > About shows the borderless box modally; its X picture closes it.
    void aboutXClosesIt()
    {
        TestWindow t;
        t.start({});
        bool closed = false;
        t.platform.answerDialog([&](QDialog &dialog) {
            auto &box = dynamic_cast<mgABOUT &>(dialog);
            if (!ShowActive(box) || !box.windowFlags().testFlag(Qt::FramelessWindowHint))
                return -1;
            QTest::mouseClick(box.btnEND(), Qt::LeftButton);
            closed = !box.isVisible();
            return box.result();
        });
        t.trigger(u"H_mnuABOUT"_s);
        QVERIFY(closed);
    }
};

QTEST_MAIN(TestLaunch)
#include "test_launch.moc"
