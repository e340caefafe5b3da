#include "app/SvgPicture.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

namespace qb {
namespace {

// Qt's own SVG icon engine parses a file once when the icon is made, only to check it, and again
// for every size drawn; for the window's dozen small pictures that was most of its start. This
// engine parses a picture when a size is first wanted, draws it then, and keeps the result.
class SvgPictureEngine final : public QIconEngine
{
public:
    explicit SvgPictureEngine(QString path) : m_path(std::move(path)) {}

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State /*state*/) override
    {
        QPixmap &pixmap = m_drawn[{size.width(), size.height(), int(mode)}];
        if (pixmap.isNull() && !size.isEmpty())
            pixmap = draw(size, mode);
        return pixmap;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
               QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, drawn);
    }

    QIconEngine *clone() const override { return new SvgPictureEngine(*this); }
    QString key() const override { return QStringLiteral("SvgPictureEngine"); }

private:
    QPixmap draw(const QSize &size, QIcon::Mode mode) const
    {
        QImageReader reader(m_path);
        reader.setScaledSize(size);
        QPixmap normal = QPixmap::fromImage(reader.read());
        if (mode == QIcon::Normal || normal.isNull())
            return normal;
        // Disabled, active and selected looks come from the style, as for any other icon.
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, normal, &option);
    }

    struct Key
    {
        int width, height, mode;
        friend bool operator==(const Key &, const Key &) = default;
        friend size_t qHash(const Key &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.width, key.height, key.mode);
        }
    };

    QString m_path;
    QHash<Key, QPixmap> m_drawn;
};

} // namespace

QIcon SvgPictureIcon(const QString &path)
{
    return QIcon(new SvgPictureEngine(path));
}

} // namespace qb
