#pragma once

#include <QString>

namespace qb {

// `path` between double quotes, as the messages show file paths.
inline QString quoted(const QString &path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

} // namespace qb
