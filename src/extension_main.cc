// The extension executable. Its entry point is the platform's extension
// runner; what it adds is the table of principal classes it links in, from
// which the runner creates the one that the bundle's info names.
#include "device/device_root.h"
#include "device/extension_host.h"
#include "handler/call_directory_handler.h"

namespace {

std::unique_ptr<calldir::platform::CallDirectoryProvider> makeCallDirectoryHandler(
    calldir::platform::Environment environment) {
  return std::make_unique<calldir::handler::CallDirectoryHandler>(std::move(environment));
}

constexpr calldir::device::PrincipalClass kPrincipalClasses[] = {
    {calldir::device::kPrincipalClassName, &makeCallDirectoryHandler},
};

}  // namespace

int main(int argc, char** argv) { return calldir::device::NSExtensionMain(argc, argv, kPrincipalClasses); }
