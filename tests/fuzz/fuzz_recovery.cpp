// Any bytes: when they read as a recovery copy, that copy written again gives the very same
// bytes. A header that reads is written back the same too, its checksum aside, so that fuzzing
// reaches every field without having to forge a checksum first.
#include "FuzzCheck.h"
#include "keeping/RecoveryFormat.h"

#include <cstddef>
#include <cstdint>

using qb::fuzz::require;
using qb::fuzz::requireSame;

namespace {

bool sameCopy(const qb::RecoveryCopy &a, const qb::RecoveryCopy &b)
{
    return a.notePath == b.notePath && a.format == b.format && a.bytes == b.bytes &&
           a.noteFile.size == b.noteFile.size && a.noteFile.modified == b.noteFile.modified &&
           a.noteFile.changedMeta == b.noteFile.changedMeta &&
           a.noteFile.digest == b.noteFile.digest && a.taken == b.taken;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qb::RecoveryParse parsed = qb::parseRecoveryFile(input);
    if (parsed.copy)
        requireSame(input, qb::recoveryFileBytes(*parsed.copy), "a copy read and written changed");
    else
        require(!parsed.damage.isEmpty(), "a file refused without a reason");

    const qb::RecoveryHeaderRead read = qb::readRecoveryHeader(input);
    require(!parsed.copy || read.header.has_value(), "a whole copy whose header does not read");
    if (!read.header)
        return 0;
    const qb::RecoveryHeader &header = *read.header;
    require(header.checked < header.size && header.size <= input.size(),
            "the header's parts lie outside it");
    qb::RecoveryCopy copy = header.copy;
    const QByteArrayView body = QByteArrayView(input).sliced(header.size);
    copy.bytes = body.first(std::min<qint64>(body.size(), header.length)).toByteArray();
    const QByteArray written = qb::recoveryFileBytes(copy);
    if (body.size() == header.length) {
        // The checksum's eight digits follow "crc-32: ".
        QByteArray expected = input;
        const qsizetype digits = header.checked + 8;
        expected.replace(digits, 8, written.mid(digits, 8));
        requireSame(expected, written, "a header read and written changed");
    }
    const qb::RecoveryParse again = qb::parseRecoveryFile(written);
    require(again.copy.has_value(), "a written copy does not read");
    require(sameCopy(*again.copy, copy), "a written copy reads as another");
    return 0;
}
