#include "FakePlatform.h"
#include "TestFiles.h"

#include "app/frmQB.h"
#include "launch/LaunchCommands.h"
#include "launch/mgABOUT.h"
#include "notes/NoteCommands.h"
#include "platform/QtPlatform.h"

#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace qb::test {
namespace {

// Prompts are scripted as with FakePlatform, but programs really start.
class RealStartPlatform final : public Platform
{
public:
    QString inputBox(const QString &p, const QString &t, const QString &d) override
    {
        return fake.inputBox(p, t, d);
    }
    Button messageBox(const QString &t, Buttons b, Icon i, const QString &title) override
    {
        return fake.messageBox(t, b, i, title);
    }
    QString fileDialog(const FileDialogRequest &r) override { return fake.fileDialog(r); }
    int execDialog(QDialog &dialog) override { return fake.execDialog(dialog); }
    QDateTime now() override { return fake.now(); }
    QString userName() override { return fake.userName(); }
    QString programDir() override { return fake.programDir(); }
    bool startProgram(const QString &program, const QStringList &arguments) override
    {
        return real.startProgram(program, arguments);
    }
    bool openUrl(const QUrl &url) override { return fake.openUrl(url); }

    FakePlatform fake;
    QtPlatform real;
};

QString ToolPath(const QString &programDir)
{
#ifdef Q_OS_WIN
    return QDir(programDir).filePath(u"Glyphwright.exe"_s);
#else
    return QDir(programDir).filePath(u"Glyphwright"_s);
#endif
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

bool Underlined(const mgABOUT &box, int index)
{
    return box.lblINFO(index)->font().underline();
}

// The about box shown and active, as the Help menu leaves it.
bool ShowActive(mgABOUT &box)
{
    box.show();
    box.activateWindow();
    return QTest::qWaitForWindowActive(&box);
}

} // namespace

class LaunchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void notePathReachesToolAsOneArgument_data();
    void notePathReachesToolAsOneArgument();
    void toolThatCannotStartIsReported();
    void saveQuestionOnlyForChangedNote_data();
    void saveQuestionOnlyForChangedNote();
    void missingToolStaysOffForTheRun();
    void diskFolderOpensSelectedDirectory_data();
    void diskFolderOpensSelectedDirectory();
    void aboutLinkClicks_data();
    void aboutLinkClicks();
    void aboutHighlightFollowsPointer();
    void aboutShowsModallyAndXClosesIt();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startDir = QDir::currentPath();
};

void LaunchTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void LaunchTest::cleanup()
{
    QDir::setCurrent(m_startDir);
    qunsetenv("QB_GLYPHWRIGHT_LOG");
}

void LaunchTest::notePathReachesToolAsOneArgument_data()
{
    QTest::addColumn<QString>("noteName");
    QTest::newRow("blanks") << u"my notes/Shopping list for Saturday.txt"_s;
    QTest::newRow("semicolon") << u"a;touch x;b.txt"_s;
    QTest::newRow("command substitution") << u"$(touch x).txt"_s;
    QTest::newRow("backquotes") << u"`touch x`.txt"_s;
    QTest::newRow("quotes") << u"He said \"it's\" twice.txt"_s;
    QTest::newRow("ampersand and pipe") << u"fish & chips | touch x.txt"_s;
}

