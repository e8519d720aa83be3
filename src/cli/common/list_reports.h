// How the list commands write what they found: every problem of a list as
// JSON, and one problem on one line of text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/json_writer.h"
#include "lists/list_check.h"
#include "lists/list_fix.h"

namespace calldir::cli {

// Writes `problems` as the JSON array of every list report.
void writeProblems(base::JsonWriter& json, const std::vector<lists::Problem>& problems);

// "element 3 (line 5): code: message", the message escaped to one line.
std::string problemLine(const lists::Problem& problem);

// How many of `count` problems of `code` are not among `problems`, which
// text output stops listing after some per code.
std::size_t unlisted(const std::vector<lists::Problem>& problems, const std::string& code, std::size_t count);

// The CSV of what a fix did not write: where each element was, why, the
// number as written and what it would have been.
inline constexpr std::string_view kRejectsHeader = "element,line,code,text,reading\r\n";
std::string rejectRow(const lists::Reject& reject);

}  // namespace calldir::cli
