// The real Qt dialogs behind QtPlatform, answered as a user would answer them.
#include "ModalDialogs.h"
#include "TestFiles.h"

#include "app/Startup.h"
#include "platform/QtPlatform.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>

#include <memory>

using namespace Qt::StringLiterals;
using qb::Platform;
using qb::test::whenModal;

namespace {

// Picks `path` in the file dialog and presses its default button.
void answerFileDialog(const QString &path)
{
    whenModal([path](QWidget *dialog) {
        qobject_cast<QFileDialog *>(dialog)->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog's own accept() is protected
    });
}

// Every file and directory below `dir`, hidden ones included.
QStringList entriesBelow(const QString &dir)
{
    QStringList entries;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next();
    return entries;
}

} // namespace

class testQtPlatform : public QObject
{
    Q_OBJECT

public:
    // `root` holds "home" and "config", which HOME and XDG_CONFIG_HOME point to.
    explicit testQtPlatform(const QString &root) : m_root(root) {}

private Q_SLOTS:
    void fileDialogsLeaveNoSettings()
    {
        const QString oldBook = m_root + u"/files/Old/old.qb"_s;
        const QString newBook = m_root + u"/files/New/new.qb"_s;
        QVERIFY(qb::test::writeBytes(oldBook, "Mossgrange's Quirebox v3_[A1]\r\n"));
        QVERIFY(QDir().mkpath(QFileInfo(newBook).path()));
        qb::QtPlatform platform;

        Platform::FileDialogRequest open;
        open.title = u"Open Book"_s;
        open.filters = {u"Quirebox (QB) (*.qb)"_s};
        answerFileDialog(oldBook);
        QCOMPARE(platform.fileDialog(open), oldBook);

        Platform::FileDialogRequest save;
        save.mode = Platform::FileDialogRequest::Mode::Save;
        save.title = u"New Book"_s;
        save.filters = open.filters;
        save.initialName = newBook;
        save.defaultSuffix = u"qb"_s;
        // A name typed without its suffix is given it.
        answerFileDialog(newBook.chopped(3));
        QCOMPARE(platform.fileDialog(save), newBook);

        QCOMPARE(entriesBelow(m_root + u"/config"_s).join(u", "_s), QString());
        QVERIFY(!QFileInfo::exists(m_root + u"/home/.config"_s));
    }

    // The system's print dialog: Escape cancels it, Print takes the printer as set up in it.
    // It leaves no settings either.
    void printDialog()
    {
        qb::QtPlatform platform;
        QPrinter printer;
        whenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QVERIFY(!platform.printDialog(printer));
        const QString file = m_root + u"/files/printed.pdf"_s;
        printer.setOutputFileName(file);
        whenModal([](QWidget *dialog) { static_cast<QDialog *>(dialog)->accept(); });
        QVERIFY(platform.printDialog(printer));
        QCOMPARE(printer.outputFileName(), file);
        QCOMPARE(entriesBelow(m_root + u"/config"_s).join(u", "_s), QString());
    }

