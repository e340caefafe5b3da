#pragma once

#include <functional>

namespace qb::bench {

// Widgets a benchmark keeps between runs must go before the application does.
void atBenchEnd(std::function<void()> cleanup);

} // namespace qb::bench
