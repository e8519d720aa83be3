// The fixture of the command tests: runs the calldir binary on a device
// root of its own and keeps what it wrote to standard error.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace calldir::cli {

class CliTest : public ::testing::Test {
 protected:
  // Runs `calldir --root ROOT ARGS`; returns the exit status and stdout.
  testing::CommandResult calldir(const std::string& args) {
    return testing::runCommand("CALLDIR_EXTENSION=" + std::string(CALLDIR_EXTENSION_BINARY) + " " +
                               std::string(CALLDIR_BINARY) + " --root " + root + " " + args + " 2>" +
                               dir.file("stderr"));
  }
  std::string err() { return testing::readFile(dir.file("stderr")); }
  std::string container() const { return root + "/AppGroup/group.calldir.example"; }
  std::string example(const std::string& name) const {
    return std::string(CALLDIR_SOURCE_DIR) + "/examples/" + name;
  }

  testing::TempDir dir;
  std::string root = dir.file("device");
};

}  // namespace calldir::cli
