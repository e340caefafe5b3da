#include "platform/SafeFile.h"
#include "platform/SafeFile_p.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace qb {

QString safefile::notRegularText()
{
    return u"It isn't an ordinary file: it is a pipe, a device or a socket."_s;
}

QString safefile::folderText()
{
    return u"It is a folder, not a file."_s;
}

namespace {

QString shrankText()
{
    return u"The file became shorter while it was read: another program is changing it."_s;
}

QString grewText()
{
    return u"The file grew while it was read: another program is changing it."_s;
}

} // namespace

QString alreadyExistsText()
{
    return u"A file of this name already exists."_s;
}

bool isSaveTempName(QByteArrayView fileName)
{
    const QByteArrayView prefix(kSaveTempPrefix);
    return fileName.size() > prefix.size() + 7 && fileName.startsWith(prefix) &&
           fileName[prefix.size() + 6] == '-';
}

bool FileReader::isOpen() const
{
    return m_handle && m_error.isEmpty();
}

qint64 FileReader::read(char *buffer, qint64 length)
{
    if (!isOpen())
        return -1;
    qint64 filled = 0;
    while (filled < length) {
        const qint64 got = readOnce(buffer + filled, length - filled);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        filled += got;
    }
    return filled;
}

bool FileReader::atExpectedEnd(qint64 position)
{
    if (!isOpen())
        return false;
    if (position != m_size) {
        m_error = position < m_size ? shrankText() : grewText();
        m_changed = true;
        return false;
    }
    char probe;
    const qint64 got = readOnce(&probe, 1);
    if (got < 0)
        return false;
    if (got > 0) {
        m_error = grewText();
        m_changed = true;
        return false;
    }
    return true;
}

ReadResult readWholeFile(const QString &path, qint64 largest)
{
    FileReader reader(path);
    if (!reader.isOpen())
        return {{}, reader.error(), false};
    if (reader.size() > largest)
        return {{}, {}, true, reader.size()};
    QByteArray bytes(reader.size(), Qt::Uninitialized);
    const qint64 got = reader.read(bytes.data(), bytes.size());
    if (got < 0 || !reader.atExpectedEnd(got))
        return {{}, reader.error(), false};
    return {std::move(bytes), {}, false};
}

WriteResult writeWholeFile(const QString &path, QByteArrayView bytes, WriteMode mode)
{
    SafeFileWriter writer(path, mode);
    writer.write(bytes);
    return writer.commit();
}

} // namespace qb
