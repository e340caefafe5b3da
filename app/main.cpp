#include "app/frmQB.h"
#include "platform/Allocator.h"
#include "platform/QtPlatform.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    qb::KeepLargeBlocksForReuse();
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Quirebox"_s);
    QApplication::setDesktopFileName(u"org.quirebox.Quirebox"_s);

    // The command line is one book path: the arguments joined by single blanks, so that an
    // unquoted path with blanks still arrives whole.
    const QString commandLine = QApplication::arguments().mid(1).join(u' ');

    qb::QtPlatform platform;
    qb::frmQB window(platform);
    platform.setOwner(&window);
    window.show();
    window.Form_Load(commandLine);
    return QApplication::exec();
}
