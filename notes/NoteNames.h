#pragma once

#include <QString>

#include <optional>

namespace qb {

// The name a note is shown by: the file name less its last four characters (".txt").
QStringView noteNameView(QStringView fileName);
QString noteNameOf(const QString &fileName);

// `name` with ".txt" appended unless its last four characters already are ".txt" in any case.
QString EnsureTxtExtension(const QString &name);

// The path of `fileName` inside the folder `dirPath`.
QString noteFilePath(const QString &dirPath, const QString &fileName);

// Checks a final note file name (".txt" already appended) made from a name the user typed:
// nullopt when it can name a note file in a folder, else the reason, written for the user.
std::optional<QString> checkNoteFileName(const QString &fileName);

} // namespace qb
