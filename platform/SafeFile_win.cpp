#include "platform/SafeFile.h"
#include "platform/SafeFile_p.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace qb {

using safefile::folderText;
using safefile::notRegularText;

struct FileReader::Handle
{
    QFile file;
};

FileReader::FileReader(const QString &path) : m_handle(std::make_unique<Handle>())
{
    const QFileInfo info(path);
    if (info.isDir()) {
        m_error = folderText();
    } else if (info.exists() && !info.isFile()) {
        m_error = notRegularText();
    } else {
        m_handle->file.setFileName(path);
        if (m_handle->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            m_size = m_handle->file.size();
            m_modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1'000'000;
            return;
        }
        m_error = m_handle->file.errorString();
    }
    m_handle.reset();
}

FileReader::~FileReader() = default;

qint64 FileReader::readOnce(char *buffer, qint64 length)
{
    const qint64 got = m_handle->file.read(buffer, length);
    if (got < 0)
        m_error = m_handle->file.errorString();
    return got;
}

FileProbe probeFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {FileProbe::Kind::Missing, 0, u"The file does not exist."_s};
    if (info.isDir())
        return {FileProbe::Kind::NotRegular, 0, folderText()};
    if (!info.isFile())
        return {FileProbe::Kind::NotRegular, 0, notRegularText()};
    return {FileProbe::Kind::Regular,
            info.size(),
            {},
            info.lastModified().toMSecsSinceEpoch() * 1'000'000};
}

struct SafeFileWriter::Impl
{
    Impl(const QString &path, WriteMode writeMode) : mode(writeMode), old(path), file(path)
    {
        // The name is taken by an exclusive create first, so that a file another program makes
        // there meanwhile is refused rather than replaced.
        if (mode == WriteMode::CreateNew) {
            QFile placeholder(path);
            if (!placeholder.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                error = QFileInfo::exists(path) ? alreadyExistsText() : placeholder.errorString();
                return;
            }
            placeholderMade = true;
        }
        if (!file.open(QIODevice::WriteOnly))
            fail(file.errorString());
    }
    ~Impl()
    {
        if (!committed && placeholderMade)
            QFile::remove(old.filePath());
    }
    void fail(const QString &reason)
    {
        error = reason;
        file.cancelWriting();
    }

    WriteMode mode;
    QFileInfo old;
    QSaveFile file;
    FileError error;
    bool placeholderMade = false;
    bool committed = false;
};

bool SafeFileWriter::write(QByteArrayView bytes)
{
    if (!d->error && d->file.write(bytes.data(), bytes.size()) != bytes.size())
        d->fail(d->file.errorString());
    return !d->error;
}

WriteResult SafeFileWriter::commit()
{
    if (d->error)
        return {d->error, false};
    if (!d->file.flush()) {
        d->fail(d->file.errorString());
        return {d->error, false};
    }
    if (d->old.exists() && d->mode == WriteMode::Replace)
        d->file.setPermissions(d->old.permissions());
    if (!d->file.commit()) {
        d->error = d->file.errorString();
        return {d->error, false};
    }
    d->committed = true;
    return {std::nullopt, false};
}

} // namespace qb

// The members that need this platform's Impl whole.
#include "platform/SafeFileWriter_p.h"
