#pragma once

#include <cstddef>
#include <functional>

namespace exchange {

// Progress of a long operation: called with (0, maximum) when it starts and
// with (position, maximum) as it advances. An empty function is allowed.
using Progress = std::function<void(std::size_t position, std::size_t maximum)>;

inline void report(const Progress& p, std::size_t position, std::size_t maximum) {
    if (p)
        p(position, maximum);
}

} // namespace exchange
