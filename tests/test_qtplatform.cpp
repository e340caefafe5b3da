// The real Qt dialogs behind QtPlatform, answered as a user would answer them.
#include "TestFiles.h"

#include "platform/QtPlatform.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using qb::Platform;

namespace {

// Picks `path` in the file dialog and presses its default button, as soon as the dialog shows.
void AnswerFileDialog(const QString &path)
{
    QTimer::singleShot(0, qApp, [path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            AnswerFileDialog(path);
            return;
        }
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog's own accept() is protected
    });
}

// Every file and directory below `dir`, hidden ones included.
QStringList EntriesBelow(const QString &dir)
{
    QStringList entries;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next();
    return entries;
}

} // namespace

class TestQtPlatform : public QObject
{
    Q_OBJECT

public:
    // `root` holds "home" and "config", which HOME and XDG_CONFIG_HOME point to.
    explicit TestQtPlatform(const QString &root) : m_root(root) {}

private Q_SLOTS:
    void fileDialogsLeaveNoSettings()
    {
        const QString oldBook = m_root + u"/files/Old/old.qb"_s;
        const QString newBook = m_root + u"/files/New/new.qb"_s;
        QVERIFY(qb::test::WriteBytes(oldBook, "Mossgrange's Quirebox v3_[A1]\r\n"));
        QVERIFY(QDir().mkpath(QFileInfo(newBook).path()));
        qb::QtPlatform platform;

        Platform::FileDialogRequest open;
        open.title = u"Open Book"_s;
        open.filters = {u"Quirebox (QB) (*.qb)"_s};
        AnswerFileDialog(oldBook);
        QCOMPARE(platform.fileDialog(open), oldBook);

        Platform::FileDialogRequest save;
        save.mode = Platform::FileDialogRequest::Mode::Save;
        save.title = u"New Book"_s;
        save.filters = open.filters;
        save.initialName = newBook;
        AnswerFileDialog(newBook);
        QCOMPARE(platform.fileDialog(save), newBook);

        QCOMPARE(EntriesBelow(m_root + u"/config"_s).join(u", "_s), QString());
        QVERIFY(!QFileInfo::exists(m_root + u"/home/.config"_s));
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
    TestQtPlatform test(root.path());
    return QTest::qExec(&test, argc, argv);
}

#include "test_qtplatform.moc"
