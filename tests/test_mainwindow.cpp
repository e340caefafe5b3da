// The main window as a user meets it: start-up, opening books, command switching, the toolbar
// and closing.
#include "FakePlatform.h"
#include "TestFiles.h"

#include "app/frmQB.h"
#include "book/BookCommands.h"
#include "editor/NoteEditor.h"
#include "notes/NoteCommands.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using qb::test::FakePlatform;

namespace {

const char *const kBookCommands[] = {
    "B_mnuREN", "B_mnuF_DEL", "B_mnuF_DISKOPEN", "B_mnuF_NEW", "B_mnuF_REN", "F_mnuADD",
    "F_mnuDEL", "F_mnuREN", "F_mnuSAVE", "F_mnuREFRESH", "E_mnuDATE", "E_mnuTIME",
    "E_mnuPASTE", "E_mnuCOPY", "E_mnuCOPYALL", "E_mnuCUT", "E_mnuALL", "T_mnuGLWR",
    "T_mnuFIND", "T_mnuFIND_NEXT", "T_mnuENCODE"};

QStringList ComboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i) + u'=' + combo->itemData(i).toString();
    return items;
}

QStringList EnabledCommands(const qb::frmQB &window)
{
    QStringList enabled;
    for (const char *name : kBookCommands) {
        if (window.findChild<QAction *>(QLatin1String(name))->isEnabled())
            enabled << QLatin1String(name);
    }
    return enabled;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void startsWithoutABook();
    void startsOnTheBookOfTheCommandLine();
    void refusesABadBookAtStartUp_data();
    void refusesABadBookAtStartUp();
    void refusedBookKeepsTheOpenBook();
    void tellsOnceAboutFoldersPastThirty();
    void everyControlHasItsName();
    void toolbarPictures();
    void commandSwitching();
    void toolbarDispatch();
    void closeQuestion_data();
    void closeQuestion();
    void captionShowsTheBookName();
    void editsSurviveEncode();
    void picksFollowTheFileNotTheName();
    void anEncodedFirstNoteAsksOnce();
    void newBookAsksBeforeReplacingUnderTheAddedExtension();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString bookWith(const QList<qb::FolderEntry> &folders, const QString &name = u"Demo"_s);
    // A book of one folder holding "Note.txt" ("hello" CR LF); returns the note's path.
    QString bookWithNote(QString *bookPath);
};

void TestMainWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestMainWindow::bookWith(const QList<qb::FolderEntry> &folders, const QString &name)
{
    const QString path = m_dir->filePath(u"demo.qb"_s);
    qb::test::WriteBytes(path, qb::test::BookBytes(name, folders));
    for (const qb::FolderEntry &f : folders)
        QDir().mkpath(qb::ResolveFolderPath(path, f.Path));
    return path;
}

QString TestMainWindow::bookWithNote(QString *bookPath)
{
    *bookPath = bookWith({{u"A"_s, u"a"_s}});
    const QString note = m_dir->filePath(u"a/Note.txt"_s);
    qb::test::WriteBytes(note, "hello\r\n");
    return note;
}

void TestMainWindow::startsWithoutABook()
{
    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(QString());
    QCOMPARE(window.windowTitle(), u"Quirebox v3.01"_s);
    QCOMPARE(window.statusPanel(5)->text(), u"v3.01.0025"_s);
    QCOMPARE(window.statusPanel(1)->text(), u"Unchanged"_s);
    QVERIFY(EnabledCommands(window).isEmpty());
    QVERIFY(!window.txtTEXT()->isEnabled());
    QCOMPARE(window.lstFLDS()->count(), 0);
    for (QAction *always : {window.actions().B_NEW, window.actions().B_mnuOPEN,
                            window.actions().mnuEND, window.actions().H_mnuABOUT,
                            window.actions().F_mnuADD_NEW, window.actions().tBAR[1],
                            window.actions().tBAR[8]}) {
        QVERIFY2(always->isEnabled(), qPrintable(always->objectName()));
    }
    QVERIFY(!window.book().isOpen());
    QCOMPARE(platform.prompts.size(), 0);
}

void TestMainWindow::startsOnTheBookOfTheCommandLine()
{
    const QString path = bookWith({{u"Zeta"_s, u"z"_s}, {u"alpha"_s, u"a"_s}, {u"Beta"_s, u"b"_s}});
    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(path);
    QCOMPARE(window.windowTitle(), u"Demo - Quirebox v3.01"_s);
    // Sorted by name without regard to case; the item data is the row in the book file.
    QCOMPARE(ComboItems(window.lstFLDS()), (QStringList{u"alpha=2"_s, u"Beta=3"_s, u"Zeta=1"_s}));
    QCOMPARE(window.lstFLDS()->currentIndex(), 0);
    QCOMPARE(window.book().FolderCount, 3);
    QCOMPARE(window.book().BookFilePath, path);
    QCOMPARE(window.book().FolderDir(1), m_dir->filePath(u"z"_s));
    QCOMPARE(platform.unexpected, 0);
}

