#include "handler/call_directory_handler.h"

#include "codec/list_key.h"
#include "codec/text_decoding.h"
#include "handler/dispatch.h"
#include "handler/keys.h"
#include "handler/status_lines.h"
#include "platform/text.h"
#include "storage/caller_list.h"

namespace calldir::handler {

std::string CallDirectoryHandler::timeStamp() { return platform::describeDate(env_.clock.now()); }

std::optional<std::string> CallDirectoryHandler::getDecodedText(std::optional<std::string_view> text) {
  return codec::getDecodedText(text);
}

std::string CallDirectoryHandler::getCallDirectoryEncryptKey() { return codec::getCallDirectoryEncryptKey(); }

void CallDirectoryHandler::beginRequestWithExtensionContext(
    platform::CallDirectoryExtensionContext& context) {
  context.setDelegate(this);
  const bool incremental = context.isIncremental();
  ConfirmedEffects effects;
  auto settings = env_.settings.initWithSuiteName(env_.group);
  if (incremental) {
    const std::string restore_status =
        settings->objectForKey(kRestoreStatusKey).value_or(std::string(kRestoreStatusDefault));
    const std::string clear_all =
        settings->objectForKey(kClearAllKey).value_or(std::string(kClearAllDefault));
    settings->setObject(IncrementalLine{true, clear_all, restore_status, timeStamp()}.format(),
                        kIsIncrementalKey);
    settings->synchronize();
    const IncrementalAction action = incrementalAction(clear_all, restore_status);
    if (action == IncrementalAction::kRestoreFromZero) {
      auto second = env_.settings.initWithSuiteName(env_.group);
      second->setObject(kRestoreStarted, kRestoreStatusKey);
      second->synchronize();
      context.removeAllIdentificationEntries();
      addOrRemoveIncremental(context, effects);
      // "N" as the clear-all flag waits for the platform's confirmation.
      effects.clear_all = true;
    } else if (action == IncrementalAction::kUpdateFromDeltaLists) {
      addOrRemoveIncremental(context, effects);
    }
  } else {
    const std::string clear_all =
        settings->objectForKey(kClearAllKey).value_or(std::string(kClearAllDefault));
    // The one write of a request without a synchronize of its own.
    settings->setObject(IncrementalLine{false, clear_all, "", timeStamp()}.format(), kIsIncrementalKey);
  }
  settings.reset();
  // The completion handler runs only when the platform has committed the
  // request; a failure goes to requestFailedForExtensionContext instead. It
  // owns what it applies, as a platform may call it after this returns.
  context.completeRequestWithCompletionHandler([this, effects = std::move(effects)](bool expired) {
    if (!expired) applyConfirmedEffects(effects);
  });
}

void CallDirectoryHandler::applyConfirmedEffects(const ConfirmedEffects& effects) {
  for (const auto& [name, stored] : effects.walked_lists) files_.clearJsonGroupFileIfUnchanged(name, stored);
  if (!effects.restore_ended && !effects.clear_all) return;
  auto settings = env_.settings.initWithSuiteName(env_.group);
  if (effects.restore_ended) settings->setObject(kRestoreEnded, kRestoreStatusKey);
  settings->setObject(kClearAllNo, kClearAllKey);
  settings->synchronize();
}

void CallDirectoryHandler::addOrRemoveIncrementalIdentificationPhoneNumbersToContext(
    platform::CallDirectoryExtensionContext& context) {
  ConfirmedEffects unconfirmed;
  addOrRemoveIncremental(context, unconfirmed);
}

void CallDirectoryHandler::addOrRemoveIncremental(platform::CallDirectoryExtensionContext& context,
                                                  ConfirmedEffects& effects) {
  auto entry_settings = env_.settings.initWithSuiteName(env_.group);
  // This read takes a missing restore status for "END", the next one for "".
  const std::string restore_status =
      entry_settings->objectForKey(kRestoreStatusKey).value_or(std::string(kRestoreEnded));
  entry_settings->setObject(RestoreLine::began(timeStamp(), restore_status).format(), kRestoreLogKey);
  entry_settings->synchronize();
  if (restore_status == kRestoreStarted) {
    restoreFromZero(context, effects);
    return;
  }
  auto status_settings = env_.settings.initWithSuiteName(env_.group);
  const std::string second_read = status_settings->objectForKey(kRestoreStatusKey).value_or("");
  if (second_read != kRestoreEnded) {
    status_settings->setObject(kStatusChangedLog, kZeroLogKey);
    status_settings->setObject(kStatusChangedStatus, kZeroStatusKey);
    status_settings->synchronize();
    return;
  }
  status_settings->setObject(kUpdateBeganLog, kZeroLogKey);
  status_settings->setObject(kUpdateBeganStatus, kZeroStatusKey);
  status_settings->synchronize();
  updateFromDeltaLists(context, effects);
}

void CallDirectoryHandler::restoreFromZero(platform::CallDirectoryExtensionContext& context,
                                           ConfirmedEffects& effects) {
  const std::string start = timeStamp();
  storage::ListContent resource = files_.readResourceList(kZeroResourceName);
  if (!resource.holdsData()) {
    auto settings = env_.settings.initWithSuiteName(env_.group);
    settings->setObject(RestoreLine::noData(timeStamp()).format(), kRestoreLogKey);
    settings->synchronize();
    return;
  }
  saveAddZeroInstalledJsonToGroupFile(kInstalledMarkerName);
  {
    auto settings = env_.settings.initWithSuiteName(env_.group);
    settings->setObject(RestoreLine::found(start).format(), kRestoreLogKey);
    settings->synchronize();
  }
  // One pass reads and checks the list. Should it turn out malformed after
  // some entries went to the context, one more remove-all takes them back:
  // the request then leaves what a malformed list leaves, no entries.
  std::int64_t added = 0;
  std::size_t count = 0;
  std::string_view last_raw;
  const auto walked =
      storage::walkCallerListOnce(resource.plain, [&](std::size_t, const storage::CallerEntry& element) {
        ++count;
        last_raw = element.raw;
        if (storage::useForAdding(element) != storage::ElementUse::kApplied) return;
        ++added;
        context.addIdentificationEntryWithNextSequentialPhoneNumber(platform::integerValue(*element.number),
                                                                    *element.name);
      });
  if (walked != platform::JsonDocument::WalkResult::kArray) {
    if (added > 0) context.removeAllIdentificationEntries();
    return;
  }
  if (count == 0) return;

  auto settings = env_.settings.initWithSuiteName(env_.group);
  if (added > kZeroSyncThreshold) settings->setObject(kZeroSyncDate, kZeroSyncDateKey);
  settings->setObject(
      RestoreLine::applied(start, timeStamp(), added, count, platform::compactJson(last_raw)).format(),
      kRestoreLogKey);
  settings->synchronize();
  // "END" and "N" wait for the platform's confirmation.
  effects.restore_ended = true;
}

void CallDirectoryHandler::updateFromDeltaLists(platform::CallDirectoryExtensionContext& context,
                                                ConfirmedEffects& effects) {
  applyDeltaList(context, kDeleteListName, kDelLogKey, false, effects);
  applyDeltaList(context, kAddListName, kAddLogKey, true, effects);
}

bool CallDirectoryHandler::applyDeltaList(platform::CallDirectoryExtensionContext& context,
                                          std::string_view name, std::string_view log_key, bool adding,
                                          ConfirmedEffects& effects) {
  storage::ListContent content = files_.readGroupList(name, true);
  if (!content.holdsData()) {
    auto settings = env_.settings.initWithSuiteName(env_.group);
    settings->setObject(adding ? kNoAddLine : kNoDeleteLine, log_key);
    settings->synchronize();
    return false;
  }
  auto list = storage::parseCallerList(std::move(content.plain));
  if (list && list->count() > 0) {
    storage::forEachCallerEntry(*list, [&](std::size_t index, const storage::CallerEntry& element) {
      {
        // Logged and flushed before the element is applied, so the last
        // line names the element in progress.
        auto settings = env_.settings.initWithSuiteName(env_.group);
        settings->setObject(ElementLine{index, list->count(), storage::describeElement(element)}.format(),
                            log_key);
        settings->synchronize();
      }
      if (adding) {
        if (storage::useForAdding(element) != storage::ElementUse::kApplied) return;
        context.addIdentificationEntryWithNextSequentialPhoneNumber(platform::integerValue(*element.number),
                                                                    *element.name);
      } else {
        if (storage::useForRemoving(element) != storage::ElementUse::kApplied) return;
        context.removeIdentificationEntryWithPhoneNumber(platform::integerValue(*element.number));
      }
    });
  }
  // Emptied after a processed, empty or malformed list alike, once the
  // platform has confirmed the request, unless the containing application
  // has replaced it meanwhile.
  effects.walked_lists.emplace_back(name, std::move(content.stored));
  return true;
}

void CallDirectoryHandler::requestFailedForExtensionContext(platform::CallDirectoryExtensionContext&,
                                                            const platform::CallDirectoryError& error) {
  auto settings = env_.settings.initWithSuiteName(env_.group);
  settings->setObject(ErrorLine{error}.format(), kErrorKey);
  settings->synchronize();
}

void CallDirectoryHandler::addAllBlockingPhoneNumbersToContext(
    platform::CallDirectoryExtensionContext& context) {
  context.addBlockingEntryWithNextSequentialPhoneNumber(14085555555);
  context.addBlockingEntryWithNextSequentialPhoneNumber(18005555555);
}

void CallDirectoryHandler::addOrRemoveIncrementalBlockingPhoneNumbersToContext(
    platform::CallDirectoryExtensionContext& context) {
  context.addBlockingEntryWithNextSequentialPhoneNumber(14085551234);
  context.removeBlockingEntryWithPhoneNumber(18005555555);
}

void CallDirectoryHandler::addAllIdentificationPhoneNumbersToContext(
    platform::CallDirectoryExtensionContext& context) {
  const std::string labels[] = {"Test Number"};
  context.addIdentificationEntryWithNextSequentialPhoneNumber(821000000001, labels[0]);
}

}  // namespace calldir::handler
