#include "cli/common/status_explain.h"

#include "handler/keys.h"
#include "handler/status_lines.h"

namespace calldir::cli {

namespace {

using handler::ElementLine;
using handler::IncrementalLine;
using handler::RestoreLine;

constexpr const char* kUnusual = "an unusual line";

// "[i / n] {element}": the last element logged of a delta list.
std::string explainElementLine(std::string_view value, std::string_view list, std::string_view verb) {
  const auto line = ElementLine::parse(value);
  if (!line) return kUnusual;
  const std::string count = std::to_string(line->count);
  return "the last update walked " + std::string(list) + ", " + count +
         " element(s); the last logged is element " + std::to_string(line->index + 1) + " of " + count +
         ", which it " + std::string(verb) + " unless it lacks what is needed: " + line->element;
}

std::string explainRestoreLine(std::string_view value) {
  const auto line = RestoreLine::parse(value);
  if (!line) return kUnusual;
  switch (line->stage) {
    case RestoreLine::Stage::kBegan:
      return "a restore or an update began at " + line->time + " and read the restore status \"" +
             line->restore_status + "\"";
    case RestoreLine::Stage::kNoData:
      return "the restore from zero at " + line->time +
             " found no usable list resource (missing, not decodable, or shorter than 16 characters): "
             "nothing was "
             "added and the restore status stays \"START\"";
    case RestoreLine::Stage::kFound:
      return "the restore from zero that began at " + line->time +
             " found list data; when nothing follows, its list did not parse or was empty and the restore "
             "status "
             "stays \"START\"";
    case RestoreLine::Stage::kApplied:
      break;
  }
  return "the restore from zero ran from " + line->time + " to " + line->end + " and handed " +
         std::to_string(line->added) + " / " + std::to_string(line->elements) +
         " (entries added / list elements) to the phone; its last element was " + line->last_element;
}

std::string explainIncrementalLine(std::string_view value) {
  const auto line = IncrementalLine::parse(value);
  if (!line) return kUnusual;
  if (line->incremental) {
    return "the last request, at " + line->time + ", was incremental; it read the clear-all flag \"" +
           line->clear_all + "\" and the restore status \"" + line->restore_status + "\"";
  }
  return "the last request, at " + line->time +
         ", was a complete one, which applies nothing; the clear-all flag \"" + line->clear_all +
         "\" waits for an incremental request";
}

std::string explainZeroLine(std::string_view value) {
  if (value == handler::kUpdateBeganLog || value == handler::kUpdateBeganStatus) {
    return "the last update from the delta lists began";
  }
  if (value == handler::kStatusChangedLog || value == handler::kStatusChangedStatus) {
    return "a request found the restore status changed by another process while it ran, and applied nothing";
  }
  return kUnusual;
}

std::string explainErrorLine(std::string_view value) {
  const auto line = handler::ErrorLine::parse(value);
  if (!line) return kUnusual;
  return "the platform refused or interrupted a request, and told the extension: " +
         line->error.description();
}

}  // namespace

std::string explainStatusLine(std::string_view key, std::string_view value) {
  using namespace handler;
  if (key == kIsIncrementalKey) return explainIncrementalLine(value);
  if (key == kRestoreLogKey) return explainRestoreLine(value);
  if (key == kZeroSyncDateKey)
    return "a restore from zero added more than 100 entries (this fixed date is written then)";
  if (key == kZeroLogKey || key == kZeroStatusKey) return explainZeroLine(value);
  if (key == kDelLogKey) {
    if (value == kNoDeleteLine)
      return "no removal list waited: callersDel.json was missing, empty or held no data";
    return explainElementLine(value, kDeleteListName, "removed");
  }
  if (key == kAddLogKey) {
    if (value == kNoAddLine)
      return "no addition list waited: callersAdd.json was missing, empty or held no data";
    return explainElementLine(value, kAddListName, "added");
  }
  if (key == kErrorKey) return explainErrorLine(value);
  return kUnusual;
}

}  // namespace calldir::cli
