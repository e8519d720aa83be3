// What a request would do with a caller list, checked before it ships: the
// verdict of the load (what it adds or removes, or the platform's refusal
// and where), every element a reader skips, every number that cannot be an
// international number or that reads as another one in the producer's
// region. Problems carry the element, counted from 1, and for plain JSON the
// line it starts on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "lists/list_source.h"

namespace calldir::lists {

// Which file a list is meant to be.
enum class ListRole {
  kResource,  // callersAdd_Zero.json: a restore from zero adds it whole
  kAdd,       // callersAdd.json: an update adds it
  kDel,       // callersDel.json: an update removes its numbers; no "name" needed
};

const char* roleName(ListRole role);  // "resource", "add", "del"
bool parseRole(std::string_view name, ListRole& out);

// The kinds of problem, each a fixed code.
inline constexpr const char* kNotObject = "not_object";
inline constexpr const char* kNoNumber = "no_number";
inline constexpr const char* kNoName = "no_name";
inline constexpr const char* kNotPositive = "not_positive";
inline constexpr const char* kOutOfOrder = "out_of_order";
inline constexpr const char* kDuplicate = "duplicate";
inline constexpr const char* kNotInternational = "not_international";
inline constexpr const char* kReadsDifferently = "reads_differently";

struct CheckOptions {
  ListRole role = ListRole::kResource;
  std::string region;                    // empty: none; else a region code such as "KR"
  std::int64_t max_entries = 2'000'000;  // the phone's cap, for a restore from zero
  std::size_t listed_per_kind = 20;      // problems kept in `problems` per code
};

struct Problem {
  std::size_t element = 0;          // counted from 1
  std::optional<std::size_t> line;  // for plain JSON input
  std::string code;
  std::string message;
};

struct CheckReport {
  enum class Outcome { kList, kUndecodable, kNoData, kMalformed };
  Outcome outcome = Outcome::kList;
  codec::DecodeFailure failure = codec::DecodeFailure::kNone;
  bool plain_input = false;
  ListRole role = ListRole::kResource;
  std::size_t elements = 0;
  std::size_t applied = 0;  // entries added, or numbers removed for a del list
  struct Refusal {
    int code = 0;  // the platform's error code
    std::size_t element = 0;
    std::optional<std::size_t> line;
    std::string message;
  };
  std::optional<Refusal> refusal;             // the first the platform would stop at
  std::vector<Problem> problems;              // the first `listed_per_kind` of each code
  std::map<std::string, std::size_t> counts;  // every problem, per code

  std::size_t problemCount() const;
  // True when nothing is skipped, refused or warned about.
  bool clean() const { return outcome == Outcome::kList && problemCount() == 0 && !refusal; }
  // The first line of the check: what the load does.
  std::string verdict() const;
};

// Checks the list in `data` (a list text or plain JSON).
CheckReport checkList(std::string data, const CheckOptions& options);

}  // namespace calldir::lists
