#include "FakePlatform.h"
#include "TestFiles.h"

#include "app/frmQB.h"
#include "book/BookCommands.h"
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
    QString inputBox(const QString &prompt, const QString &title,
                     const QString &defaultText) override
    {
        return fake.inputBox(prompt, title, defaultText);
    }
    Button messageBox(const QString &text, Buttons buttons, Icon icon,
                      const QString &title) override
    {
        return fake.messageBox(text, buttons, icon, title);
    }
    QString fileDialog(const FileDialogRequest &request) override
    {
        return fake.fileDialog(request);
    }
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

QString ToolName()
{
#ifdef Q_OS_WIN
    return u"Glyphwright.exe"_s;
#else
    return u"Glyphwright"_s;
#endif
}

// Puts the stand-in tool into `programDir` as Glyphwright, runnable or not.
bool PlaceTool(const QString &programDir, bool runnable = true)
{
    const QString source = qEnvironmentVariable("QB_TEST_DATA") + u"/launch/fake-glyphwright.sh"_s;
    const QString target = QDir(programDir).filePath(ToolName());
    if (!WriteBytes(target, ReadBytes(source)))
        return false;
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (runnable)
        permissions |= QFile::ExeOwner;
    return QFile::setPermissions(target, permissions);
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
    void toolThatCannotStartIsReported_data();
    void toolThatCannotStartIsReported();
    void saveQuestionOnlyForChangedNote_data();
    void saveQuestionOnlyForChangedNote();
    void missingToolStaysOffForTheRun_data();
    void missingToolStaysOffForTheRun();
    void diskFolderOpensSelectedDirectory_data();
    void diskFolderOpensSelectedDirectory();
    void diskFolderWithoutFolderOpensNothing();
    void aboutLinkClicks_data();
    void aboutLinkClicks();
    void aboutHighlightFollowsPointer();
    void aboutShowsModallyAndXClosesIt();
    void aboutPictures();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startDir;
};

void LaunchTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_startDir = QDir::currentPath();
}

void LaunchTest::cleanup()
{
    QDir::setCurrent(m_startDir);
    qunsetenv("QB_GLYPHWRIGHT_LOG");
    m_dir.reset();
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
    QVERIFY(QDir().mkpath(programDir) && QDir().mkpath(workDir));
    QVERIFY(PlaceTool(programDir));
    // A shell would run "touch x" in the directory the tool starts in.
    QVERIFY(QDir::setCurrent(workDir));
    qputenv("QB_GLYPHWRIGHT_LOG", QFile::encodeName(log));

    RealStartPlatform platform;
    platform.fake.programDirectory = programDir;
    frmQB window(platform);
    window.Form_Load({});
    const QString notePath = m_dir->filePath(u"folder/"_s + noteName);
    QVERIFY(window.launcher().StartGlyphwright(notePath));

    QTRY_VERIFY(QFile::exists(log));
    QCOMPARE(QString::fromUtf8(ReadBytes(log)), notePath + u'\n');
    QCOMPARE(QDir(workDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QCOMPARE(platform.fake.prompts.size(), 0);
}

void LaunchTest::toolThatCannotStartIsReported_data()
{
    QTest::addColumn<bool>("placed");
    QTest::newRow("missing") << false;
    QTest::newRow("not a program") << true;
}

void LaunchTest::toolThatCannotStartIsReported()
{
    QFETCH(bool, placed);
    if (placed)
        QVERIFY(PlaceTool(m_dir->path(), false));
    RealStartPlatform platform;
    platform.fake.programDirectory = m_dir->path();
    platform.fake.answerMessage(Platform::Button::Ok);
    frmQB window(platform);
    window.Form_Load({});

    QVERIFY(!window.launcher().StartGlyphwright(m_dir->filePath(u"note.txt"_s)));
    const QList<FakePlatform::Prompt> messages = platform.fake.messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].title, u"Glyphwright"_s);
    QVERIFY(messages[0].text.contains(QDir(m_dir->path()).filePath(ToolName())));
    QCOMPARE(messages[0].buttons, Platform::Buttons::Ok);
    QCOMPARE(platform.fake.unexpected, 0);
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
    QTest::newRow("changed in other case") << u"changed"_s << false << Platform::Button::Ok;
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
    QCOMPARE(platform.messages().size(), asked ? 1 : 0);
    if (asked) {
        const FakePlatform::Prompt question = platform.messages().constFirst();
        QCOMPARE(question.text, u"Save the file before executing Glyphwright?"_s);
        QCOMPARE(question.title, u"Glyphwright"_s);
        QCOMPARE(question.buttons, Platform::Buttons::OkCancel);
        QCOMPARE(question.icon, Platform::Icon::Information);
    }
    if (answer == Platform::Button::Cancel) {
        QCOMPARE(platform.started.size(), 0);
        QCOMPARE(window.notes().NoteStatus(), u"Changed"_s);
    }
    QVERIFY(platform.allAnswered());
    QCOMPARE(platform.unexpected, 0);
}

