// The emulated telephony service's request driver: it starts one extension
// process per request, receives the context operations it performs, checks
// them the way the platform does, and commits them to the call directory
// store in one transaction when the extension completes the request.
// Otherwise nothing changes, and the request fails with the platform's code.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "base/result.h"
#include "device/device_root.h"
#include "platform/call_directory.h"
#include "telephony/call_directory_store.h"
#include "telephony/request_result.h"

namespace calldir::telephony {

// A failure of a request made on purpose, to see what the extension and the
// containing application make of one that comes rarely or only in the field:
// the service fails the request with `code` after `after_operations` context
// operations, or when the extension completes it. Each leaves exactly what a
// failure of its kind leaves: 2 (loadingInterrupted) kills the extension, as
// the phone does under memory pressure; 7 (currentlyLoading) refuses the
// request before it starts, or after N operations as a refusal; 11 and 102
// (undocumented) answer the extension with the error.
struct InjectedFailure {
  int code = 0;
  std::optional<std::size_t> after_operations;
};

// The codes that can be injected: 2, 7, 11 and 102. The others come from
// lists and states that cause them for real.
bool isInjectableCode(int code);

struct RequestOptions {
  // Forces the kind; otherwise incremental once the store holds a completed
  // load of the extension, complete before.
  std::optional<bool> incremental;
  std::ostream* trace = nullptr;  // receives every operation, one a line
  // Told how many operations have arrived, now and then.
  std::function<void(std::size_t operations)> progress;
  std::int64_t max_entries = platform::kDefaultMaximumEntries;
  double time_limit_seconds = 60;
  std::optional<std::uint64_t> memory_limit_bytes;
  std::string extension_binary;  // path of calldir-extension
  std::optional<InjectedFailure> fail;
};

// Checks the options: a time limit that is a positive number of seconds, a
// cap that is not negative, a memory limit of at least 1 MiB, a failure to
// inject of an injectable code. runRequest checks them for every caller.
base::Status checkRequestOptions(const RequestOptions& options);

// Runs one request on the device, whose call directory store `store` is;
// tells how it went, including a request the platform refused (code 1 to
// 8). An error means the service itself could not do its part: the options
// are unusable, the call directory store cannot be read or written, the
// extension binary is missing. Then nothing has changed.
base::Result<RequestResult> runRequest(const device::DeviceRoot& device, CallDirectoryStore& store,
                                       const RequestOptions& options);

// True while a request is loading on the device.
bool isLoading(const device::DeviceRoot& device);

// Resets the device's call directory database as the phone's reset of its
// settings does (see CallDirectoryStore::reset), under the loading lock: an
// invalid-argument error while a request loads.
base::Status resetCallDirectory(const device::DeviceRoot& device, CallDirectoryStore& store);

// The extension executable: $CALLDIR_EXTENSION when set, else the one beside
// the running program (a build tree), else PREFIX/libexec/calldir/
// calldir-extension for a program installed in PREFIX/bin.
std::string defaultExtensionBinary();

}  // namespace calldir::telephony
