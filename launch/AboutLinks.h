#pragma once

#include <QStringView>
#include <QUrl>
#include <QUrlQuery>

// The project's own addresses: shown in the about box and opened from it.
namespace qb::about {

inline constexpr QStringView MakerLine = u"Quirebox, by the Quirebox project";
inline constexpr QStringView NoticeLine = u"Your notes stay plain text files.";
inline constexpr QStringView MailAddress = u"quirebox@example.org";
inline constexpr QStringView WebHost = u"quirebox.example.org";
inline constexpr QStringView MailSubject = u"Quirebox v3 About Mail";

// A new message to the project, its subject filled in; QUrlQuery encodes the blanks.
inline QUrl MailLinkTarget()
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(MailAddress.toString());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), MailSubject.toString());
    url.setQuery(query);
    return url;
}

inline QUrl WebLinkTarget()
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(WebHost.toString());
    return url;
}

} // namespace qb::about
