// The files of one device that the extension and the containing application
// share: the app group's container (restricted to the groups the extension
// is entitled to) and the extension bundle's resources. Made from the device
// root alone, so that reading or installing a list opens no settings
// database.
#pragma once

#include "device/device_root.h"
#include "platform/files.h"

namespace calldir::device {

class SharedContainer {
 public:
  explicit SharedContainer(const DeviceRoot& root)
      : group_(root.group()), files_(root.containers()), bundle_(root.paths().resources) {}

  const std::string& group() const { return group_; }
  platform::FileManager& files() { return files_; }
  platform::Bundle& bundle() { return bundle_; }

 private:
  std::string group_;
  platform::PosixFileManager files_;
  platform::DirectoryBundle bundle_;
};

}  // namespace calldir::device
