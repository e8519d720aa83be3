// CallDirectoryHandler: the extension's principal class. The platform makes
// one per process and sends it one `beginRequestWithExtensionContext` per
// request. A request reads the two control keys from the shared settings,
// writes a status line, and then restores the whole list from the bundle's
// resource, applies the delta lists from the shared container, or does
// nothing; every step is reported as a status line in the shared settings.
// The handler keeps nothing between requests and starts no thread.
//
// What tells the containing application that its work is done (an emptied
// delta list, the restore status "END", the clear-all flag "N") happens only
// once the platform has confirmed the request, in the completion handler:
// a request that fails leaves the lists and the flags for the next one to
// retry. Applying a list twice changes nothing, so a retry is safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

  // Fixed samples; no request road sends them. Kept because the ported class has them.
  void addAllBlockingPhoneNumbersToContext(platform::CallDirectoryExtensionContext& context);
  void addOrRemoveIncrementalBlockingPhoneNumbersToContext(platform::CallDirectoryExtensionContext& context);
  void addAllIdentificationPhoneNumbersToContext(platform::CallDirectoryExtensionContext& context);

  // The restore from zero (restore status "START") or, with "END", the
  // update from the delta lists. Called on its own, outside a request, it
  // confirms nothing: no list is emptied and no control key is moved on.
  void addOrRemoveIncrementalIdentificationPhoneNumbersToContext(
      platform::CallDirectoryExtensionContext& context);

  // Records a failed request under "CallDirectoryErrorError".
  void requestFailedForExtensionContext(platform::CallDirectoryExtensionContext& context,
                                        const platform::CallDirectoryError& error) override;

  // The list file operations, under the names of the ported class; the
  // request roads read through ListFiles' ListContent readers.
  void clearJsonGroupFile(std::string_view name) { files_.clearJsonGroupFile(name); }
  void saveAddZeroInstalledJsonToGroupFile(std::string_view name) {
    files_.saveAddZeroInstalledJsonToGroupFile(name);
  }
  std::optional<std::string> forceReadJsonDataFromResourceFile(std::string_view name) {
    return files_.forceReadJsonDataFromResourceFile(name);
  }
  // Nothing sends it; kept because the ported class has it.
  std::optional<std::string> readJsonDataFromResourceFile(std::string_view name) {
    return files_.readJsonDataFromResourceFile(name);
  }
  std::optional<std::string> readJsonDataFromGroupFile(std::string_view name) {
    return files_.readJsonDataFromGroupFile(name);
  }
  void writeJsonToGroupFile(std::string_view name, std::string_view text) {
    files_.writeJsonToGroupFile(name, text);
  }

  // The codec operations, forwarded; kept because the ported class has them.
  std::optional<std::string> getDecodedText(std::optional<std::string_view> text);
  std::string getCallDirectoryEncryptKey();

 private:
  // What one request does only after the platform confirmed it.
  struct ConfirmedEffects {
    // Delta lists walked, with the text read from each: emptied unless the
    // containing application has replaced them meanwhile.
    std::vector<std::pair<std::string_view, std::string>> walked_lists;
    bool restore_ended = false;  // "END" as the restore status, "N" as the flag
    bool clear_all = false;      // "N" as the clear-all flag
  };

  std::string timeStamp();
  void addOrRemoveIncremental(platform::CallDirectoryExtensionContext& context, ConfirmedEffects& effects);
  void restoreFromZero(platform::CallDirectoryExtensionContext& context, ConfirmedEffects& effects);
  void updateFromDeltaLists(platform::CallDirectoryExtensionContext& context, ConfirmedEffects& effects);
  // Applies one delta list; false when it held no data ("NO DELETE"/"NO ADD").
  bool applyDeltaList(platform::CallDirectoryExtensionContext& context, std::string_view name,
                      std::string_view log_key, bool adding, ConfirmedEffects& effects);
  void applyConfirmedEffects(const ConfirmedEffects& effects);

  platform::Environment env_;
  storage::ListFiles files_;
};

}  // namespace calldir::handler