void TestMainWindow::refusesABadBookAtStartUp_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exists");
    QTest::newRow("a note, not a book") << QByteArray("Dear diary\r\n") << true;
    QTest::newRow("empty file") << QByteArray() << true;
    QTest::newRow("no such file") << QByteArray() << false;
    QTest::newRow("larger than a book can be")
        << "Mossgrange's Quirebox v3_[A1]\r\nName=Huge\r\n" + QByteArray(2 << 20, ' ') << true;
}

void TestMainWindow::refusesABadBookAtStartUp()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exists);
    const QString path = m_dir->filePath(u"not a book.qb"_s);
    if (exists)
        qb::test::WriteBytes(path, bytes);
    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(path);

    const auto messages = platform.messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, u"The file \""_s + path + u"\" isn't a valid Quirebox file."_s);
    QCOMPARE(messages[0].title, u"Quirebox"_s);
    QCOMPARE(messages[0].icon, qb::Platform::Icon::Exclamation);
    QCOMPARE(messages[0].buttons, qb::Platform::Buttons::Ok);
    QVERIFY(!window.book().isOpen());
    QCOMPARE(window.windowTitle(), u"Quirebox v3.01"_s);
    QVERIFY(EnabledCommands(window).isEmpty());
    QCOMPARE(qb::test::ReadBytes(path), bytes);
}

void TestMainWindow::refusedBookKeepsTheOpenBook()
{
    const QString path = bookWith({{u"One"_s, u"one"_s}, {u"Two"_s, u"two"_s}});
    const QString refused = m_dir->filePath(u"refused.qb"_s);
    const QByteArray refusedBytes = "just some text\r\n";
    qb::test::WriteBytes(refused, refusedBytes);

    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(path);
    const QStringList items = ComboItems(window.lstFLDS());
    const QStringList enabled = EnabledCommands(window);

    QVERIFY(!window.books().OpenBookFile(refused));
    QCOMPARE(platform.messages().size(), 1);
    QCOMPARE(window.book().BookFilePath, path);
    QCOMPARE(window.book().BookName, u"Demo"_s);
    QCOMPARE(window.windowTitle(), u"Demo - Quirebox v3.01"_s);
    QCOMPARE(ComboItems(window.lstFLDS()), items);
    QCOMPARE(EnabledCommands(window), enabled);

    // A later write of the book goes to the open book, never to the refused file.
    QVERIFY(window.books().SaveBook());
    QCOMPARE(qb::test::ReadBytes(refused), refusedBytes);
    QVERIFY(qb::test::ReadBytes(path).contains("\r\nOne;one;\r\nTwo;two;\r\n"));
}

void TestMainWindow::tellsOnceAboutFoldersPastThirty()
{
    QList<qb::FolderEntry> folders;
    for (int i = 1; i <= 32; ++i)
        folders.append({u"F%1"_s.arg(i, 2, 10, QChar(u'0')), u"f%1"_s.arg(i)});
    const QString path = bookWith(folders);
    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(path);
    QCOMPARE(window.lstFLDS()->count(), 30);
    QCOMPARE(platform.messages().size(), 1);
    QVERIFY(platform.messages()[0].text.contains(u"32 folders"_s));
    QVERIFY(platform.messages()[0].text.contains(u"first 30"_s));

    // Writing the book leaves the others out, and reading it back says nothing more.
    QVERIFY(window.books().SaveBook());
    QVERIFY(window.books().LoadBook());
    QCOMPARE(platform.messages().size(), 1);
    const QByteArray bytes = qb::test::ReadBytes(path);
    QVERIFY(bytes.contains("F30;f30;"));
    QVERIFY(!bytes.contains("F31;"));
}

void TestMainWindow::everyControlHasItsName()
{
    FakePlatform platform;
    qb::frmQB window(platform);
    for (const char *name : {"lstFLDS", "lstFILE", "txtTEXT", "tBAR", "sBAR", "mnuBOOK",
                             "mnuFILE", "mnuEDIT", "mnuTOOLS", "mnuHELP"}) {
        QVERIFY2(window.findChild<QWidget *>(QLatin1String(name)), name);
    }
    for (const char *name : kBookCommands)
        QVERIFY2(window.findChild<QAction *>(QLatin1String(name)), name);
    for (int sep = 1; sep <= 7; ++sep)
        QVERIFY(window.findChild<QAction *>(u"Z_sep%1"_s.arg(sep, 2, 10, QChar(u'0')))
                    ->isSeparator());
    const QList<int> separators = {3, 6, 10, 14, 16};
    for (int i = 1; i <= 16; ++i)
        QCOMPARE(window.actions().tBAR[i]->isSeparator(), separators.contains(i));
    // Two items share one access key, as they always did.
    QCOMPARE(window.actions().E_mnuCOPY->text(), u"C&opy"_s);
    QCOMPARE(window.actions().E_mnuCOPYALL->text(), u"C&opy All"_s);
}

