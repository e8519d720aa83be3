// The status lines that the extension writes under its status keys, one
// type per kind of line with its format and its parser side by side: the
// handler formats them, `calldir status --explain` reads them back. A parser
// takes what the format writes; for a value that itself holds "] [" (a
// control key that another program set so) it gives one reading of several.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/call_directory.h"

namespace calldir::handler {

// Under "CallDirectoryisIncremental", every request: "YES [flag] [restore
// status] [time]" for an incremental request, "NO [flag] [time]" otherwise.
struct IncrementalLine {
  bool incremental = false;
  std::string clear_all;
  std::string restore_status;  // incremental lines only
  std::string time;

  std::string format() const;
  static std::optional<IncrementalLine> parse(std::string_view line);
  bool operator==(const IncrementalLine&) const = default;
};

// Under "CallDirectoryRestoreStatus", the steps of a restore or an update.
struct RestoreLine {
  enum class Stage {
    kBegan,    // "Restore 0 [time] [restore status]": a restore or an update began
    kNoData,   // "Restore NO DATA [time]": the resource held no usable list
    kFound,    // "Restore 1 [start]": the resource held list data
    kApplied,  // "Restore 2 [start]~[end] [added / elements] element": the restore handed its entries on
  };
  Stage stage = Stage::kBegan;
  std::string time;            // the time, or the start of the restore for kFound and kApplied
  std::string restore_status;  // kBegan
  std::string end;             // kApplied
  std::int64_t added = 0;      // kApplied
  std::uint64_t elements = 0;  // kApplied
  std::string last_element;    // kApplied: the list's last element, compact JSON

  static RestoreLine began(std::string time, std::string restore_status);
  static RestoreLine noData(std::string time);
  static RestoreLine found(std::string start);
  static RestoreLine applied(std::string start, std::string end, std::int64_t added, std::uint64_t elements,
                             std::string last_element);

  std::string format() const;
  static std::optional<RestoreLine> parse(std::string_view line);
  bool operator==(const RestoreLine&) const = default;
};

// Under "CallDirectoryDelLog" and "CallDirectoryAddLog", one line per element
// of a delta list, written before the element is applied: "[index / count]
// element", the index counted from 0.
struct ElementLine {
  std::uint64_t index = 0;
  std::uint64_t count = 0;
  std::string element;  // compact JSON

  std::string format() const;
  static std::optional<ElementLine> parse(std::string_view line);
  bool operator==(const ElementLine&) const = default;
};

// The lines that say no delta list waited.
inline constexpr std::string_view kNoDeleteLine = "NO DELETE";
inline constexpr std::string_view kNoAddLine = "NO ADD";

// Under "CallDirectoryZeroLog" and "CallDirectoryZeroStatus", always as a
// pair: the update from the delta lists began, or the restore status was
// changed by another process while the request ran.
inline constexpr std::string_view kUpdateBeganLog = "111";
inline constexpr std::string_view kUpdateBeganStatus = "COMPLETE";
inline constexpr std::string_view kStatusChangedLog = "444";
inline constexpr std::string_view kStatusChangedStatus = "START";

// Under "CallDirectoryZeroSyncDate", once a restore from zero added more
// than kZeroSyncThreshold entries.
inline constexpr std::string_view kZeroSyncDate = "20240107180000";
inline constexpr std::int64_t kZeroSyncThreshold = 100;

// Under "CallDirectoryErrorError", when the platform failed a request:
// "error Error Domain=<domain> Code=<n> "<reason>"".
struct ErrorLine {
  platform::CallDirectoryError error;

  std::string format() const;
  static std::optional<ErrorLine> parse(std::string_view line);
  bool operator==(const ErrorLine&) const = default;
};

}  // namespace calldir::handler
