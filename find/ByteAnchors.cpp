#include "find/ByteAnchors.h"

#include <algorithm>

namespace qb {

int proseCommonness(char16_t c, Qt::CaseSensitivity cs)
{
    static constexpr char byFrequency[] = "etaoinsrhldcumfpgwybvkxjqz";
    if (c == u' ')
        return 100;
    if (isAsciiLetter(c)) {
        const char lower = char(c | 0x20);
        const int common =
            60 - 2 * int(std::find(byFrequency, byFrequency + 26, lower) - byFrequency);
        return cs == Qt::CaseSensitive && c < u'a' ? common / 5 : common;
    }
    if (c == u'.' || c == u',')
        return 12;
    return c >= u'0' && c <= u'9' ? 8 : 4;
}

} // namespace qb
