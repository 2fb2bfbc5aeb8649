#pragma once

#include <cstdlib>

// A broken invariant is a finding like a sanitizer's.
inline void Require(bool ok) {
    if (!ok)
        std::abort();
}
