#include "handler/call_directory_handler.h"

#include <gtest/gtest.h>

#include "codec/text_decoding.h"
#include "doubles/in_memory_files.h"
#include "doubles/in_memory_settings.h"
#include "doubles/manual_clock.h"
#include "doubles/recording_context.h"
#include "test_util.h"

namespace calldir::handler {
namespace {

using doubles::RecordingContext;

const std::string kGroup = "group.test";
const std::string kContainer = "/container/group.test/";
const std::string kNow = "2024-01-07 18:00:00 +0000";

class HandlerTest : public ::testing::Test {
 protected:
  HandlerTest() { files.entitled_groups.insert(kGroup); }

  // Runs one request and returns the context's trace.
  std::string request(bool incremental) {
    RecordingContext context(incremental);
    CallDirectoryHandler handler({settings, files, files, clock, kGroup});
    handler.beginRequestWithExtensionContext(context);
    EXPECT_EQ(context.delegate(), &handler);
    return context.joined();
  }
  std::string value(const std::string& key) {
    auto all = settings.current();
    auto it = all.find(key);
    return it == all.end() ? "<unset>" : it->second;
  }
  void putResource(const std::string& plain) {
    files.files["/bundle/callersAdd_Zero.json"] = codec::encodeListText(plain);
  }
  void putDelta(const std::string& name, const std::string& plain) {
    files.files[kContainer + name] = codec::encodeListText(plain);
  }

