#include "cli/status_explain.h"

#include <vector>

#include "handler/keys.h"

namespace calldir::cli {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The texts between "[" and "]" in `line`, in order; `rest` gets what
// follows the last "]".
std::vector<std::string> bracketed(std::string_view line, std::string* rest = nullptr) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while ((at = line.find('[', at)) != std::string_view::npos) {
    const std::size_t close = line.find(']', at);
    if (close == std::string_view::npos) break;
    fields.emplace_back(line.substr(at + 1, close - at - 1));
    at = close + 1;
    if (rest != nullptr) *rest = std::string(line.substr(at));
  }
  return fields;
}

// "[i / n] {element}": the last element logged of a delta list.
std::string explainElementLine(std::string_view value, std::string_view list, std::string_view verb) {
  std::string element;
  const auto fields = bracketed(value, &element);
  if (fields.empty()) return "an unusual line";
  const std::size_t slash = fields[0].find(" / ");
  if (slash == std::string::npos) return "an unusual line";
  const long index = std::atol(fields[0].c_str());
  const std::string count = fields[0].substr(slash + 3);
  return "the last update walked " + std::string(list) + ", " + count +
         " element(s); the last logged is element " + std::to_string(index + 1) + " of " + count +
         ", which it " + std::string(verb) + " unless it lacks what is needed:" + element;
}

std::string explainRestoreLine(std::string_view value) {
  std::string rest;
  const auto f = bracketed(value, &rest);
  if (startsWith(value, "Restore 0 ") && f.size() == 2) {
    return "a restore or an update began at " + f[0] + " and read the restore status \"" + f[1] + "\"";
  }
  if (startsWith(value, "Restore NO DATA ") && f.size() == 1) {
    return "the restore from zero at " + f[0] +
           " found no usable list resource (missing, not decodable, or shorter than 16 characters): nothing "
           "was "
           "added and the restore status stays \"START\"";
  }
  if (startsWith(value, "Restore 1 ") && f.size() == 1) {
    return "the restore from zero that began at " + f[0] +
           " found list data; when nothing follows, its list did not parse or was empty and the restore "
           "status "
           "stays \"START\"";
  }
  if (startsWith(value, "Restore 2 ") && f.size() >= 3) {
    return "the restore from zero ran from " + f[0] + " to " + f[1] + " and handed " + f[2] +
           " (entries added / list elements) to the phone; its last element was" + rest;
  }
  return "an unusual line";
}

}  // namespace

std::string explainStatusLine(std::string_view key, std::string_view value) {
  if (key == handler::kIsIncrementalKey) {
    const auto f = bracketed(value);
    if (startsWith(value, "YES ") && f.size() == 3) {
      return "the last request, at " + f[2] + ", was incremental; it read the clear-all flag \"" + f[0] +
             "\" and the restore status \"" + f[1] + "\"";
    }
    if (startsWith(value, "NO ") && f.size() == 2) {
      return "the last request, at " + f[1] +
             ", was a complete one, which applies nothing; the clear-all flag \"" + f[0] +
             "\" waits for an incremental request";
    }
  } else if (key == handler::kRestoreLogKey) {
    return explainRestoreLine(value);
  } else if (key == handler::kZeroSyncDateKey) {
    return "a restore from zero added more than 100 entries (this fixed date is written then)";
  } else if (key == handler::kZeroLogKey || key == handler::kZeroStatusKey) {
    if (value == "111" || value == "COMPLETE") return "the last update from the delta lists began";
    if (value == "444" || value == "START") {
      return "a request found the restore status changed by another process while it ran, and applied "
             "nothing";
    }
  } else if (key == handler::kDelLogKey) {
    if (value == "NO DELETE")
      return "no removal list waited: callersDel.json was missing, empty or held no data";
    return explainElementLine(value, "callersDel.json", "removed");
  } else if (key == handler::kAddLogKey) {
    if (value == "NO ADD")
      return "no addition list waited: callersAdd.json was missing, empty or held no data";
    return explainElementLine(value, "callersAdd.json", "added");
  } else if (key == handler::kErrorKey) {
    return "the platform refused or interrupted a request, and told the extension:" +
           std::string(value.substr(startsWith(value, "error") ? 5 : 0));
  }
  return "an unusual line";
}

}  // namespace calldir::cli
