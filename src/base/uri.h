// A file path as the path of a URI.
#pragma once

#include <string>
#include <string_view>

namespace calldir::base {

// `path` with every byte but the unreserved ones (letters, digits, "-", "_",
// ".", "~") and "/" percent-escaped: "a b?c" is "a%20b%3Fc". Nothing in it
// can then be read as a query, a fragment or an escape.
std::string uriPath(std::string_view path);

}  // namespace calldir::base
