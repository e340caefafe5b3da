// SafeFileWriter's members that need its Impl whole, the same on every platform. Each platform's
// file includes this once, after it has defined the Impl of its own.
// No #pragma once: it defines, and is meant for one translation unit.

namespace qb {

SafeFileWriter::SafeFileWriter(const QString &path, WriteMode mode)
    : d(std::make_unique<Impl>(path, mode))
{
}

SafeFileWriter::~SafeFileWriter() = default;

const FileError &SafeFileWriter::error() const
{
    return d->error;
}

} // namespace qb
