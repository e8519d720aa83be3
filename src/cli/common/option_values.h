// Option values that the command line takes in forms people write, read
// without throwing: a value out of range is refused (exit 2) with a message
// that names the option, never cut to fit.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "lists/list_check.h"
#include "lists/list_fix.h"
#include "telephony/request_driver.h"

namespace calldir::cli {

// A byte count: digits, optionally followed by K, M or G (powers of 1024,
// either case, an optional "iB" or "B" after them): "1048576", "64M", "2GiB".
base::Result<std::uint64_t> parseByteCount(std::string_view text);

// A whole number from `min` to `max`, in decimal digits.
base::Result<std::int64_t> parseWholeNumber(std::string_view text, std::int64_t min, std::int64_t max);

// A failure to inject, "CODE" or "CODE@N": an injectable platform code, and
// the number of context operations after which it strikes.
base::Result<telephony::InjectedFailure> parseInjectedFailure(std::string_view text);

// Checks for CLI11 options: the value read as above, or a refusal.
CLI::Validator wholeNumberIn(std::int64_t min, std::int64_t max);
CLI::Validator positiveSeconds();
// As a transform, it also rewrites the value as the number of bytes, which
// the option's field then takes.
CLI::Validator byteCountOfAtLeast(std::uint64_t min);

// Declares the option `name` of the form CODE[@N], read once, into `failure`.
void addInjectedFailureOption(CLI::App& command, const std::string& name,
                              std::optional<telephony::InjectedFailure>& failure,
                              const std::string& description);

// Declares --region, a two-letter region code libphonenumber knows, into
// `region`.
void declareRegion(CLI::App& command, std::string& region, const std::string& description);

// Declares --digits-as-written into `digits_as_written`: digits alone that
// are a valid international number stay as written even where --region
// reads them as another number.
void declareDigitsAsWritten(CLI::App& command, bool& digits_as_written);

// Declares --on-conflict (fail, first or last) into `rule`.
void declareOnConflict(CLI::App& command, lists::ConflictRule& rule);

// Declares --role (resource, add or del) into `role`.
void declareRole(CLI::App& command, lists::ListRole& role);

}  // namespace calldir::cli
