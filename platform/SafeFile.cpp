#include "platform/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qb {

ReadResult ReadWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, file.errorString()};
    ReadResult result{file.readAll(), {}};
    if (file.error() != QFileDevice::NoError)
        return {{}, file.errorString()};
    return result;
}

std::optional<QString> WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo old(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (old.exists())
        file.setPermissions(old.permissions());
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace qb