void LaunchTest::missingToolStaysOffForTheRun_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("tool present") << true;
    QTest::newRow("tool missing") << false;
}

void LaunchTest::missingToolStaysOffForTheRun()
{
    QFETCH(bool, present);
    const QString programDir = m_dir->filePath(u"program"_s);
    QVERIFY(QDir().mkpath(programDir));
    if (present)
        QVERIFY(PlaceTool(programDir));
    const QString book = m_dir->filePath(u"Home.qb"_s);
    const QString folder = m_dir->filePath(u"Diary"_s);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(WriteBytes(book, BookBytes(u"Home"_s, {{u"Diary"_s, folder}})));

    FakePlatform platform;
    platform.programDirectory = programDir;
    frmQB window(platform);
    window.Form_Load({});
    const frmQBActions &a = window.actions();
    QCOMPARE(a.tBAR[15]->isEnabled(), present);
    QVERIFY(!a.T_mnuGLWR->isEnabled());

    // Opening a book switches the book commands on; a missing tool stays off all the same.
    QVERIFY(window.books().OpenBookFile(book));
    window.EnableCommands(true);
    QVERIFY(a.T_mnuFIND->isEnabled());
    QCOMPARE(a.T_mnuGLWR->isEnabled(), present);
    QCOMPARE(a.tBAR[15]->isEnabled(), present);
    window.EnableCommands(false);
    window.EnableCommands(true);
    QCOMPARE(a.T_mnuGLWR->isEnabled(), present);

    // Putting the tool there later does not bring it back during this run.
    QVERIFY(PlaceTool(programDir));
    window.EnableCommands(true);
    QCOMPARE(a.T_mnuGLWR->isEnabled(), present);
    QCOMPARE(platform.unexpected, 0);
}

void LaunchTest::diskFolderOpensSelectedDirectory_data()
{
    QTest::addColumn<QString>("pathInBook");  // as written in the book file
    QTest::addColumn<QString>("directory");   // relative to the temporary directory
    QTest::newRow("plain") << u"@/Diary"_s << u"Diary"_s;
    QTest::newRow("blanks, hash and percent") << u"@/My #1 100% notes"_s
                                              << u"My #1 100% notes"_s;
    QTest::newRow("relative to the book") << u"sub dir/Recipes"_s << u"books/sub dir/Recipes"_s;
}

void LaunchTest::diskFolderOpensSelectedDirectory()
{
    QFETCH(QString, pathInBook);
    QFETCH(QString, directory);
    const QString expected = m_dir->filePath(directory);
    QVERIFY(QDir().mkpath(expected));
    QString written = pathInBook;
    written.replace(u"@"_s, m_dir->path());
    const QString book = m_dir->filePath(u"books/Home.qb"_s);
    QVERIFY(WriteBytes(book, BookBytes(u"Home"_s, {{u"Aaa"_s, m_dir->path()},
                                                   {u"Target"_s, written}})));
    FakePlatform platform;
    frmQB window(platform);
    window.Form_Load(book);
    window.lstFLDS()->setCurrentIndex(window.lstFLDS()->findText(u"Target"_s));

    window.actions().B_mnuF_DISKOPEN->trigger();
    QCOMPARE(platform.opened.size(), 1);
    QVERIFY(platform.opened[0].isLocalFile());
    QCOMPARE(platform.opened[0].toLocalFile(), expected);
    QCOMPARE(platform.started.size(), 0);
    QCOMPARE(platform.unexpected, 0);
}

void LaunchTest::diskFolderWithoutFolderOpensNothing()
{
    const QString book = m_dir->filePath(u"Empty.qb"_s);
    QVERIFY(WriteBytes(book, BookBytes(u"Empty"_s, {})));
    FakePlatform platform;
    frmQB window(platform);
    window.Form_Load(book);
    window.launcher().B_mnuF_DISKOPEN_Click();
    QCOMPARE(platform.opened.size(), 0);
    QCOMPARE(platform.unexpected, 0);
}


namespace {

bool Underlined(const mgABOUT &box, int index)
{
    return box.lblINFO(index)->font().underline();
}

// The about box shown and active, as the Help menu leaves it.
void ShowActive(mgABOUT &box)
{
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
}

} // namespace

void LaunchTest::aboutLinkClicks_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("target"); // empty: nothing opens
    QTest::addColumn<QString>("shown");
    QTest::newRow("mail") << 1
                          << u"mailto:quirebox@example.org?subject=Quirebox%20v3%20About%20Mail"_s
                          << u"> quirebox@example.org"_s;
    QTest::newRow("web") << 2 << u"https://quirebox.example.org"_s
                         << u"> https://quirebox.example.org"_s;
    QTest::newRow("maker line") << 0 << QString()
                                << u"Quirebox, a note manager by the Quirebox project"_s;
    QTest::newRow("notice line") << 3 << QString() << QString();
}

