#pragma once

namespace qb {

// The windows were drawn in twips; 15 twips make a pixel at 96 dpi, and Qt scales logical
// pixels on high-dpi screens.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

} // namespace qb
