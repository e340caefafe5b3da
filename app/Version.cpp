#include "app/Version.h"

using namespace Qt::StringLiterals;

namespace qb {

QString captionVersion()
{
    return u"v%1.%2"_s.arg(kVersionMajor).arg(kVersionMinor, 2, 10, QChar(u'0'));
}

QString statusVersion()
{
    return captionVersion() + u".%1"_s.arg(kVersionRevision, 4, 10, QChar(u'0'));
}

QString captionText(const QString &bookName)
{
    const QString program = u"Quirebox "_s + captionVersion();
    // A window title takes "[*]" for its modified mark; "[*][*]" shows it as it is.
    QString name = bookName;
    name.replace(u"[*]"_s, u"[*][*]"_s);
    return bookName.isEmpty() ? program : name + u" - "_s + program;
}

} // namespace qb
