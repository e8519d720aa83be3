// The extension runner (the stand-in for the platform's extension entry):
// the whole `main` of an extension process. The telephony service starts the
// process with the device root, the request's pipes and its kind in the
// environment; the runner finds the principal class named in the bundle's
// info, creates it, delivers the request, and delivers a failure of the
// request to the class's requestFailedForExtensionContext.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "platform/call_directory.h"
#include "platform/environment.h"

namespace calldir::platform {

// Environment variables through which the service describes the request.
inline constexpr const char* kRootVariable = "CALLDIR_DEVICE_ROOT";
inline constexpr const char* kRequestFdsVariable = "CALLDIR_REQUEST_FDS";           // "<read fd>,<write fd>"
inline constexpr const char* kIncrementalVariable = "CALLDIR_REQUEST_INCREMENTAL";  // "1" or "0"

// A principal class the runner can create by name.
struct PrincipalClass {
  const char* name;
  std::unique_ptr<CallDirectoryProvider> (*make)(Environment environment);
};

// The principal classes linked into this build.
std::span<const PrincipalClass> principalClasses();

// Runs one request; returns the process's exit status.
int NSExtensionMain(int argc, char** argv);

}  // namespace calldir::platform
