// The device root: one folder that holds one emulated phone. It holds the app
// group's shared container (list files and the shared settings store), the
// extension bundle (its info, its app group entitlement and its resources)
// and the call directory store of the telephony service.
//
//   ROOT/device.json                                   {"group": "<app group>"}
//   ROOT/AppGroup/<group>/                             shared container
//   ROOT/AppGroup/<group>/Library/Preferences/<group>.sqlite   shared settings
//   ROOT/Extension.appex/Info.json                     principal class, extension point
//   ROOT/Extension.appex/Entitlements.json             application groups
//   ROOT/Extension.appex/Resources/                    resources (callersAdd_Zero.json)
//   ROOT/CallDirectory/store.sqlite                    call directory store
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

namespace calldir::device {

inline constexpr const char* kDefaultGroup = "group.calldir.example";
inline constexpr const char* kPrincipalClassName = "CallDirectoryHandler";

struct DevicePaths {
  std::string root;
  std::string container;
  std::string settings;
  std::string bundle;
  std::string resources;
  std::string store;
};

class DeviceRoot {
 public:
  // The root folder: `flag` when given, else $CALLDIR_ROOT, else
  // $XDG_DATA_HOME/calldir/device (~/.local/share/calldir/device). An empty
  // --root or $CALLDIR_ROOT is an invalid-argument error, never the default
  // device (a script whose variable is unset must not reset the user's own).
  static base::Result<std::string> resolve(const std::optional<std::string>& flag);

  // Checks an app group identifier: "group." followed by a reverse-DNS name.
  static base::Status checkGroup(const std::string& group);

  // Creates the root for `group`, or checks an existing one: running it again
  // changes nothing, and a root made for another group is refused.
  static base::Status init(const std::string& root, const std::string& group);

  // Opens an initialised root; the error says how to make one otherwise.
  static base::Result<DeviceRoot> open(const std::string& root);

  const std::string& group() const { return group_; }
  const DevicePaths& paths() const { return paths_; }

  // The app groups that the extension bundle is entitled to.
  std::vector<std::string> entitledGroups() const;
  // Container folders of the entitled groups, for the file manager.
  std::map<std::string, std::string, std::less<>> containers() const;
  // The principal class named in the bundle's info, if any.
  std::optional<std::string> principalClass() const;
  // True when the extension bundle is installed.
  bool hasBundle() const;

 private:
  DeviceRoot(std::string group, DevicePaths paths) : group_(std::move(group)), paths_(std::move(paths)) {}
  static DevicePaths pathsFor(const std::string& root, const std::string& group);

  std::string group_;
  DevicePaths paths_;
};

}  // namespace calldir::device
