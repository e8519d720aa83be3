// A list check told the way CI systems show problems on the line: GitHub's
// workflow commands (an annotation per problem) and a SARIF 2.1.0 log (code
// scanning, and most other CI systems), with a rule per problem code.
#pragma once

#include <ostream>
#include <string>

#include "lists/list_check.h"

namespace calldir::cli {

// One workflow command per problem, "::warning file=F,line=L,title=CODE::
// message", and "::error" for what keeps the list from loading (a refusal,
// a list text that does not decode or parse). Every problem of `report` is
// written: keep them all (listed_per_kind unlimited).
void writeGithubAnnotations(const lists::CheckReport& report, const std::string& file, std::ostream& out);

// A SARIF 2.1.0 log of one run: calldir as the tool, a rule per problem
// code (and "not_a_list" for a list that does not decode or parse), a
// result per problem with its level, message, file and line.
void writeSarif(const lists::CheckReport& report, const std::string& file, std::ostream& out);

}  // namespace calldir::cli