// Every button shows its own picture, drawn at the size asked for (32 pixels is what a screen of
// pixel ratio 2 asks), and a dimmed one when disabled.
void TestMainWindow::toolbarPictures()
{
    FakePlatform platform;
    qb::frmQB window(platform);
    QVERIFY(!window.windowIcon().pixmap(QSize(48, 48)).isNull());
    QList<QImage> seen;
    for (int i = 1; i <= 16; ++i) {
        const QAction *button = window.actions().tBAR[i];
        if (button->isSeparator())
            continue;
        for (const int pixels : {16, 32}) {
            const QImage picture = button->icon().pixmap(QSize(pixels, pixels)).toImage();
            QCOMPARE(picture.size(), QSize(pixels, pixels));
            bool drawn = false;
            for (int y = 0; y < pixels && !drawn; ++y) {
                for (int x = 0; x < pixels && !drawn; ++x)
                    drawn = qAlpha(picture.pixel(x, y)) > 0;
            }
            QVERIFY2(drawn, qPrintable(button->objectName()));
        }
        const QImage normal = button->icon().pixmap(QSize(16, 16)).toImage();
        QVERIFY2(!seen.contains(normal), qPrintable(button->objectName()));
        seen << normal;
        QVERIFY(button->icon().pixmap(QSize(16, 16), QIcon::Disabled).toImage() != normal);
    }
    QCOMPARE(seen.size(), 11);
}

void TestMainWindow::commandSwitching()
{
    FakePlatform platform;
    platform.programDirectory = m_dir->path();
    qb::test::WriteBytes(m_dir->filePath(u"Glyphwright"_s), "#!/bin/sh\n");
    qb::frmQB window(platform);
    window.Form_Load(QString());
    QVERIFY(window.actions().tBAR[15]->isEnabled());

    window.EnableCommands(true);
    QCOMPARE(EnabledCommands(window).size(), 21);
    window.EnableCommands(false);
    QVERIFY(EnabledCommands(window).isEmpty());
    // The toolbar is not switched with the menu.
    for (int i : {1, 2, 4, 5, 7, 8, 9, 11, 12, 13, 15})
        QVERIFY(window.actions().tBAR[i]->isEnabled());
}

void TestMainWindow::toolbarDispatch()
{
    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(QString());
    for (int separator : {0, 3, 6, 10, 14, 16, 17})
        window.tBAR_ButtonClick(separator);
    window.tBAR_ButtonMenuClick(3);
    QCOMPARE(platform.prompts.size(), 0);

    // New Book asks for a name, Open Book shows its file dialog.
    platform.answerInput(QString());
    window.actions().tBAR[1]->trigger();
    platform.answerFile(QString());
    window.actions().tBAR[2]->trigger();
    QCOMPARE(platform.prompts.size(), 2);
    QCOMPARE(platform.prompts[0].title, u"New Quirebox"_s);
    QCOMPARE(platform.prompts[1].title, u"Open Quirebox"_s);
    QCOMPARE(platform.unexpected, 0);
}

void TestMainWindow::closeQuestion_data()
{
    QTest::addColumn<qb::Platform::Button>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Yes saves and closes") << qb::Platform::Button::Yes << true;
    QTest::newRow("No closes") << qb::Platform::Button::No << true;
    QTest::newRow("Cancel keeps the window") << qb::Platform::Button::Cancel << false;
}

void TestMainWindow::closeQuestion()
{
    QFETCH(qb::Platform::Button, answer);
    QFETCH(bool, closes);
    QString book;
    const QString note = bookWithNote(&book);
    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(book);
    window.show();
    QTest::keyClicks(window.txtTEXT(), u"X"_s);
    QCOMPARE(window.statusPanel(1)->text(), u"Changed"_s);

    platform.answerMessage(answer);
    // Exit goes through the same question as the close box.
    window.actions().mnuEND->trigger();
    QCOMPARE(platform.messages().size(), 1);
    const auto question = platform.messages()[0];
    QCOMPARE(question.text, u"The file: \""_s + note
                                + u"\" isn't saved.\r\nSave this file before quitting?"_s);
    QCOMPARE(question.title, u"Save file?"_s);
    QCOMPARE(question.buttons, qb::Platform::Buttons::YesNoCancel);
    QCOMPARE(question.icon, qb::Platform::Icon::Question);
    QCOMPARE(window.isVisible(), !closes);
    const bool saved = answer == qb::Platform::Button::Yes;
    QCOMPARE(qb::test::ReadBytes(note), saved ? QByteArray("Xhello\r\n") : QByteArray("hello\r\n"));
    QCOMPARE(window.statusPanel(1)->text(), saved ? u"Unchanged"_s : u"Changed"_s);
}

