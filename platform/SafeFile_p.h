#pragma once

#include <QString>

// What the POSIX and the Windows file routines share: each platform has its own file.

namespace qb::safefile {

QString notRegularText();
QString folderText();

} // namespace qb::safefile
