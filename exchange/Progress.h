#pragma once

#include <cstddef>
#include <functional>

namespace exchange {

// Progress of a long operation: called with (0, maximum) when it starts and
// with (position, maximum) as it advances. It answers whether to go on:
// false asks the operation to stop at the end of the unit it is on (a row, a
// product), keep what is whole and report how far it got. An empty function
// is allowed.
using Progress = std::function<bool(std::size_t position, std::size_t maximum)>;

// True when the operation should go on.
inline bool report(const Progress& p, std::size_t position, std::size_t maximum) {
    return !p || p(position, maximum);
}

} // namespace exchange
