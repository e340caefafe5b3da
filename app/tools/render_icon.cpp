// Renders the program's SVG icon as the PNG sizes of the hicolor icon theme, at build time:
//   qb_render_icon ICON.svg OUTPUT-DIR NAME SIZE...
// writes OUTPUT-DIR/SIZExSIZE/apps/NAME.png for each size. Qt's SVG image plugin draws each size
// from the drawing itself, so small sizes stay sharp.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 5) {
        std::fputs("usage: qb_render_icon ICON.svg OUTPUT-DIR NAME SIZE...\n", stderr);
        return 2;
    }
    const QString &svgPath = arguments.at(1);
    const QDir outputDir(arguments.at(2));
    const QString &name = arguments.at(3);
    for (const QString &sizeText : arguments.mid(4)) {
        bool isNumber = false;
        const int size = sizeText.toInt(&isNumber);
        if (!isNumber || size <= 0) {
            std::fprintf(stderr, "qb_render_icon: not a size: %s\n", qPrintable(sizeText));
            return 2;
        }
        QImageReader reader(svgPath, "svg");
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr, "qb_render_icon: %s: %s\n", qPrintable(svgPath),
                         qPrintable(reader.errorString()));
            return 1;
        }
        const QString subdir = u"%1x%1/apps"_s.arg(size);
        const QString pngPath = outputDir.filePath(subdir + u'/' + name + u".png"_s);
        if (!outputDir.mkpath(subdir) || !image.save(pngPath, "png")) {
            std::fprintf(stderr, "qb_render_icon: cannot write %s\n", qPrintable(pngPath));
            return 1;
        }
    }
    return 0;
}