void LaunchTest::notePathReachesToolAsOneArgument()
{
    QFETCH(QString, noteName);
    const QString programDir = m_dir->filePath(u"program dir"_s);
    const QString workDir = m_dir->filePath(u"work"_s);
    const QString log = m_dir->filePath(u"arguments.log"_s);
    QVERIFY(QDir().mkpath(programDir) && QDir().mkpath(workDir) && PlaceTool(programDir));
    QVERIFY(QDir::setCurrent(workDir)); // where a shell would run "touch x"
    qputenv("QB_GLYPHWRIGHT_LOG", QFile::encodeName(log));
    RealStartPlatform platform;
    platform.fake.programDirectory = programDir;
    frmQB window(platform);
    window.Form_Load({});

    const QString notePath = m_dir->filePath(u"folder/"_s + noteName);
    QVERIFY(window.launcher().StartGlyphwright(notePath));
    QTRY_VERIFY(QFile::exists(log));
    QCOMPARE(QString::fromUtf8(ReadBytes(log)), notePath + u'\n'); // one argument, as it is
    QCOMPARE(QDir(workDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QCOMPARE(platform.fake.prompts.size(), 0);
}

void LaunchTest::toolThatCannotStartIsReported()
{
    for (bool placed : {false, true}) { // missing, then there but not a program
        if (placed)
            QVERIFY(PlaceTool(m_dir->path(), false));
        RealStartPlatform platform;
        platform.fake.programDirectory = m_dir->path();
        platform.fake.answerMessage(Platform::Button::Ok);
        frmQB window(platform);
        window.Form_Load({});
        QVERIFY(!window.launcher().StartGlyphwright(m_dir->filePath(u"note.txt"_s)));
        QCOMPARE(platform.fake.prompts.size(), 1);
        QCOMPARE(platform.fake.prompts[0].title, u"Glyphwright"_s);
        QVERIFY(platform.fake.prompts[0].text.contains(ToolPath(m_dir->path())));
        QCOMPARE(platform.fake.unexpected, 0);
    }
}

void LaunchTest::saveQuestionOnlyForChangedNote_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<Platform::Button>("answer");
    QTest::newRow("changed, cancel") << u"Changed"_s << true << Platform::Button::Cancel;
    QTest::newRow("changed, ok") << u"Changed"_s << true << Platform::Button::Ok;
    QTest::newRow("unchanged") << u"Unchanged"_s << false << Platform::Button::Ok;
    QTest::newRow("encoded") << u"Encoded"_s << false << Platform::Button::Ok;
    QTest::newRow("decoded") << u"Decoded"_s << false << Platform::Button::Ok;
    QTest::newRow("other letter case") << u"changed"_s << false << Platform::Button::Ok;
}

void LaunchTest::saveQuestionOnlyForChangedNote()
{
    QFETCH(QString, status);
    QFETCH(bool, asked);
    QFETCH(Platform::Button, answer);
    QVERIFY(PlaceTool(m_dir->path()));
    FakePlatform platform;
    platform.programDirectory = m_dir->path();
    if (asked)
        platform.answerMessage(answer);
    frmQB window(platform);
    window.Form_Load({});
    window.notes().SetNoteStatus(status, false);

    window.tBAR_ButtonClick(15);
    QCOMPARE(platform.prompts.size(), asked ? 1 : 0);
    if (asked) {
        const FakePlatform::Prompt &question = platform.prompts[0];
        QCOMPARE(question.text, u"Save the file before executing Glyphwright?"_s);
        QCOMPARE(question.title, u"Glyphwright"_s);
        QCOMPARE(question.buttons, Platform::Buttons::OkCancel);
        QCOMPARE(question.icon, Platform::Icon::Information);
    }
    if (answer == Platform::Button::Cancel) {
        QCOMPARE(platform.started.size(), 0);
        QCOMPARE(window.notes().NoteStatus(), u"Changed"_s);
    }
    QVERIFY(platform.allAnswered() && platform.unexpected == 0);
}

void LaunchTest::missingToolStaysOffForTheRun()
{
    for (bool present : {true, false}) {
        const QString programDir = m_dir->filePath(present ? u"with"_s : u"without"_s);
        QVERIFY(QDir().mkpath(programDir) && (!present || PlaceTool(programDir)));
        FakePlatform platform;
        platform.programDirectory = programDir;
        frmQB window(platform);
        window.Form_Load({});
        QVERIFY(present || PlaceTool(programDir)); // one put there later does not count

        const frmQBActions &a = window.actions();
        for (bool flag : {true, false, true}) {
            window.EnableCommands(flag);
            QCOMPARE(a.T_mnuFIND->isEnabled(), flag);
            QCOMPARE(a.T_mnuGLWR->isEnabled(), flag && present);
            QCOMPARE(a.tBAR[15]->isEnabled(), present);
        }
    }
}

void LaunchTest::diskFolderOpensSelectedDirectory_data()
{
    QTest::addColumn<QString>("pathInBook"); // "@" is the temporary directory; empty: no folder
    QTest::addColumn<QString>("directory");  // below the temporary directory
    QTest::newRow("blanks, hash, percent") << u"@/My #1 100% notes"_s << u"My #1 100% notes"_s;
    QTest::newRow("relative to the book") << u"sub dir/Recipes"_s << u"books/sub dir/Recipes"_s;
    QTest::newRow("book without folders") << QString() << QString();
}

void LaunchTest::diskFolderOpensSelectedDirectory()
{
    QFETCH(QString, pathInBook);
    QFETCH(QString, directory);
    QList<FolderEntry> folders;
    if (!pathInBook.isEmpty()) {
        QVERIFY(QDir().mkpath(m_dir->filePath(directory)));
        pathInBook.replace(u'@', m_dir->path());
        folders = {{u"Aaa"_s, m_dir->path()}, {u"Target"_s, pathInBook}};
    }
    const QString book = m_dir->filePath(u"books/Home.qb"_s);
    QVERIFY(WriteBytes(book, BookBytes(u"Home"_s, folders)));
    FakePlatform platform;
    frmQB window(platform);
    window.Form_Load(book);
    window.lstFLDS()->setCurrentIndex(window.lstFLDS()->findText(u"Target"_s));

    window.launcher().B_mnuF_DISKOPEN_Click();
    QCOMPARE(platform.opened.size(), directory.isEmpty() ? 0 : 1);
    if (!directory.isEmpty()) {
        QVERIFY(platform.opened[0].isLocalFile());
        QCOMPARE(platform.opened[0].toLocalFile(), m_dir->filePath(directory));
    }
    QCOMPARE(platform.unexpected, 0);
}

void LaunchTest::aboutLinkClicks_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("target"); // empty: nothing opens
    QTest::newRow("mail") << 1 << u"> quirebox@example.org"_s
                          << u"mailto:quirebox@example.org?subject=Quirebox%20v3%20About%20Mail"_s;
    QTest::newRow("web") << 2 << u"> https://quirebox.example.org"_s
                         << u"https://quirebox.example.org"_s;
    QTest::newRow("maker line") << 0 << u"Quirebox, a note manager by the Quirebox project"_s
                                << QString();
    QTest::newRow("notice line") << 3 << QString() << QString();
}

