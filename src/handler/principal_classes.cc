// The principal classes this build links into extension processes; the
// extension runner creates one by the name the bundle's info gives.
#include "handler/call_directory_handler.h"
#include "platform/extension_runner.h"

namespace calldir::platform {

namespace {

std::unique_ptr<CallDirectoryProvider> makeCallDirectoryHandler(Environment environment) {
  return std::make_unique<handler::CallDirectoryHandler>(std::move(environment));
}

constexpr PrincipalClass kPrincipalClasses[] = {
    {kPrincipalClassName, &makeCallDirectoryHandler},
};

}  // namespace

std::span<const PrincipalClass> principalClasses() { return kPrincipalClasses; }

}  // namespace calldir::platform
