#include "platform/SizeText.h"

#include <QLocale>

#include <cmath>

using namespace Qt::StringLiterals;

namespace qb {

QString sizeText(qint64 bytes)
{
    const QLocale locale;
    if (bytes < 1024)
        return locale.toString(bytes) + u" bytes"_s;
    static constexpr const char16_t *units[] = {u"KiB", u"MiB", u"GiB", u"TiB"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    // One decimal where it tells something: "1.5 MiB", but "200 MiB".
    const double rounded = std::round(value * 10) / 10;
    const int decimals = rounded >= 100 || rounded == std::floor(rounded) ? 0 : 1;
    return locale.toString(rounded, 'f', decimals) + u' ' + QString::fromUtf16(units[unit]);
}

QString tooLargeToOpenText(qint64 size)
{
    return u"The file holds %1, more than Quirebox can open."_s.arg(sizeText(size));
}

} // namespace qb
