#include "wire/launch.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace calldir::wire {

namespace {

bool setsVariable(std::string_view entry, std::string_view name) {
  return entry.size() > name.size() && entry.substr(0, name.size()) == name && entry[name.size()] == '=';
}

}  // namespace

std::vector<std::string> launchEnvironment(char* const* inherited, const LaunchRequest& request) {
  std::vector<std::string> out;
  for (char* const* e = inherited; e != nullptr && *e != nullptr; ++e) {
    const std::string_view entry(*e);
    if (setsVariable(entry, kRootVariable) || setsVariable(entry, kRequestFdsVariable) ||
        setsVariable(entry, kIncrementalVariable)) {
      continue;
    }
    out.emplace_back(entry);
  }
  out.push_back(std::string(kRootVariable) + "=" + request.root);
  out.push_back(std::string(kRequestFdsVariable) + "=" + std::to_string(request.read_fd) + "," +
                std::to_string(request.write_fd));
  out.push_back(std::string(kIncrementalVariable) + "=" + (request.incremental ? "1" : "0"));
  return out;
}

base::Result<LaunchRequest> readLaunchEnvironment() {
  const char* root = std::getenv(kRootVariable);
  const char* fds = std::getenv(kRequestFdsVariable);
  const char* incremental = std::getenv(kIncrementalVariable);
  if (root == nullptr || fds == nullptr || incremental == nullptr) {
    return base::Status::InvalidArgument(
        "this is an extension process; the telephony service starts it (try `calldir reload`)");
  }
  int read_fd = -1;
  int write_fd = -1;
  char extra = 0;
  if (std::sscanf(fds, "%d,%d%c", &read_fd, &write_fd, &extra) != 2 || read_fd < 0 || write_fd < 0) {
    return base::Status::InvalidArgument("bad request descriptors \"" + std::string(fds) + "\"");
  }
  const std::string_view kind(incremental);
  if (kind != "1" && kind != "0") {
    return base::Status::InvalidArgument("bad request kind \"" + std::string(kind) + "\"");
  }
  return LaunchRequest{root, kind == "1", read_fd, write_fd};
}

}  // namespace calldir::wire
