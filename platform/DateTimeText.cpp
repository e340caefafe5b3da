#include "platform/DateTimeText.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace qb {

QString shortDateText(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, QLocale::ShortFormat);
}

QString shortTimeText(const QTime &time, const QLocale &locale)
{
    // Some locales' short form carries seconds; the status bar shows hours and minutes.
    QString format = locale.timeFormat(QLocale::ShortFormat);
    static const QRegularExpression seconds(u"[:.]?s+"_s);
    format.remove(seconds);
    return locale.toString(time, format);
}

QString longTimeText(const QTime &time, const QLocale &locale)
{
    // The long form ends in a zone ("t", "tttt"); a time written into a note has none.
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(u"\\s*t+\\s*"_s);
    format.replace(zone, u" "_s);
    return locale.toString(time, format.trimmed());
}

} // namespace qb
