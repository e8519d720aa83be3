// A command of calldir as a row of the command table: its path ("list fix"),
// its summary, what the dispatcher opens for it, and the function that
// declares its options into an options struct of its own and gives back how
// to run it. Each command keeps a run function that takes its options, the
// device when it needs one, and the streams: the seam its tests call.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/result.h"
#include "cli/common/device_access.h"
#include "cli/common/io.h"

namespace calldir::cli {

// What the dispatcher opens, through DeviceAccess, before a command runs.
// Whatever cannot be opened is reported there and the command does not run.
enum Opens : unsigned {
  kOpensNothing = 0,
  kOpensDevice = 1,                   // the device root: its paths, container and list files
  kOpensSettings = kOpensDevice | 2,  // and the shared settings (created when missing)
  kOpensStore = kOpensDevice | 4,     // and the call directory store (created when missing)
  // With any of the above: the command only reads, so the stores are opened
  // to read only (nothing is created), and a root it may not write will do.
  kReadsOnly = 8,
};

// What the dispatcher hands a command as it runs it.
struct Invocation {
  Io& io;
  const base::Result<std::string>& root;  // the device root's path, as --root or the environment name it
  DeviceAccess* device;                   // opened as the row asks; null for kOpensNothing
};

using Runner = std::function<int(const Invocation&)>;

struct Command {
  std::string_view path;  // the command's words: "init", "list fix"
  std::string_view summary;
  unsigned opens = kOpensNothing;
  // Declares the command's options on `command` and gives its runner.
  Runner (*declare)(CLI::App& command) = nullptr;
};

// A group of commands ("list"): given alone, it prints the commands it holds.
struct CommandGroup {
  std::string_view name;
  std::string_view summary;
};

namespace detail {
template <typename>
struct OptionsOf;
template <typename Options>
struct OptionsOf<void (*)(CLI::App&, Options&)> {
  using type = Options;
};
}  // namespace detail

// The row's `declare` for a command whose options are declared by
// `declareOptions(CLI::App&, Options&)` and which runs as one of
//   int run(const Options&, Io&)                       opens nothing
//   int run(const Options&, DeviceAccess&, Io&)        opens the device
//   int run(const Options&, const std::string& root, Io&)  makes the device
// CLI11 binds the options struct's fields directly, checks included, so the
// run function gets them checked and converted, parsed once.
template <auto declareOptions, auto run>
Runner bound(CLI::App& command) {
  using Options = typename detail::OptionsOf<decltype(declareOptions)>::type;
  auto options = std::make_shared<Options>();
  declareOptions(command, *options);
  return [options](const Invocation& call) -> int {
    using Run = decltype(run);
    if constexpr (std::is_invocable_r_v<int, Run, const Options&, Io&>) {
      return run(*options, call.io);
    } else if constexpr (std::is_invocable_r_v<int, Run, const Options&, DeviceAccess&, Io&>) {
      if (call.device == nullptr)
        return exitWith(call.io, "a command that needs a device opened none", kExitFailure);
      return run(*options, *call.device, call.io);
    } else {
      if (!call.root.ok()) return fail(call.io, "", call.root.status());
      return run(*options, *call.root, call.io);
    }
  };
}

// For commands without options.
struct NoOptions {};
inline void declareNoOptions(CLI::App&, NoOptions&) {}

}  // namespace calldir::cli
