// What every fuzz target shares: a property that must hold, checked in every
// build (not only where assertions are on), and the end of the run when it
// does not.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace calldir::fuzz {

inline void require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

}  // namespace calldir::fuzz
