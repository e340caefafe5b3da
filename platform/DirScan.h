#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace qb {

// One entry of a folder, while scanDirectory visits it.
class DirEntry
{
public:
    // The name as the file system holds it: the system's bytes (UTF-8 on Windows).
    QByteArrayView name() const { return m_name; }
    // Hidden from a plain listing: a dot-file, or (Windows) one with the hidden attribute.
    bool isHidden() const { return m_hidden; }
    // A regular file, or a link to one. Asks the system only when the listing did not say.
    bool isRegularFile() const;
    // Appends the name as text to `out`; false, with nothing appended, when it is not valid in
    // the file name encoding, and so could be shown only garbled and would open nothing.
    bool appendDecodedName(QString &out) const;

private:
    friend class DirScanner;
    QByteArrayView m_name;
    bool m_hidden = false;
    const void *m_system = nullptr; // the platform's own entry and folder
};

// Visits every entry of `dirPath` other than "." and "..", in the order the system gives them.
// Returns why the folder could not be read (fully); empty when it could.
QString scanDirectory(const QString &dirPath, const std::function<void(const DirEntry &)> &visit);
// The same, stopping (with no error) at the first entry for which `visit` returns false.
QString scanDirectoryWhile(const QString &dirPath,
                           const std::function<bool(const DirEntry &)> &visit);

} // namespace qb
