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

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        const Key key{size.width(), size.height(), int(mode)};
        if (const auto found = m_drawn.constFind(key); found != m_drawn.cend())
            return *found;
        QPixmap drawn;
        if (mode == QIcon::Normal) {
            drawn = draw(size);
        } else if (const QPixmap normal = pixmap(size, QIcon::Normal, state); !normal.isNull()) {
            // Disabled, active and selected looks come from the style, as for any other icon.
            QStyleOption option;
            option.palette = QApplication::palette();
            drawn = QApplication::style()->generatedIconPixmap(mode, normal, &option);
        }
        m_drawn.insert(key, drawn);
        return drawn;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        // Drawn at the device's pixels, so that a picture stays sharp on a high-density screen.
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }

    QIconEngine *clone() const override { return new SvgPictureEngine(*this); }
    QString key() const override { return QStringLiteral("SvgPictureEngine"); }

private:
    QPixmap draw(const QSize &size) const
    {
        if (size.isEmpty())
            return {};
        QImageReader reader(m_path);
        reader.setScaledSize(size);
        return QPixmap::fromImage(reader.read());
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

QIcon svgPictureIcon(const QString &path)
{
    return QIcon(new SvgPictureEngine(path));
}

} // namespace qb
