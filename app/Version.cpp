#include "app/Version.h"

using namespace Qt::StringLiterals;

namespace qb {

QString CaptionVersion()
{
    return u"v%1.%2"_s.arg(VersionMajor).arg(VersionMinor, 2, 10, QChar(u'0'));
}

QString StatusVersion()
{
    return CaptionVersion() + u".%1"_s.arg(VersionRevision, 4, 10, QChar(u'0'));
}

QString CaptionText(const QString &bookName)
{
    const QString program = u"Quirebox "_s + CaptionVersion();
    // A window title takes "[*]" for its modified mark; "[*][*]" shows it as it is.
    QString name = bookName;
    name.replace(u"[*]"_s, u"[*][*]"_s);
    return bookName.isEmpty() ? program : name + u" - "_s + program;
}

} // namespace qb
