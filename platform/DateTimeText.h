#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace qb {

// The user's regional forms, as the status bar, the book signature and Insert Date/Time show them.
QString shortDateText(const QDate &date, const QLocale &locale = QLocale());
// Hours and minutes, for the status bar.
QString shortTimeText(const QTime &time, const QLocale &locale = QLocale());
// Hours, minutes and seconds in the locale's long form, without the time zone.
QString longTimeText(const QTime &time, const QLocale &locale = QLocale());

} // namespace qb
