// Handing the note to Glyphwright, opening a folder in the file browser, and the about box.
#include "WindowFixture.h"

#include "launch/mgABOUT.h"
#include "platform/QtPlatform.h"

#include <QScopeGuard>

using namespace qb;
using namespace qb::test;

namespace {

// Puts the stand-in tool, a shell script, into `dir` as Glyphwright; its path.
QString PlaceTool(const QString &dir, bool runnable = true)
{
    const QString tool = QDir(dir).filePath(u"Glyphwright"_s);
    const QFile::Permissions readWrite = QFile::ReadOwner | QFile::WriteOwner;
    const QString script = qEnvironmentVariable("QB_TEST_DATA") + u"/launch/fake-glyphwright.sh"_s;
    if (!WriteBytes(tool, ReadBytes(script)) ||
        !QFile::setPermissions(tool, runnable ? readWrite | QFile::ExeOwner : readWrite))
        return {};
    return tool;
}

} // namespace

class TestLaunch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The real tool gets a path as one argument, as it is: blanks, quotes, ";", "&", "|", "$()"
    // and "``" in it, and no shell runs any of it.
    void pathReachesToolAsOneArgument()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(u"arguments.log"_s);
        const QString tool = PlaceTool(dir.filePath(u"bin dir"_s));
        qputenv("QB_GLYPHWRIGHT_LOG", QFile::encodeName(log));
        const QString note =
            dir.filePath(u"my notes/He said \"it's\" a;touch x;b & c | $(touch x) `touch x`.txt"_s);
        const QString start = QDir::currentPath();
        const auto back = qScopeGuard([&] { QDir::setCurrent(start); });
        QVERIFY(QDir::setCurrent(dir.path())); // where a shell would run "touch x"
        QVERIFY(QtPlatform().startProgram(tool, {note}));
        QTRY_VERIFY(QFile::exists(log));
        QCOMPARE(QString::fromUtf8(ReadBytes(log)), note + u'\n');
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList(u"arguments.log"_s));
    }

    // A "Changed" note is saved first when the user agrees; Cancel starts nothing. The path
    // goes as one argument, blanks and all.
    void saveQuestion()
    {
        for (const auto &[changed, answer] :
             {std::pair(true, Platform::Button::Ok), std::pair(true, Platform::Button::Cancel),
              std::pair(false, Platform::Button::Ok)}) {
            TestWindow t({u"my notes"_s});
            const QString note = t.dir(u"my notes"_s) + u"/it's \"$(x)\".txt"_s;
            QVERIFY(WriteBytes(note, "note"));
            t.platform.programDirectory = t.root.path();
            const QString tool = PlaceTool(t.root.path());
            t.open();
            if (changed) {
                t.type(u"X"_s);
                t.platform.answerMessage(answer);
            }
            t.trigger(u"tBAR_Button15"_s);
            const bool goes = answer == Platform::Button::Ok;
            if (changed) {
                QCOMPARE(t.last().text, u"Save the file before executing Glyphwright?"_s);
                QCOMPARE(t.last().buttons, Platform::Buttons::OkCancel);
            }
            QCOMPARE(ReadBytes(note), changed && goes ? "Xnote" : "note");
            using Started = QList<QPair<QString, QStringList>>;
            QCOMPARE(t.platform.started, goes ? Started({{tool, {note}}}) : Started());
        }
    }

    // A tool missing at start-up keeps its command off for the run, even once put there; one
    // that cannot be started is reported.
    void missingTool()
    {
        TestWindow t;
        t.platform.programDirectory = t.root.path();
        t.open({{u"n.txt"_s, "note"}});
        const QString tool = PlaceTool(t.root.path(), false);
        QVERIFY(!QtPlatform().startProgram(tool, {}));
        QVERIFY(t.action(u"T_mnuFIND"_s)->isEnabled());
        QVERIFY(!t.action(u"T_mnuGLWR"_s)->isEnabled() &&
                !t.action(u"tBAR_Button15"_s)->isEnabled());
        t.platform.startSucceeds = false;
        t.open();
        t.platform.answerMessage(Platform::Button::Ok);
        t.trigger(u"T_mnuGLWR"_s);
        QCOMPARE(t.last().text, u"Unable to start Glyphwright:\r\n\""_s + tool + u"\""_s);
    }

    // Open Disk Folder opens the selected folder's directory, "#" and "%" in it included, and a
    // relative one beside the book.
    void diskFolder()
    {
        const QString odd = u"My #1 100% notes"_s;
        TestWindow t({odd, u"sub dir/Recipes"_s});
        QVERIFY(WriteBytes(t.bookPath, BookBytes(u"Home"_s, {{u"A"_s, t.dir(odd)},
                                                             {u"B"_s, u"sub dir/Recipes"_s}})));
        t.put(u"a.txt"_s, "a", odd);
        t.put(u"b.txt"_s, "b", u"sub dir/Recipes"_s);
        t.open();
        t.trigger(u"B_mnuF_DISKOPEN"_s);
        t.pickFolder(u"B"_s);
        t.trigger(u"B_mnuF_DISKOPEN"_s);
        QCOMPARE(t.platform.opened, QList({QUrl::fromLocalFile(t.dir(odd)),
                                           QUrl::fromLocalFile(t.dir(u"sub dir/Recipes"_s))}));
    }

    // Help > About shows the borderless box modally; a left click on its web link opens it,
    // and its X closes it.
    void about()
    {
        TestWindow t;
        t.start({});
        bool closed = false;
        t.platform.answerDialog([&](QDialog &dialog) {
            auto &box = dynamic_cast<mgABOUT &>(dialog);
            box.show();
            QTest::mouseClick(box.lblINFO(2), Qt::LeftButton);
            QTest::mouseClick(box.btnEND(), Qt::LeftButton);
            closed = box.windowFlags().testFlag(Qt::FramelessWindowHint) && !box.isVisible();
            return box.result();
        });
        t.trigger(u"H_mnuABOUT"_s);
        QVERIFY(closed);
        QCOMPARE(t.platform.opened, QList({QUrl(u"https://quirebox.example.org"_s)}));
    }
};

QTEST_MAIN(TestLaunch)
#include "test_launch.moc"
