#include "device/device_root.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace calldir::device {
namespace {

TEST(DeviceRoot, InitIsIdempotentAndRefusesAnotherGroup) {
  testing::TempDir dir;
  const std::string root = dir.file("device");
  ASSERT_TRUE(DeviceRoot::init(root, "group.a.b").ok());
  ASSERT_TRUE(DeviceRoot::init(root, "group.a.b").ok());
  const base::Status other = DeviceRoot::init(root, "group.c");
  EXPECT_FALSE(other.ok());
  EXPECT_NE(other.message().find("group.a.b"), std::string::npos);
  const auto device = DeviceRoot::open(root);
  ASSERT_TRUE(device.ok());
  EXPECT_EQ(device->group(), "group.a.b");
  EXPECT_EQ(device->entitledGroups(), std::vector<std::string>{"group.a.b"});
  EXPECT_EQ(device->principalClass(), "CallDirectoryHandler");
  EXPECT_EQ(device->containers().at("group.a.b"), device->paths().container);
  const base::Status missing = DeviceRoot::open(dir.file("nothing")).status();
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.message().find("init"), std::string::npos);
}

TEST(DeviceRoot, GroupIdentifiersMustBeginWithGroup) {
  EXPECT_TRUE(DeviceRoot::checkGroup("group.calldir.example").ok());
  EXPECT_FALSE(DeviceRoot::checkGroup("calldir.example").ok());
  EXPECT_FALSE(DeviceRoot::checkGroup("group.").ok());
  EXPECT_FALSE(DeviceRoot::checkGroup("group.a/../b").ok());
}

TEST(DeviceRoot, ResolvesFlagThenEnvironment) {
  EXPECT_EQ(DeviceRoot::resolve(std::string("/x")).valueOr(""), "/x");
  setenv("CALLDIR_ROOT", "/from/env", 1);
  EXPECT_EQ(DeviceRoot::resolve(std::nullopt).valueOr(""), "/from/env");
  EXPECT_FALSE(DeviceRoot::resolve(std::string()).ok());  // an empty --root is no default
  setenv("CALLDIR_ROOT", "", 1);
  EXPECT_FALSE(DeviceRoot::resolve(std::nullopt).ok());
  unsetenv("CALLDIR_ROOT");
  setenv("XDG_DATA_HOME", "/xdg", 1);
  EXPECT_EQ(DeviceRoot::resolve(std::nullopt).valueOr(""), "/xdg/calldir/device");
  unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace calldir::device
