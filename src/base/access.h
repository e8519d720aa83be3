// How a store is opened: to read only, or to write (creating it or not).
#pragma once

namespace calldir::base {

enum class Access {
  kReadOnly,   // reads only: nothing is changed, and no write access is needed
  kReadWrite,  // the store must exist
  kCreate,     // created when missing
};

}  // namespace calldir::base
