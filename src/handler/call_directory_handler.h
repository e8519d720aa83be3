// CallDirectoryHandler: the extension's principal class. The platform makes
// one per process and sends it one `beginRequestWithExtensionContext` per
// request. A request reads the two control keys from the shared settings,
// writes a status line, and then restores the whole list from the bundle's
// resource, applies the delta lists from the shared container, or does
// nothing; every step is reported as a status line in the shared settings.
// The handler keeps nothing between requests and starts no thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/call_directory.h"
#include "platform/environment.h"
#include "storage/list_files.h"

namespace calldir::handler {

class CallDirectoryHandler : public platform::CallDirectoryProvider {
 public:
  explicit CallDirectoryHandler(platform::Environment env)
      : env_(std::move(env)), files_(env_.files, env_.bundle, env_.group) {}

  // Handles one request and completes it before returning.
  void beginRequestWithExtensionContext(platform::CallDirectoryExtensionContext& context) override;

  // Fixed samples; no request road sends them.
  void addAllBlockingPhoneNumbersToContext(platform::CallDirectoryExtensionContext& context);
  void addOrRemoveIncrementalBlockingPhoneNumbersToContext(platform::CallDirectoryExtensionContext& context);
  void addAllIdentificationPhoneNumbersToContext(platform::CallDirectoryExtensionContext& context);

  // The restore from zero (restore status "START") or, with "END", the
  // update from the delta lists.
  void addOrRemoveIncrementalIdentificationPhoneNumbersToContext(
      platform::CallDirectoryExtensionContext& context);

  // Records a failed request under "CallDirectoryErrorError".
  void requestFailedForExtensionContext(platform::CallDirectoryExtensionContext& context,
                                        const platform::CallDirectoryError& error) override;

  // The list file operations.
  void clearJsonGroupFile(std::string_view name) { files_.clearJsonGroupFile(name); }
  void saveAddZeroInstalledJsonToGroupFile(std::string_view name) {
    files_.saveAddZeroInstalledJsonToGroupFile(name);
  }
  std::optional<std::string> forceReadJsonDataFromResourceFile(std::string_view name) {
    return files_.forceReadJsonDataFromResourceFile(name);
  }
  std::optional<std::string> readJsonDataFromResourceFile(std::string_view name) {
    return files_.readJsonDataFromResourceFile(name);
  }
  std::optional<std::string> readJsonDataFromGroupFile(std::string_view name) {
    return files_.readJsonDataFromGroupFile(name);
  }
  void writeJsonToGroupFile(std::string_view name, std::string_view text) {
    files_.writeJsonToGroupFile(name, text);
  }

  // The codec operations.
  std::optional<std::string> getDecodedText(std::optional<std::string_view> text);
  std::string getCallDirectoryEncryptKey();

 private:
  std::string timeStamp();
  void restoreFromZero(platform::CallDirectoryExtensionContext& context);
  void updateFromDeltaLists(platform::CallDirectoryExtensionContext& context);
  // Applies one delta list; false when it held no data ("NO DELETE"/"NO ADD").
  bool applyDeltaList(platform::CallDirectoryExtensionContext& context, std::string_view name,
                      std::string_view log_key, bool adding);

  platform::Environment env_;
  storage::ListFiles files_;
};

}  // namespace calldir::handler