    // The message box shows its text as it stands, never as markup, and Escape gives the
    // cautious answer: Cancel where there is one, else No.
    void messageBoxTextAndEscape_data()
    {
        QTest::addColumn<Platform::Buttons>("buttons");
        QTest::addColumn<Platform::Button>("cautious");
        QTest::newRow("Yes, No and Cancel")
            << Platform::Buttons::YesNoCancel << Platform::Button::Cancel;
        QTest::newRow("Ok and Cancel") << Platform::Buttons::OkCancel << Platform::Button::Cancel;
        QTest::newRow("Yes and No") << Platform::Buttons::YesNo << Platform::Button::No;
    }
    void messageBoxTextAndEscape()
    {
        QFETCH(Platform::Buttons, buttons);
        QFETCH(Platform::Button, cautious);
        const QString text = u"<b>x</b> & <i>y</i>"_s;
        qb::QtPlatform platform;
        int shownWidth = 0;
        whenModal([&](QWidget *box) {
            const auto *label = box->findChild<QLabel *>(u"qt_msgbox_label"_s);
            shownWidth = label ? label->sizeHint().width() : 0;
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(platform.messageBox(text, buttons, Platform::Icon::Question, u"Quirebox"_s),
                 cautious);
        // Laid out as markup, the label would be as wide as "x & y" only.
        QVERIFY(shownWidth >= QFontMetrics(QApplication::font()).horizontalAdvance(text));
    }

    // The input box shows its prompt as it stands: a name that holds a '&' keeps it, and is
    // no access key. Its field's access key is a letter of the prompt's last line, and Alt with
    // that letter takes the keyboard back to the field.
    void inputBoxPromptAsItStands()
    {
        const QString prompt = u"Directory: /home/me/R&D && co\r\n\r\nPlease insert the name:"_s;
        qb::QtPlatform platform;
        QString shown, label;
        bool fieldTakesTheKey = false;
        whenModal([&](QWidget *box) {
            const auto *text = box->findChild<QLabel *>();
            label = text->text();
            shown = label;
            shown.remove(QRegularExpression(u"&(?!&)"_s)).replace(u"&&"_s, u"&"_s);
            auto *field = box->findChild<QLineEdit *>();
            fieldTakesTheKey = text->buddy() == field && QTest::qWaitForWindowActive(box);
            box->findChild<QAbstractButton *>()->setFocus();
            QTest::keyClick(box, Qt::Key_P, Qt::AltModifier);
            fieldTakesTheKey = fieldTakesTheKey && field->hasFocus();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(platform.inputBox(prompt, u"Input"_s, {}), QString());
        QCOMPARE(shown, prompt);
        QVERIFY2(label.endsWith(u"\n&Please insert the name:"_s), qPrintable(label));
        QVERIFY(fieldTakesTheKey);
    }

    // Every question and window opens over the main window, as its child, whatever made it:
    // the recovery question as the book opens, the folder windows, which are made without a
    // parent, and the message, input and file boxes.
    void dialogsOpenOverTheMainWindow()
    {
        const QString dir = m_root + u"/over/Alpha"_s;
        const QString book = m_root + u"/over/book.qb"_s;
        QVERIFY(qb::test::writeBytes(book, qb::test::bookBytes(u"Over"_s, {{u"Alpha"_s, dir}})));
        QVERIFY(qb::test::writeBytes(dir + u"/note.txt"_s, "saved"));
        // A save cut short, long enough ago to be no save still running.
        const QString leftover = dir + u"/.qbsave-AbC123-note.txt"_s;
        QVERIFY(qb::test::writeBytes(leftover, "newer"));
        {
            QFile file(leftover);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-600),
                                     QFileDevice::FileModificationTime));
        }
        qb::QtPlatform platform;
        QStringList seen;
        QMainWindow *main = nullptr;
        // Notes the modal window's title and whether it stands over the main window, then
        // closes it with Escape.
        const std::function<void(QWidget *)> look = [&](QWidget *dialog) {
            const QWindow *handle = dialog->windowHandle();
            const bool over = main && dialog->parentWidget() == main && handle &&
                              handle->transientParent() == main->windowHandle();
            seen << dialog->windowTitle() + (over ? u": over the window"_s : u": apart"_s);
            QTest::keyClick(dialog, Qt::Key_Escape);
        };
        // The question comes while the window opens the book, before it is handed back.
        QTimer::singleShot(0, qApp, [&] {
            main = qobject_cast<QMainWindow *>(QApplication::activeWindow());
            if (!main) {
                for (QWidget *top : QApplication::topLevelWidgets())
                    main = main ? main : qobject_cast<QMainWindow *>(top);
            }
            whenModal(look);
        });
        const std::unique_ptr<QMainWindow> window =
            qb::startMainWindow(platform, {u"quirebox"_s, book});
        QCOMPARE(main, window.get());
        QCOMPARE(seen, QStringList(u"Quirebox: over the window"_s));

        const QStringList windows = {u"B_mnuF_NEW"_s, u"B_mnuF_DEL"_s};
        for (const QString &name : windows) {
            whenModal(look);
            window->findChild<QAction *>(name)->trigger();
            QTRY_COMPARE(seen.size(), 1 + windows.indexOf(name) + 1);
        }
        whenModal(look);
        platform.messageBox(u"A message"_s, Platform::Buttons::Ok, Platform::Icon::None,
                            u"Message"_s);
        whenModal(look);
        platform.inputBox(u"A name:"_s, u"Input"_s, {});
        Platform::FileDialogRequest request;
        request.title = u"File"_s;
        whenModal(look);
        platform.fileDialog(request);
        QDialog parentless;
        parentless.setWindowTitle(u"Form"_s);
        whenModal(look);
        platform.execDialog(parentless);
        QCOMPARE(seen,
                 QStringList({u"Quirebox: over the window"_s, u"Add Folder: over the window"_s,
                              u"Quirebox - Delete Folder: over the window"_s,
                              u"Message: over the window"_s, u"Input: over the window"_s,
                              u"File: over the window"_s, u"Form: over the window"_s}));
    }

private:
    QString m_root;
};

int main(int argc, char *argv[])
{
    // Qt looks up the configuration directory once, when it first reads a setting, so HOME and
    // XDG_CONFIG_HOME point into empty directories before the application starts.
    const QTemporaryDir root;
    if (!root.isValid() || !QDir(root.path()).mkpath(u"home"_s) ||
        !QDir(root.path()).mkpath(u"config"_s))
        return 1;
    qputenv("HOME", QFile::encodeName(root.filePath(u"home"_s)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(u"config"_s)));

    QApplication app(argc, argv);
    testQtPlatform test(root.path());
    return QTest::qExec(&test, argc, argv);
}

#include "test_qtplatform.moc"