void LaunchTest::aboutLinkClicks()
{
    QFETCH(int, index);
    QFETCH(QString, shown);
    QFETCH(QString, target);
    FakePlatform platform;
    mgABOUT box(platform, nullptr);
    QVERIFY(ShowActive(box));
    QVERIFY(shown.isEmpty() || box.lblINFO(index)->text() == shown);
    QTest::mouseClick(box.lblINFO(index), Qt::RightButton); // not a click
    QTest::mouseClick(box.lblINFO(index), Qt::LeftButton);
    QCOMPARE(platform.opened.size(), target.isEmpty() ? 0 : 1);
    if (!target.isEmpty())
        QCOMPARE(platform.opened[0].toString(QUrl::FullyEncoded), target);
    QVERIFY(box.isVisible());
}

void LaunchTest::aboutHighlightFollowsPointer()
{
    FakePlatform platform;
    mgABOUT box(platform, nullptr);
    QVERIFY(ShowActive(box));
    QVERIFY(!Underlined(box, 1) && !Underlined(box, 2));
    QCOMPARE(box.imgMOSSGR()->pixmap().size(), QSize(113, 64));
    QCOMPARE(box.imgIcon()->pixmap().size(), QSize(32, 32));
    QCOMPARE(box.lblINFO(1)->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(box.lblINFO(2)->cursor().shape(), Qt::PointingHandCursor);

    // Left of the lines, below the emblem, only the black box itself is under the pointer.
    const QPoint background(3, box.height() - 3);
    QVERIFY(!box.childAt(background));
    const struct
    {
        int label; // -1: the background
        bool mail, web;
    } steps[] = {{1, true, false},   {2, false, true}, {0, false, false}, {1, true, false},
                 {-1, false, false}, {2, false, true}, {3, false, false}};
    for (const auto &step : steps) {
        if (step.label < 0)
            QTest::mouseMove(&box, background);
        else
            QTest::mouseMove(box.lblINFO(step.label), box.lblINFO(step.label)->rect().center());
        QTRY_COMPARE(Underlined(box, 1), step.mail);
        QCOMPARE(Underlined(box, 2), step.web);
    }
    QCOMPARE(platform.opened.size(), 0);
}

void LaunchTest::aboutShowsModallyAndXClosesIt()
{
    FakePlatform platform;
    frmQB window(platform);
    window.Form_Load({});
    QRect x;
    QImage picture;
    bool closed = false;
    platform.answerDialog([&](QDialog &dialog) {
        auto &box = dynamic_cast<mgABOUT &>(dialog);
        if (!ShowActive(box) || !box.windowFlags().testFlag(Qt::FramelessWindowHint))
            return -1;
        x = box.btnEND()->geometry().translated(-box.width(), 0);
        picture = box.btnEND()->pixmap().toImage();
        QTest::mouseClick(box.btnEND(), Qt::LeftButton);
        closed = !box.isVisible();
        return box.result();
    });
    window.actions().H_mnuABOUT->trigger();
    QVERIFY(platform.allAnswered() && closed);
    QCOMPARE(x, QRect(-54 - 2, 0, 54, 53)); // 30 twips in from the right edge
    // A black X on a green shading, light at the upper right and dark at the lower left.
    QCOMPARE(picture.size(), QSize(54, 53));
    const QColor upperRight = picture.pixelColor(51, 2);
    const QColor lowerLeft = picture.pixelColor(2, 50);
    QVERIFY(picture.pixelColor(27, 26).lightness() < 20);
    QVERIFY(upperRight.green() > upperRight.red() && lowerLeft.green() > lowerLeft.red());
    QVERIFY(upperRight.lightness() > lowerLeft.lightness() + 60);
}

} // namespace qb::test

QTEST_MAIN(qb::test::LaunchTest)
#include "test_launch.moc"
