#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/frmQB.h"
#include "platform/QtPlatform.h"

namespace qb {

std::unique_ptr<QMainWindow> startMainWindow(QtPlatform &platform, const QStringList &arguments)
{
    auto window = std::make_unique<frmQB>(platform);
    platform.setOwner(window.get());
    window->show();
    window->Form_Load(parseCommandLine(arguments).bookPath);
    return window;
}

std::unique_ptr<QMainWindow> makeMainWindow(Platform &platform, const QString &bookPath)
{
    auto window = std::make_unique<frmQB>(platform);
    window->Form_Load(bookPath);
    return window;
}

} // namespace qb
