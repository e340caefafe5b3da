#pragma once

#include <QStringView>
#include <QUrl>
#include <QUrlQuery>

// The project's own addresses: shown in the about box and opened from it.
namespace qb::about {

inline constexpr QStringView kMakerLine = u"Quirebox, by the Quirebox project";
inline constexpr QStringView kNoticeLine = u"Your notes stay plain text files.";
inline constexpr QStringView kMailAddress = u"quirebox@example.org";
inline constexpr QStringView kWebHost = u"quirebox.example.org";
inline constexpr QStringView kMailSubject = u"Quirebox v3 About Mail";

// A new message to the project, its subject filled in; QUrlQuery encodes the blanks.
inline QUrl mailLinkTarget()
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(kMailAddress.toString());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), kMailSubject.toString());
    url.setQuery(query);
    return url;
}

inline QUrl webLinkTarget()
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(kWebHost.toString());
    return url;
}

} // namespace qb::about
