#include "editor/PaletteColours.h"

#include <QEvent>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace qb {

namespace {

double luminance(const QColor &colour)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

// As the screen shows it: 8 bits a channel, opaque.
QColor shown(const QColor &colour)
{
    return QColor::fromRgb(colour.rgb());
}

// The contrast a mark needs against what it is drawn on to be seen as one.
constexpr double kMarkContrast = 1.3;

// Lives as the widget's child, and tells of the widget's palette changes.
class PaletteFollower final : public QObject
{
public:
    PaletteFollower(QWidget &widget, std::function<void()> recolour)
        : QObject(&widget), m_recolour(std::move(recolour))
    {
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Sent once the widget holds its new palette.
        if (event->type() == QEvent::PaletteChange)
            m_recolour();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_recolour;
};

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return std::max(la, lb) / std::min(la, lb);
}

QColor blended(const QColor &from, const QColor &to, double amount)
{
    const auto mix = [amount](float a, float b) { return float(a + (b - a) * amount); };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()), mix(from.alphaF(), to.alphaF()));
}

QColor readableColour(const QColor &wanted, const QColor &background, double minimumContrast)
{
    const QColor ground = shown(background);
    QColor opaque = blended(ground, wanted, wanted.alphaF());
    opaque.setAlpha(255);
    opaque = shown(opaque);
    if (contrastRatio(opaque, ground) >= minimumContrast)
        return opaque;
    float hue = 0, saturation = 0, lightness = 0;
    opaque.getHslF(&hue, &saturation, &lightness);
    hue = std::max(hue, 0.0f); // none for a grey
    const auto at = [&](float l) { return shown(QColor::fromHslF(hue, saturation, l)); };
    const auto reaches = [&](float l) { return contrastRatio(at(l), ground) >= minimumContrast; };
    // Toward `end`, the lightness nearest the one wanted that reaches the contrast; `end` when
    // none does. Contrast only grows on the way, once past the background's own luminance.
    const auto nearestToward = [&](float end) {
        if (!reaches(end))
            return end;
        float near = lightness, far = end;
        for (int i = 0; i < 24; ++i) {
            const float middle = (near + far) / 2;
            (reaches(middle) ? far : near) = middle;
        }
        return far;
    };
    const float lighter = nearestToward(1), darker = nearestToward(0);
    const bool lighterReaches = reaches(lighter), darkerReaches = reaches(darker);
    if (lighterReaches && darkerReaches)
        return at(lighter - lightness <= lightness - darker ? lighter : darker);
    if (lighterReaches != darkerReaches)
        return at(lighterReaches ? lighter : darker);
    return contrastRatio(at(1), ground) >= contrastRatio(at(0), ground) ? at(1) : at(0);
}

QColor fadedTextColour(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    return readableColour(blended(palette.color(QPalette::Text), base, 0.4), base);
}

QColor removedLineColour(const QPalette &palette)
{
    return readableColour(QColor(0xB0, 0x20, 0x20), palette.color(QPalette::Base));
}

QColor addedLineColour(const QPalette &palette)
{
    return readableColour(QColor(0x10, 0x80, 0x20), palette.color(QPalette::Base));
}

QColor markColour(const QPalette &palette, const QColor &background)
{
    return readableColour(
        blended(palette.color(QPalette::Highlight), palette.color(QPalette::Base), 0.65),
        background, kMarkContrast);
}

QColor textColourOn(const QPalette &palette, const QColor &background)
{
    return readableColour(palette.color(QPalette::Text), background);
}

void followPalette(QWidget &widget, std::function<void()> recolour)
{
    new PaletteFollower(widget, std::move(recolour));
}

} // namespace qb