  doubles::InMemorySettingsProvider settings;
  doubles::InMemoryFileManager files;
  doubles::ManualClock clock{std::chrono::system_clock::from_time_t(1704650400)};
};

TEST_F(HandlerTest, EmptySettingsIncrementalRequestDoesNothing) {
  EXPECT_EQ(request(true), "delegate isIncremental complete(handler)");
  EXPECT_EQ(settings.trace(), (std::vector<std::string>{
                                  "set CallDirectoryisIncremental=YES [N] [EMPTY] [" + kNow + "]", "sync"}));
}

TEST_F(HandlerTest, NonIncrementalRequestWritesTheNoLineWithoutSynchronizing) {
  settings.put("CDListClearAllYN", "Y");
  settings.put("CDListRestoreStatus", "END");
  EXPECT_EQ(request(false), "delegate isIncremental complete(handler)");
  EXPECT_EQ(settings.trace(),
            (std::vector<std::string>{"set CallDirectoryisIncremental=NO [Y] [" + kNow + "]"}));
  EXPECT_EQ(value("CDListClearAllYN"), "Y");
}

TEST_F(HandlerTest, RestoreStatusOtherThanEndDoesNothing) {
  for (const char* status : {"START", "end", "EMPTY"}) {
    settings.put("CDListRestoreStatus", status);
    settings.put("CDListClearAllYN", "y");
    EXPECT_EQ(request(true), "delegate isIncremental complete(handler)") << status;
  }
}

TEST_F(HandlerTest, RestoreFromZeroAddsEveryUsableEntryInListOrder) {
  putResource(R"([{"number":"821000000001","name":"A"},{"number":"821000000002"},)"
              R"({"number":" +821000000003x","name":"C","extra":1},{"number":"abc","name":"Zero"}])");
  settings.put("CDListClearAllYN", "Y");
  settings.put("CDListRestoreStatus", "END");
  EXPECT_EQ(request(true),
            "delegate isIncremental removeAll add(821000000001,\"A\") add(821000000003,\"C\") "
            "add(0,\"Zero\") complete(handler)");
  const std::vector<std::string> expected = {
      "set CallDirectoryisIncremental=YES [Y] [END] [" + kNow + "]",
      "sync",
      "set CDListRestoreStatus=START",
      "sync",
      "set CallDirectoryRestoreStatus=Restore 0 [" + kNow + "] [START]",
      "sync",
      "set CallDirectoryRestoreStatus=Restore 1 [" + kNow + "]",
      "sync",
      "set CallDirectoryRestoreStatus=Restore 2 [" + kNow + "]~[" + kNow +
          "] [3 / 4] {\"number\":\"abc\",\"name\":\"Zero\"}",
      "sync",
      // Once the platform has confirmed the request:
      "set CDListRestoreStatus=END",
      "set CDListClearAllYN=N",
      "sync",
  };
  EXPECT_EQ(settings.trace(), expected);
  EXPECT_EQ(files.files.at(kContainer + "callersAdd_Zero.json"), "INSTALLED");
  EXPECT_EQ(files.files.at(kContainer + "callers.json"), files.files.at("/bundle/callersAdd_Zero.json"));
  // The next incremental request is an update from the delta lists.
  settings.clearTrace();
  EXPECT_EQ(request(true), "delegate isIncremental complete(handler)");
  EXPECT_EQ(value("CallDirectoryZeroLog"), "111");
  EXPECT_EQ(value("CallDirectoryDelLog"), "NO DELETE");
  EXPECT_EQ(value("CallDirectoryAddLog"), "NO ADD");
}

TEST_F(HandlerTest, RestoreWithoutDataLeavesStart) {
  settings.put("CDListClearAllYN", "Y");
  EXPECT_EQ(request(true), "delegate isIncremental removeAll complete(handler)");
  EXPECT_EQ(value("CallDirectoryRestoreStatus"), "Restore NO DATA [" + kNow + "]");
  EXPECT_EQ(value("CDListRestoreStatus"), "START");
  EXPECT_EQ(value("CDListClearAllYN"), "N");
  EXPECT_EQ(files.files.count(kContainer + "callersAdd_Zero.json"), 0u);
  // Fifteen characters are no data either; sixteen are parsed.
  putResource("[" + std::string(13, ' ') + "]");
  settings.put("CDListClearAllYN", "Y");
  request(true);
  EXPECT_EQ(value("CallDirectoryRestoreStatus"), "Restore NO DATA [" + kNow + "]");
  putResource("[" + std::string(14, ' ') + "]");
  settings.put("CDListClearAllYN", "Y");
  request(true);
  EXPECT_EQ(value("CallDirectoryRestoreStatus"), "Restore 1 [" + kNow + "]");
  EXPECT_EQ(value("CDListRestoreStatus"), "START");
  EXPECT_EQ(files.files.at(kContainer + "callersAdd_Zero.json"), "INSTALLED");
}

TEST_F(HandlerTest, MalformedResourceStopsAfterRestore1) {
  putResource("this is not json, but long enough");
  settings.put("CDListClearAllYN", "Y");
  EXPECT_EQ(request(true), "delegate isIncremental removeAll complete(handler)");
  EXPECT_EQ(value("CallDirectoryRestoreStatus"), "Restore 1 [" + kNow + "]");
  EXPECT_EQ(value("CDListRestoreStatus"), "START");
}

TEST_F(HandlerTest, AResourceMalformedAfterItsFirstEntriesLeavesNoEntries) {
  // The list is read in one pass; the entries it sent before the fault are
  // taken back with a second remove-all.
  putResource(R"([{"number":"1","name":"a"},{"number":"2","name":"b"},{"number":"3","name":tru}])");
  settings.put("CDListClearAllYN", "Y");
  EXPECT_EQ(request(true),
            "delegate isIncremental removeAll add(1,\"a\") add(2,\"b\") removeAll complete(handler)");
  EXPECT_EQ(value("CallDirectoryRestoreStatus"), "Restore 1 [" + kNow + "]");
  EXPECT_EQ(value("CDListRestoreStatus"), "START");
  EXPECT_EQ(value("CDListClearAllYN"), "N");
}

TEST_F(HandlerTest, ZeroSyncDateOnlyAboveOneHundredAdded) {
  putResource(testing::sampleCallerList(100));
  settings.put("CDListClearAllYN", "Y");
  request(true);
  EXPECT_EQ(value("CallDirectoryZeroSyncDate"), "<unset>");
  EXPECT_NE(value("CallDirectoryRestoreStatus").find("[100 / 100]"), std::string::npos);
  putResource(testing::sampleCallerList(101));
  settings.put("CDListClearAllYN", "Y");
  settings.clearTrace();
  request(true);
  EXPECT_EQ(value("CallDirectoryZeroSyncDate"), "20240107180000");
  // Written in the same flushed group as the Restore 2 line.
  const auto& t = settings.trace();
  auto date = std::find(t.begin(), t.end(), "set CallDirectoryZeroSyncDate=20240107180000");
  ASSERT_NE(date, t.end());
  EXPECT_EQ((date + 1)->rfind("set CallDirectoryRestoreStatus=Restore 2", 0), 0u);
}

TEST_F(HandlerTest, AllElementsUnusableStillEndsTheRestore) {
  putResource(R"([{"number":"1"},{"name":"x"},{"number":"","name":"y"}])");
  settings.put("CDListClearAllYN", "Y");
  EXPECT_EQ(request(true), "delegate isIncremental removeAll complete(handler)");
  EXPECT_NE(value("CallDirectoryRestoreStatus").find("[0 / 3]"), std::string::npos);
  EXPECT_EQ(value("CDListRestoreStatus"), "END");
}

TEST_F(HandlerTest, DeltaListsRemoveFirstThenAddAndAreEmptied) {
  settings.put("CDListRestoreStatus", "END");
  putDelta("callersDel.json", R"([{"number":"821000000001"},{"name":"no number"}])");
  putDelta("callersAdd.json",
           R"([{"number":"821000000005","name":"E"},{"number":"821000000006","name":""}])");
  EXPECT_EQ(request(true),
            "delegate isIncremental remove(821000000001) add(821000000005,\"E\") complete(handler)");
  EXPECT_EQ(value("CallDirectoryDelLog"), "[1 / 2] {\"name\":\"no number\"}");
  EXPECT_EQ(value("CallDirectoryAddLog"), "[1 / 2] {\"number\":\"821000000006\",\"name\":\"\"}");
  EXPECT_EQ(value("CallDirectoryZeroStatus"), "COMPLETE");
  EXPECT_EQ(value("CDListRestoreStatus"), "END");
  EXPECT_EQ(files.files.at(kContainer + "callersDel.json"), "");
  EXPECT_EQ(files.files.at(kContainer + "callersAdd.json"), "");
  // Each element's line is flushed before it is applied: one sync per element.
  int element_syncs = 0;
  const auto& t = settings.trace();
  for (std::size_t i = 0; i + 1 < t.size(); ++i) {
    if (t[i].find("Log=[") != std::string::npos && t[i + 1] == "sync") ++element_syncs;
  }
  EXPECT_EQ(element_syncs, 4);
  // A second update finds nothing.
  request(true);
  EXPECT_EQ(value("CallDirectoryDelLog"), "NO DELETE");
  EXPECT_EQ(value("CallDirectoryAddLog"), "NO ADD");
}

TEST_F(HandlerTest, ShortMissingAndMalformedDeltaLists) {
  settings.put("CDListRestoreStatus", "END");
  putDelta("callersDel.json", "[]");
  putDelta("callersAdd.json", "not json but longer than sixteen");
  settings.put("CallDirectoryAddLog", "earlier");
  EXPECT_EQ(request(true), "delegate isIncremental complete(handler)");
  EXPECT_EQ(value("CallDirectoryDelLog"), "NO DELETE");
  EXPECT_NE(files.files.at(kContainer + "callersDel.json"), "");  // left unchanged
  EXPECT_EQ(value("CallDirectoryAddLog"), "earlier");             // no line for a malformed list
  EXPECT_EQ(files.files.at(kContainer + "callersAdd.json"), "");  // but emptied
  // Missing files are not created.
  files.files.clear();
  request(true);
  EXPECT_EQ(files.files.count(kContainer + "callersDel.json"), 0u);
  EXPECT_EQ(files.files.count(kContainer + "callersAdd.json"), 0u);
}

TEST_F(HandlerTest, ADeltaListReplacedDuringTheRequestWaitsForTheNext) {
  settings.put("CDListRestoreStatus", "END");
  putDelta("callersAdd.json", R"([{"number":"1","name":"first"}])");
  const std::string replacement = codec::encodeListText(R"([{"number":"2","name":"second"}])");
  files.replace_before_truncate = {{kContainer + "callersAdd.json", replacement}};
  EXPECT_EQ(request(true), "delegate isIncremental add(1,\"first\") complete(handler)");
  EXPECT_EQ(files.files.at(kContainer + "callersAdd.json"), replacement);
  EXPECT_EQ(request(true), "delegate isIncremental add(2,\"second\") complete(handler)");
}

TEST_F(HandlerTest, AFailedRequestLeavesTheListsAndFlagsForTheNextOne) {
  // A delete list and an add list the platform refuses (out of order).
  settings.put("CDListRestoreStatus", "END");
  putDelta("callersDel.json", R"([{"number":"821000000001"}])");
  putDelta("callersAdd.json", R"([{"number":"9","name":"B"},{"number":"8","name":"A"}])");
  const std::string del = files.files.at(kContainer + "callersDel.json");
  const std::string add = files.files.at(kContainer + "callersAdd.json");
  RecordingContext refused(true);
  refused.failWith({.code = 3, .reason = "entries out of order"});
  CallDirectoryHandler handler({settings, files, files, clock, kGroup});
  handler.beginRequestWithExtensionContext(refused);
  EXPECT_EQ(files.files.at(kContainer + "callersDel.json"), del);
  EXPECT_EQ(files.files.at(kContainer + "callersAdd.json"), add);
  EXPECT_NE(value("CallDirectoryErrorError").find("Code=3"), std::string::npos);

  // A refused restore keeps "START" and "Y"; the next request restores again.
  putResource(testing::sampleCallerList(2));
  settings.put("CDListClearAllYN", "Y");
  RecordingContext refused_restore(true);
  refused_restore.failWith({.code = 2, .reason = "loading interrupted"});
  handler.beginRequestWithExtensionContext(refused_restore);
  EXPECT_EQ(value("CDListRestoreStatus"), "START");
  EXPECT_EQ(value("CDListClearAllYN"), "Y");
  EXPECT_NE(value("CallDirectoryRestoreStatus").find("Restore 2"), std::string::npos);  // progress is kept
  EXPECT_EQ(request(true),
            "delegate isIncremental removeAll add(821020000001,\"Caller 0\") add(821020000002,\"Caller 1\") "
            "complete(handler)");
  EXPECT_EQ(value("CDListRestoreStatus"), "END");
  EXPECT_EQ(value("CDListClearAllYN"), "N");
}

TEST_F(HandlerTest, RestoreStatusRemovedDuringTheRequestGives444) {
  // The update reads the restore status twice; another process may remove it
  // in between.
  settings.put("CDListRestoreStatus", "END");
  RecordingContext context(true);
  CallDirectoryHandler handler({settings, files, files, clock, kGroup});
  settings.erase("CDListRestoreStatus");
  handler.addOrRemoveIncrementalIdentificationPhoneNumbersToContext(context);
  EXPECT_EQ(value("CallDirectoryRestoreStatus"), "Restore 0 [" + kNow + "] [END]");
  EXPECT_EQ(value("CallDirectoryZeroLog"), "444");
  EXPECT_EQ(value("CallDirectoryZeroStatus"), "START");
  EXPECT_EQ(context.joined(), "");
}

TEST_F(HandlerTest, FailedRequestIsRecordedOnly) {
  settings.put("CDListClearAllYN", "Y");
  RecordingContext context(true);
  CallDirectoryHandler handler({settings, files, files, clock, kGroup});
  handler.requestFailedForExtensionContext(context, {.code = 3, .reason = "entries out of order"});
  EXPECT_EQ(
      value("CallDirectoryErrorError"),
      "error Error Domain=com.apple.CallKit.error.calldirectorymanager Code=3 \"entries out of order\"");
  EXPECT_EQ(value("CDListClearAllYN"), "Y");
  EXPECT_EQ(context.joined(), "");
}

TEST_F(HandlerTest, FixedSamples) {
  RecordingContext context(true);
  CallDirectoryHandler handler({settings, files, files, clock, kGroup});
  handler.addAllBlockingPhoneNumbersToContext(context);
  handler.addOrRemoveIncrementalBlockingPhoneNumbersToContext(context);
  handler.addAllIdentificationPhoneNumbersToContext(context);
  EXPECT_EQ(context.joined(),
            "addBlocking(14085555555) addBlocking(18005555555) addBlocking(14085551234) "
            "removeBlocking(18005555555) add(821000000001,\"Test Number\")");
}

TEST_F(HandlerTest, EveryHandleIsOpenedForTheAppGroup) {
  settings.put("CDListClearAllYN", "Y");
  putResource(testing::sampleCallerList(3));
  request(true);
  for (const auto& suite : settings.suites()) EXPECT_EQ(suite, kGroup);
  EXPECT_GE(settings.suites().size(), 4u);
}

}  // namespace
}  // namespace calldir::handler