void LaunchTest::aboutLinkClicks()
{
    QFETCH(int, index);
    QFETCH(QString, target);
    QFETCH(QString, shown);
    FakePlatform platform;
    mgABOUT box(platform, nullptr);
    ShowActive(box);
    if (!shown.isEmpty())
        QCOMPARE(box.lblINFO(index)->text(), shown);
    QTest::mouseClick(box.lblINFO(index), Qt::LeftButton);
    if (target.isEmpty()) {
        QCOMPARE(platform.opened.size(), 0);
    } else {
        QCOMPARE(platform.opened.size(), 1);
        QCOMPARE(platform.opened[0].toString(QUrl::FullyEncoded), target);
    }
    // Only a right click, or one let go elsewhere, is no click.
    QTest::mouseClick(box.lblINFO(index), Qt::RightButton);
    QCOMPARE(platform.opened.size(), target.isEmpty() ? 0 : 1);
    QVERIFY(box.isVisible());
    QCOMPARE(platform.prompts.size(), 0);
}

void LaunchTest::aboutHighlightFollowsPointer()
{
    FakePlatform platform;
    mgABOUT box(platform, nullptr);
    ShowActive(box);
    QVERIFY(!Underlined(box, 1) && !Underlined(box, 2));
    QCOMPARE(box.lblINFO(1)->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(box.lblINFO(2)->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(box.lblINFO(0)->cursor().shape(), Qt::ArrowCursor);

    struct Step
    {
        QWidget *target; // nullptr: the black background
        bool mail, web;
    };
    const Step steps[] = {
        {box.lblINFO(1), true, false}, {box.lblINFO(2), false, true},
        {box.lblINFO(0), false, false}, {box.lblINFO(1), true, false},
        {nullptr, false, false},       {box.lblINFO(2), false, true},
        {box.lblINFO(3), false, false},
    };
    // Left of the lines and below the emblem nothing but the box itself is under the pointer.
    const QPoint background(3, box.height() - 3);
    QVERIFY(box.childAt(background) == nullptr);
    for (const Step &step : steps) {
        if (step.target)
            QTest::mouseMove(step.target, step.target->rect().center());
        else
            QTest::mouseMove(&box, background);
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
    bool closed = false;
    platform.answerDialog([&](QDialog &dialog) {
        auto *box = dynamic_cast<mgABOUT *>(&dialog);
        if (!box)
            return int(QDialog::Accepted);
        ShowActive(*box);
        // Borderless: the X sits 30 twips (2 pixels) in from the right edge, at the top.
        const QRect x = box->btnEND()->geometry();
        if (box->windowFlags().testFlag(Qt::FramelessWindowHint) && box->size() == QSize(286, 165)
            && x == QRect(286 - 54 - 2, 0, 54, 53)) {
            QTest::mouseClick(box->btnEND(), Qt::LeftButton);
            closed = !box->isVisible();
        }
        return box->result();
    });
    window.actions().H_mnuABOUT->trigger();
    QVERIFY(platform.allAnswered());
    QCOMPARE(platform.prompts.size(), 1);
    QCOMPARE(platform.prompts[0].kind, FakePlatform::Prompt::Kind::Dialog);
    QVERIFY(closed);
    QCOMPARE(platform.opened.size(), 0);
}

void LaunchTest::aboutPictures()
{
    FakePlatform platform;
    mgABOUT box(platform, nullptr);
    const QImage logo = box.imgMOSSGR()->pixmap().toImage();
    QCOMPARE(logo.size(), QSize(113, 64));
    QCOMPARE(box.imgMOSSGR()->size(), QSize(113, 64));
    QCOMPARE(box.imgIcon()->pixmap().size(), QSize(32, 32));

    // A black X on a green shading that is light at the upper right and dark at the lower left.
    const QImage x = box.btnEND()->pixmap().toImage();
    QCOMPARE(x.size(), QSize(54, 53));
    const QColor centre = x.pixelColor(27, 26);
    const QColor upperRight = x.pixelColor(51, 2);
    const QColor lowerLeft = x.pixelColor(2, 50);
    QVERIFY(centre.lightness() < 20);
    QVERIFY(upperRight.green() > upperRight.red() && upperRight.green() > upperRight.blue());
    QVERIFY(lowerLeft.green() > lowerLeft.red() && lowerLeft.green() > lowerLeft.blue());
    QVERIFY(upperRight.lightness() > lowerLeft.lightness() + 60);
}

} // namespace qb::test

QTEST_MAIN(qb::test::LaunchTest)
#include "tst_launch.moc"
