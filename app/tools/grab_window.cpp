// Saves a picture of a window on the X display, for the screenshots the project publishes:
//   qb_grab_window WINDOW-ID OUTPUT.png
// Exits with 3 while the window shows a single colour, as it does before its first paint, so that
// a caller can try again.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

namespace {

bool isOneColour(const QImage &image)
{
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != first)
                return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    bool isNumber = false;
    const WId window = arguments.value(1).toULongLong(&isNumber, 0);
    if (arguments.size() != 3 || !isNumber) {
        std::fputs("usage: qb_grab_window WINDOW-ID OUTPUT.png\n", stderr);
        return 2;
    }
    const QImage image = QGuiApplication::primaryScreen()->grabWindow(window).toImage();
    if (image.isNull()) {
        std::fprintf(stderr, "qb_grab_window: no window %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    if (isOneColour(image))
        return 3;
    if (!image.save(arguments.at(2), "png")) {
        std::fprintf(stderr, "qb_grab_window: cannot write %s\n", qPrintable(arguments.at(2)));
        return 1;
    }
    return 0;
}
