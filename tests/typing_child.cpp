// The real window in a process of its own, for tests that end it as the system would: it opens
// the book given, types the text given at the end of its first note, says "typed", and goes on
// until a signal ends it.
#include "FakePlatform.h"

#include "app/frmQB.h"
#include "editor/NoteEditor.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    qb::test::FakePlatform platform;
    qb::frmQB window(platform);
    window.Form_Load(QString::fromLocal8Bit(argv[1]));
    auto *editor = window.findChild<qb::NoteEditor *>(QStringLiteral("txtTEXT"));
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QString::fromLocal8Bit(argv[2]));
    std::puts("typed");
    std::fflush(stdout);
    return QApplication::exec();
}
