// The extension host (the stand-in for the platform's extension entry): the
// whole `main` of an extension process. The telephony service starts the
// process with the request described in its environment (the launch
// contract); the host finds the principal class named in the bundle's info
// among the classes the executable offers, creates it, delivers the request,
// and delivers a failure of the request to the class's
// requestFailedForExtensionContext.
#pragma once

#include <memory>
#include <span>

#include "platform/call_directory.h"
#include "platform/environment.h"

namespace calldir::device {

// A principal class the host can create by name.
struct PrincipalClass {
  const char* name;
  std::unique_ptr<platform::CallDirectoryProvider> (*make)(platform::Environment environment);
};

// Runs one request with a class from `classes`; returns the process's exit
// status: 0 when the request was completed, 1 when it was not, 2 when the
// process could not serve it.
int NSExtensionMain(int argc, char** argv, std::span<const PrincipalClass> classes);

}  // namespace calldir::device
