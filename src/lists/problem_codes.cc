#include "lists/problem_codes.h"

namespace calldir::lists {

std::string problemTable() {
  std::string table = "| code | what it means | what to do |\n| --- | --- | --- |\n";
  for (const ProblemKind& kind : kProblemKinds) {
    table += std::string("| `") + kind.name + "` | " + kind.means + " | " + kind.to_do + " |\n";
  }
  return table;
}

}  // namespace calldir::lists
