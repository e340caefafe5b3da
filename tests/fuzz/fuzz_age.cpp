// Any bytes read as an age file, armoured or binary: the reading ends in a result with a reason,
// never a crash; armour that reads and a header that parses are written back as the same bytes;
// a file that decrypts decrypts the same from its armour, and its plain bytes encrypt and decrypt
// back to themselves.
#include "FuzzCheck.h"
#include "encoder/AgeArmour.h"
#include "encoder/AgeFile.h"

#include <cstddef>
#include <cstdint>

using qb::fuzz::require;
using qb::fuzz::requireSame;
using namespace Qt::StringLiterals;

namespace {

// The key the seeds were made with: their salt, and the lowest work factor, for speed.
const qb::AgeWrapKey &seedKey()
{
    static const qb::AgeWrapKey key = [] {
        QString passphrase = u"fuzz"_s;
        const QByteArray salt = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
        return qb::deriveAgeKey(qb::SecretBytes::fromPassphrase(passphrase), salt, 1);
    }();
    return key;
}

bool reasonGiven(const qb::AgeOutcome &outcome)
{
    return outcome.ok() == outcome.message.isEmpty();
}

// Armour that reads is the armour of what it reads, but for CR LF line ends and blanks around it.
void checkArmour(QByteArrayView input)
{
    qb::age::ArmourReader reader(input);
    QByteArray binary(reader.size(), Qt::Uninitialized);
    if (!reader.outcome().ok() ||
        !reader.read(reinterpret_cast<unsigned char *>(binary.data()), binary.size()))
        return;
    QByteArray text = input.sliced(input.indexOf(qb::age::kArmourBegin)).toByteArray();
    text.replace("\r\n", "\n");
    requireSame(qb::age::toArmour(binary), text.trimmed() + '\n',
                "armour that reads is not canonical");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(data, qsizetype(size));
    const qb::AgeHeaderParse parse = qb::parseAgeHeader(input);
    require(reasonGiven(parse.outcome), "a header result without a reason, or one with");
    if (parse.outcome.ok()) {
        requireSame(input.first(parse.length), qb::serializeAgeHeader(parse.header),
                    "a parsed header is written back differently");
        requireSame(input.first(parse.macCovers), qb::serializeAgeHeader(parse.header, false),
                    "the MAC covers other bytes than those written");
    }

    checkArmour(input);
    const qb::AgeKeyNeed need = qb::readAgeHeader(input);
    require(reasonGiven(need.outcome), "a key need without a reason, or one with");
    const qb::AgeDecrypted decrypted = qb::decryptAge(input, seedKey());
    require(reasonGiven(decrypted.outcome), "a decryption without a reason, or one with");
    require(decrypted.outcome.ok() || decrypted.plain.isEmpty(), "bytes from a failed file");
    require(!decrypted.outcome.ok() || (need.outcome.ok() && qb::isAgeFile(input)),
            "a file decrypts that its header check refused");
    if (!decrypted.outcome.ok())
        return 0;
    if (input.startsWith("age-encryption.org/")) {
        const qb::AgeDecrypted armoured = qb::decryptAge(qb::armourAge(input), seedKey());
        require(armoured.outcome.ok(), "a binary file's armour does not decrypt");
        requireSame(decrypted.plain, armoured.plain, "a binary file's armour decrypts otherwise");
    }
    QString passphrase = u"fuzz"_s;
    const qb::SecretBytes secret = qb::SecretBytes::fromPassphrase(passphrase);
    const QByteArray again = qb::encryptAge(decrypted.plain, qb::prepareAgeKey(secret, 1));
    const qb::AgeKeyNeed againNeed = qb::readAgeHeader(again);
    const qb::AgeDecrypted back =
        qb::decryptAge(again, qb::deriveAgeKey(secret, againNeed.salt, againNeed.workFactor));
    requireSame(decrypted.plain, back.plain, "plain bytes do not encrypt back to themselves");
    return 0;
}
