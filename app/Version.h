#pragma once

#include <QString>

namespace qb {

inline constexpr int VersionMajor = 3;
inline constexpr int VersionMinor = 1;
inline constexpr int VersionRevision = 25;

// "v3.01", as the caption shows it.
QString CaptionVersion();
// "v3.01.0025", as status panel 5 shows it.
QString StatusVersion();
// "Quirebox v3.01", or "<book> - Quirebox v3.01" with a book open.
QString CaptionText(const QString &bookName);

} // namespace qb
