#include "keeping/VersionCodec.h"

#include "platform/SizeText.h"

#include <zstd.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// Fast enough that a 50 MiB note is kept in well under a second, and a plain text note still
// shrinks to a fraction of its size.
constexpr int kCompressionLevel = 3;

struct FreeCompressor
{
    void operator()(ZSTD_CCtx *context) const { ZSTD_freeCCtx(context); }
};
struct FreeDecompressor
{
    void operator()(ZSTD_DCtx *context) const { ZSTD_freeDCtx(context); }
};

QString codecText(size_t code)
{
    return QString::fromLatin1(ZSTD_getErrorName(code));
}

QString damagedText(const QString &why)
{
    return u"The kept version is damaged: %1"_s.arg(why);
}

// One frame, written to a SafeFileWriter as it is made. The frame carries the note's size and a
// checksum of its bytes, so that a damaged version is found when it is read back.
class Compressor
{
public:
    Compressor(SafeFileWriter &writer, qint64 size)
        : m_writer(writer), m_context(ZSTD_createCCtx()), m_out(qsizetype(ZSTD_CStreamOutSize()), 0)
    {
        if (!m_context) {
            m_error = u"There is not enough memory to compress the version."_s;
            return;
        }
        ZSTD_CCtx_setParameter(m_context.get(), ZSTD_c_compressionLevel, kCompressionLevel);
        ZSTD_CCtx_setParameter(m_context.get(), ZSTD_c_checksumFlag, 1);
        ZSTD_CCtx_setPledgedSrcSize(m_context.get(), quint64(size));
    }

    // Takes the next piece of the note; `last` ends the frame.
    bool add(QByteArrayView piece, bool last)
    {
        ZSTD_inBuffer in{piece.data(), size_t(piece.size()), 0};
        const ZSTD_EndDirective mode = last ? ZSTD_e_end : ZSTD_e_continue;
        for (bool done = false; !done && !m_error;) {
            ZSTD_outBuffer out{m_out.data(), size_t(m_out.size()), 0};
            const size_t left = ZSTD_compressStream2(m_context.get(), &out, &in, mode);
            if (ZSTD_isError(left)) {
                m_error = u"The version could not be compressed: %1"_s.arg(codecText(left));
                break;
            }
            if (out.pos > 0 && !m_writer.write(QByteArrayView(m_out.constData(), out.pos)))
                m_error = m_writer.error();
            done = last ? left == 0 : in.pos == in.size;
        }
        return !m_error;
    }

    const FileError &error() const { return m_error; }

private:
    SafeFileWriter &m_writer;
    std::unique_ptr<ZSTD_CCtx, FreeCompressor> m_context;
    QByteArray m_out;
    FileError m_error;
};

} // namespace

FileError compressInto(SafeFileWriter &writer, FileReader &reader)
{
    if (!reader.isOpen())
        return reader.error();
    if (writer.error())
        return writer.error();
    Compressor compressor(writer, reader.size());
    QByteArray piece(std::min<qint64>(kVersionPieceBytes, reader.size()), Qt::Uninitialized);
    qint64 position = 0;
    // Only as much as the file held when it was opened is read; the end check then finds a file
    // that grew or shrank meanwhile.
    while (!compressor.error() && position < reader.size()) {
        const qint64 got =
            reader.read(piece.data(), std::min<qint64>(piece.size(), reader.size() - position));
        if (got <= 0)
            break;
        position += got;
        compressor.add(QByteArrayView(piece.constData(), got), false);
    }
    if (compressor.error())
        return compressor.error();
    if (!reader.atExpectedEnd(position))
        return reader.error();
    compressor.add({}, true);
    return compressor.error();
}

FileError compressInto(SafeFileWriter &writer, QByteArrayView bytes)
{
    if (writer.error())
        return writer.error();
    Compressor compressor(writer, bytes.size());
    for (qsizetype at = 0; at < bytes.size() && !compressor.error(); at += kVersionPieceBytes)
        compressor.add(bytes.sliced(at, std::min(kVersionPieceBytes, bytes.size() - at)), false);
    compressor.add({}, true);
    return compressor.error();
}

VersionBytes decompressVersion(const QString &path, qint64 expectedSize, qint64 largest)
{
    if (expectedSize > largest)
        return {{}, tooLargeToOpenText(expectedSize)};
    FileReader reader(path);
    if (!reader.isOpen())
        return {{}, reader.error()};
    std::unique_ptr<ZSTD_DCtx, FreeDecompressor> context(ZSTD_createDCtx());
    if (!context)
        return {{}, u"There is not enough memory to read the version."_s};

    QByteArray piece(qsizetype(ZSTD_DStreamInSize()), Qt::Uninitialized);
    qint64 got = reader.read(piece.data(), piece.size());
    if (got < 0)
        return {{}, reader.error()};
    // The frame's own claim is checked before any memory is taken for it.
    const unsigned long long claimed = ZSTD_getFrameContentSize(piece.constData(), size_t(got));
    if (claimed == ZSTD_CONTENTSIZE_ERROR || claimed == ZSTD_CONTENTSIZE_UNKNOWN)
        return {{}, damagedText(u"it does not start as a compressed version does."_s)};
    if (claimed != quint64(expectedSize)) {
        return {{},
                damagedText(u"it holds %1 bytes, where its name says %2."_s.arg(claimed).arg(
                    expectedSize))};
    }

    QByteArray bytes(expectedSize, Qt::Uninitialized);
    ZSTD_outBuffer out{bytes.data(), size_t(bytes.size()), 0};
    qint64 position = got;
    size_t left = 1; // nonzero until the frame is whole
    while (got > 0) {
        ZSTD_inBuffer in{piece.constData(), size_t(got), 0};
        while (in.pos < in.size) {
            if (left == 0) // bytes after the end of the frame
                return {{}, damagedText(u"it goes on past its end."_s)};
            const size_t inBefore = in.pos, outBefore = out.pos;
            left = ZSTD_decompressStream(context.get(), &out, &in);
            if (ZSTD_isError(left))
                return {{}, damagedText(codecText(left))};
            // No progress: the output is full and the frame wants more room.
            if (in.pos == inBefore && out.pos == outBefore)
                return {{}, damagedText(u"it holds more than its name says."_s)};
        }
        got = reader.read(piece.data(), piece.size());
        if (got < 0)
            return {{}, reader.error()};
        position += got;
    }
    if (!reader.atExpectedEnd(position))
        return {{}, reader.error()};
    if (left != 0 || out.pos != out.size)
        return {{}, damagedText(u"it ends too early."_s)};
    return {std::move(bytes), {}};
}

} // namespace qb
