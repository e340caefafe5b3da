#include "app/CommandLine.h"
#include "app/Startup.h"
#include "platform/QtPlatform.h"

#include <QApplication>
#include <QMainWindow>

#include <memory>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = qb::answerWithoutWindow(argc, argv))
        return *status;
    auto opening = std::make_unique<qb::DisplayOpening>();
    QApplication app(argc, argv);
    opening.reset();
    QApplication::setApplicationName(u"Quirebox"_s);
    QApplication::setDesktopFileName(u"org.quirebox.Quirebox"_s);

    qb::QtPlatform platform;
    const std::unique_ptr<QMainWindow> window =
        qb::startMainWindow(platform, QApplication::arguments());
    return QApplication::exec();
}
