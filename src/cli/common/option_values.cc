#include "cli/common/option_values.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "lists/phone_numbers.h"

namespace calldir::cli {

base::Result<std::uint64_t> parseByteCount(std::string_view text) {
  const auto refuse = [&] {
    return base::Status::InvalidArgument("\"" + std::string(text) +
                                         "\" is not a byte count (digits, optionally followed by K, M or G)");
  };
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return refuse();
  std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
  unsigned shift = 0;
  if (!unit.empty()) {
    const char u = static_cast<char>(unit[0] | 0x20);  // either case
    shift = u == 'k' ? 10 : u == 'm' ? 20 : u == 'g' ? 30 : 0;
    if (shift == 0) return refuse();
    unit.remove_prefix(1);
    if (unit != "" && unit != "B" && unit != "iB") return refuse();
  }
  if (value > (UINT64_MAX >> shift)) return refuse();
  return value << shift;
}

base::Result<std::int64_t> parseWholeNumber(std::string_view text, std::int64_t min, std::int64_t max) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool whole = error == std::errc() && end == text.data() + text.size() && !text.empty();
  if (!whole || value < min || value > max) {
    return base::Status::InvalidArgument("\"" + std::string(text) + "\" is not a whole number from " +
                                         std::to_string(min) + " to " + std::to_string(max));
  }
  return value;
}

base::Result<telephony::InjectedFailure> parseInjectedFailure(std::string_view text) {
  const std::size_t at = text.find('@');
  const auto code = parseWholeNumber(text.substr(0, at), 0, 999);
  if (!code.ok() || !telephony::isInjectableCode(static_cast<int>(*code))) {
    return base::Status::InvalidArgument(
        "\"" + std::string(text) +
        "\" is not CODE or CODE@N with CODE 2, 7, 11 or 102 (the platform's other "
        "errors come from lists and states that cause them)");
  }
  telephony::InjectedFailure failure{static_cast<int>(*code), std::nullopt};
  if (at != std::string_view::npos) {
    const auto after = parseWholeNumber(text.substr(at + 1), 1, INT64_MAX);
    if (!after.ok()) return base::Status::InvalidArgument("after \"@\": " + after.status().message());
    failure.after_operations = static_cast<std::size_t>(*after);
  }
  return failure;
}

void addInjectedFailureOption(CLI::App& command, const std::string& name,
                              std::optional<telephony::InjectedFailure>& failure,
                              const std::string& description) {
  command
      .add_option_function<std::string>(
          name,
          [name, &failure](const std::string& text) {
            auto parsed = parseInjectedFailure(text);
            if (!parsed.ok()) throw CLI::ValidationError(name, parsed.status().message());
            failure = *parsed;
          },
          description)
      ->type_name("CODE[@N]");
}

CLI::Validator wholeNumberIn(std::int64_t min, std::int64_t max) {
  return CLI::Validator(
      [min, max](std::string& value) {
        const auto number = parseWholeNumber(value, min, max);
        return number.ok() ? std::string() : number.status().message();
      },
      "", "whole number");
}

CLI::Validator positiveSeconds() {
  return CLI::Validator(
      [](std::string& value) {
        // strtod, not from_chars, which libc++ lacks for floating point;
        // calldir never sets a locale, so the decimal point is ".".
        // Decimal digits only: strtod would read "0x10", " 1" and "inf" too.
        const bool decimal =
            !value.empty() && value.find_first_not_of("0123456789.eE+-") == std::string::npos;
        char* end = nullptr;
        errno = 0;
        const double seconds = decimal ? std::strtod(value.c_str(), &end) : 0;
        const bool number = end == value.c_str() + value.size() && errno == 0;
        if (number && seconds > 0 && std::isfinite(seconds)) return std::string();
        return "\"" + value + "\" is not a positive number of seconds";
      },
      "", "seconds");
}

CLI::Validator byteCountOfAtLeast(std::uint64_t min) {
  return CLI::Validator(
      [min](std::string& value) {
        const auto bytes = parseByteCount(value);
        if (!bytes.ok()) return bytes.status().message();
        if (*bytes < min) return "\"" + value + "\" is less than " + std::to_string(min) + " bytes";
        value = std::to_string(*bytes);  // as the option's number takes it
        return std::string();
      },
      "", "bytes");
}

void declareRegion(CLI::App& command, std::string& region, const std::string& description) {
  command.add_option("--region", region, description)
      ->type_name("CC")
      ->check(CLI::Validator(
          [](std::string& value) {
            return lists::isKnownRegion(value) ? std::string() : "unknown region code \"" + value + "\"";
          },
          "", "region"));
}

void declareDigitsAsWritten(CLI::App& command, bool& digits_as_written) {
  command.add_flag("--digits-as-written", digits_as_written,
                   "Digits alone that are a valid international number are E.164 digits, as written, even "
                   "where --region reads them as another number (a list of bare E.164 digits)");
}

void declareOnConflict(CLI::App& command, lists::ConflictRule& rule) {
  command
      .add_option_function<std::string>(
          "--on-conflict",
          [&rule](const std::string& name) {
            rule = name == "first"  ? lists::ConflictRule::kFirst
                   : name == "last" ? lists::ConflictRule::kLast
                                    : lists::ConflictRule::kFail;
          },
          "The same number with different names: fail (report them, write nothing), first or last")
      ->check(CLI::IsMember({"fail", "first", "last"}))
      ->default_str("fail");
}

void declareRole(CLI::App& command, lists::ListRole& role) {
  command
      .add_option_function<std::string>(
          "--role", [&role](const std::string& name) { role = lists::roleNamed(name).value_or(role); },
          "What the list is: resource (a restore adds it), add or del")
      ->check(CLI::IsMember({"resource", "add", "del"}))
      ->default_str(lists::roleName(role));
}

}  // namespace calldir::cli