void TestMainWindow::captionShowsTheBookName()
{
    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(bookWith({}, u"a - b"_s));
    QCOMPARE(window.windowTitle(), u"a - b - Quirebox v3.01"_s);
    // A book without folders still switches the commands on.
    QCOMPARE(EnabledCommands(window).size(), 20); // no tool beside the test
    // No note is shown, so closing asks nothing.
    QCOMPARE(window.statusPanel(1)->text(), u"Unchanged"_s);
    QCOMPARE(window.statusPanel(2)->text(), u"No File Selected"_s);
}

void TestMainWindow::editsSurviveEncode()
{
    QString book;
    const QString note = bookWithNote(&book);
    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(book);
    QTest::keyClicks(window.txtTEXT(), u"Xy"_s);
    platform.answerInput(u"Key"_s);
    window.actions().T_mnuENCODE->trigger();
    QCOMPARE(window.statusPanel(1)->text(), u"Encoded"_s);

    // The typed text is nowhere on disk: leaving still asks.
    platform.answerMessage(qb::Platform::Button::Cancel);
    QVERIFY(!window.close());
    QCOMPARE(platform.messages().size(), 1);
    QCOMPARE(platform.messages()[0].title, u"Save file?"_s);
    QCOMPARE(qb::test::ReadBytes(note), QByteArray("hello\r\n"));
    QCOMPARE(platform.unexpected, 0);
}

void TestMainWindow::picksFollowTheFileNotTheName()
{
    // Two folders of one name, and two notes of one name in the first.
    const QString book = bookWith({{u"Work"_s, u"w1"_s}, {u"Work"_s, u"w2"_s}});
    qb::test::WriteBytes(m_dir->filePath(u"w1/Ideas.TXT"_s), "upper\n");
    qb::test::WriteBytes(m_dir->filePath(u"w1/Ideas.txt"_s), "lower\n");
    qb::test::WriteBytes(m_dir->filePath(u"w2/Plan.txt"_s), "plan\n");
    FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(book);
    const QString first = window.notes().ShownNotePath();
    QVERIFY(first.endsWith(u"Ideas.TXT"_s) || first.endsWith(u"Ideas.txt"_s));

    window.lstFILE()->setCurrentIndex(1);
    Q_EMIT window.lstFILE()->activated(1);
    QVERIFY(window.notes().ShownNotePath() != first);
    QCOMPARE(window.notes().NotePath(), window.notes().ShownNotePath());

    window.lstFLDS()->setCurrentIndex(1);
    Q_EMIT window.lstFLDS()->activated(1);
    QCOMPARE(window.notes().ShownNotePath(), m_dir->filePath(u"w2/Plan.txt"_s));
    QCOMPARE(window.notes().NotePath(), window.notes().ShownNotePath());
    QCOMPARE(platform.unexpected, 0);
}

void TestMainWindow::anEncodedFirstNoteAsksOnce()
{
    // Row 1 does not sort first, so the first folder shown is not row 1.
    const QString book = bookWith({{u"Zed"_s, u"z"_s}, {u"Alpha"_s, u"a"_s}});
    qb::test::WriteBytes(m_dir->filePath(u"a/Secret.txt"_s),
                         "Mossgrange's Quirebox Encoded v3_[A1]\r\nxyz");
    FakePlatform platform;
    platform.answerInput(QString());
    qb::frmQB window(platform);
    window.Form_Load(book);
    QCOMPARE(platform.prompts.size(), 1);
    QCOMPARE(platform.prompts[0].title, u"Quirebox Decode"_s);
    QCOMPARE(window.statusPanel(1)->text(), u"Encoded"_s);
}

void TestMainWindow::newBookAsksBeforeReplacingUnderTheAddedExtension()
{
    const QString existing = bookWith({{u"Keep"_s, u"k"_s}}, u"Precious"_s);
    const QByteArray before = qb::test::ReadBytes(existing);
    FakePlatform platform;
    qb::frmQB window(platform);
    platform.answerInput(u"Fresh"_s);
    platform.answerFile(m_dir->filePath(u"demo"_s)); // the dialog confirmed "demo", not "demo.qb"
    platform.answerMessage(qb::Platform::Button::No);
    window.books().NewBook();
    QCOMPARE(platform.messages().size(), 1);
    QCOMPARE(platform.messages()[0].text, u"The file \""_s + existing
                                              + u"\" already exists.\r\nReplace it with the new book?"_s);
    QCOMPARE(qb::test::ReadBytes(existing), before);
    QVERIFY(!window.book().isOpen());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
