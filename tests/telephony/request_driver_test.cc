#include "telephony/request_driver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "base/system.h"
#include "codec/text_decoding.h"
#include "platform/sqlite_settings.h"
#include "telephony/call_directory_store.h"
#include "test_util.h"

namespace calldir::telephony {
namespace {

int code(const RequestResult& r) { return r.error ? r.error->code : 0; }
std::string reason(const RequestResult& r) { return r.error ? r.error->reason : ""; }

class RequestDriverTest : public ::testing::Test {
 protected:
  RequestDriverTest() {
    EXPECT_TRUE(device::DeviceRoot::init(root, device::kDefaultGroup).ok());
    auto opened = device::DeviceRoot::open(root);
    EXPECT_TRUE(opened.ok());
    device.emplace(std::move(opened).value());
    options.extension_binary = CALLDIR_EXTENSION_BINARY;
    setEnabled(true);
  }

  std::unique_ptr<CallDirectoryStore> openStore() {
    auto store = CallDirectoryStore::open(device->paths().store);
    EXPECT_TRUE(store.ok()) << store.status().message();
    return std::move(store).valueOr(nullptr);
  }
  void setEnabled(bool enabled) { ASSERT_TRUE(openStore()->setEnabled(enabled).ok()); }
  std::vector<std::string> labels(std::int64_t number) { return openStore()->labelsFor(number).valueOr({}); }
  std::unique_ptr<platform::SqliteSettingsStore> openSettings() {
    auto store =
        platform::SqliteSettingsStore::open(device->paths().settings, device->group(), base::Access::kCreate);
    EXPECT_TRUE(store.ok());
    return std::move(store).valueOr(nullptr);
  }
  std::optional<std::string> setting(const std::string& key) {
    return openSettings()->initWithSuiteName(device->group())->objectForKey(key);
  }
  void setSetting(const std::string& key, const std::string& value) {
    auto store = openSettings();
    auto s = store->initWithSuiteName(device->group());
    s->setObject(value, key);
    s->synchronize();
  }
  void putResource(const std::string& plain) {
    testing::writeFile(device->paths().resources + "/callersAdd_Zero.json", codec::encodeListText(plain));
  }
  void putDelta(const std::string& name, const std::string& plain) {
    testing::writeFile(device->paths().container + "/" + name, codec::encodeListText(plain));
  }
  // An extension that writes `ops` (printf format) to the service and waits for its answer.
  std::string fakeExtension(const std::string& script) {
    const std::string path = dir.file("fake-extension");
    testing::writeFile(path, "#!/bin/sh\n" + script + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
  }
  // One request on the device, with a store opened for it; the service's
  // own failure as its error.
  base::Result<RequestResult> run(const RequestOptions& o) {
    auto store = CallDirectoryStore::open(device->paths().store);
    if (!store.ok()) return store.status();
    return runRequest(*device, **store, o);
  }
  // One request that the service itself carries out.
  RequestResult request(const RequestOptions& o) {
    auto r = run(o);
    EXPECT_TRUE(r.ok()) << r.status().message();
    return std::move(r).valueOr({});
  }
  RequestResult restore(RequestOptions o) {
    setSetting("CDListClearAllYN", "Y");
    o.incremental = true;
    return request(o);
  }

  testing::TempDir dir;
  std::string root = dir.file("device");
  std::optional<device::DeviceRoot> device;
  RequestOptions options;
};

TEST_F(RequestDriverTest, FirstLoadIsCompleteThenIncremental) {
  auto r = request(options);
  ASSERT_TRUE(r.completed()) << reason(r);
  EXPECT_FALSE(r.incremental);
  EXPECT_EQ(r.added, 0);
  EXPECT_TRUE(r.extension_ran);
  EXPECT_GT(r.extension_peak_bytes, 0);
  EXPECT_EQ(setting("CallDirectoryisIncremental").value_or("").substr(0, 4), "NO [");
  r = request(options);
  EXPECT_TRUE(r.incremental);
  EXPECT_EQ(setting("CallDirectoryisIncremental").value_or("").substr(0, 5), "YES [");
}

TEST_F(RequestDriverTest, RestoreThenDeltaUpdateThroughTheRealExtension) {
  putResource(R"([{"number":"821000000001","name":"A"},{"number":"821000000002","name":"B"}])");
  std::ostringstream trace;
  options.trace = &trace;
  auto r = restore(options);
  ASSERT_TRUE(r.completed()) << reason(r);
  EXPECT_TRUE(r.removed_all);
  EXPECT_EQ(r.added, 2);
  EXPECT_EQ(r.entries, 2);
  EXPECT_EQ(trace.str(),
            "setDelegate\nisIncremental\nremoveAllIdentificationEntries\n"
            "addIdentificationEntry 821000000001 \"A\"\naddIdentificationEntry 821000000002 \"B\"\n"
            "completeRequest\n");
  EXPECT_EQ(setting("CDListRestoreStatus"), "END");
  EXPECT_EQ(labels(821000000002), std::vector<std::string>{"B"});

  putDelta("callersDel.json", R"([{"number":"821000000001"}])");
  putDelta("callersAdd.json",
           R"([{"number":"821000000002","name":"B again"},{"number":"821000000003","name":"C"}])");
  options.trace = nullptr;
  options.incremental = std::nullopt;
  r = request(options);
  ASSERT_TRUE(r.completed()) << reason(r);
  EXPECT_TRUE(r.incremental);
  EXPECT_EQ(r.removed, 1);
  EXPECT_EQ(r.added, 2);
  EXPECT_EQ(r.entries, 3);
  EXPECT_TRUE(labels(821000000001).empty());
  EXPECT_EQ(labels(821000000002), (std::vector<std::string>{"B", "B again"}));
  EXPECT_EQ(testing::readFile(device->paths().container + "/callersAdd.json"), "");
}

TEST_F(RequestDriverTest, EveryRoadOfARequestEndToEnd) {
  putResource(R"([{"number":"10","name":"A"}])");
  ASSERT_TRUE(restore(options).completed());

  // Restore with no usable resource: everything is removed and nothing added.
  std::filesystem::remove(device->paths().resources + "/callersAdd_Zero.json");
  auto r = restore(options);
  EXPECT_TRUE(r.completed());
  EXPECT_TRUE(r.removed_all);
  EXPECT_EQ(r.entries, 0);
  EXPECT_EQ(setting("CallDirectoryRestoreStatus").value_or("").rfind("Restore NO DATA [", 0), 0u);
  EXPECT_EQ(setting("CDListRestoreStatus"), "START");
  EXPECT_EQ(setting("CDListClearAllYN"), "N");

  // With the restore status stuck at START, an incremental request does nothing.
  options.incremental = true;
  r = request(options);
  EXPECT_TRUE(r.completed());
  EXPECT_EQ(r.added + r.removed, 0);
  EXPECT_EQ(setting("CallDirectoryisIncremental").value_or("").rfind("YES [N] [START] [", 0), 0u);

  // A malformed delta list is emptied and applies nothing; the other list still runs.
  setSetting("CDListRestoreStatus", "END");
  testing::writeFile(device->paths().container + "/callersDel.json",
                     codec::encodeListText("this is not JSON at all, but long"));
  putDelta("callersAdd.json", R"([{"number":"11","name":"B"}])");
  r = request(options);
  EXPECT_TRUE(r.completed());
  EXPECT_EQ(r.added, 1);
  EXPECT_EQ(testing::readFile(device->paths().container + "/callersDel.json"), "");
  EXPECT_EQ(setting("CallDirectoryDelLog"), std::nullopt);
  EXPECT_EQ(setting("CallDirectoryAddLog"), "[0 / 1] {\"number\":\"11\",\"name\":\"B\"}");

  // A complete request supplies nothing and so leaves no entries; the flag waits.
  setSetting("CDListClearAllYN", "Y");
  options.incremental = false;
  r = request(options);
  EXPECT_TRUE(r.completed());
  EXPECT_EQ(r.entries, 0);
  EXPECT_EQ(setting("CDListClearAllYN"), "Y");
}

TEST_F(RequestDriverTest, ListsThePlatformRefusesChangeNothingAndRecordTheError) {
  putResource(R"([{"number":"10","name":"A"},{"number":"20","name":"B"}])");
  ASSERT_TRUE(restore(options).completed());
  struct Case {
    std::string list;
    std::int64_t cap;
    int code;
  };
  const Case cases[] = {
      {R"([{"number":"30","name":"C"},{"number":"25","name":"D"}])", 100, 3},
      {R"([{"number":"30","name":"C"},{"number":"30","name":"D"}])", 100, 4},
      {R"([{"number":"30","name":"C"},{"number":"31","name":"D"},{"number":"32","name":"E"}])", 2, 5},
  };
  for (const auto& c : cases) {
    putResource(c.list);
    RequestOptions o = options;
    o.max_entries = c.cap;
    const auto r = restore(o);
    EXPECT_FALSE(r.completed());
    EXPECT_EQ(code(r), c.code) << reason(r);
    EXPECT_EQ(r.entries, 2);
    EXPECT_EQ(labels(10), std::vector<std::string>{"A"});
    EXPECT_EQ(setting("CallDirectoryErrorError").value_or("").find("Code=" + std::to_string(c.code)),
              std::string("error Error Domain=com.apple.CallKit.error.calldirectorymanager ").size());
  }
  // At the cap itself the load goes through.
  putResource(R"([{"number":"30","name":"C"},{"number":"31","name":"D"}])");
  RequestOptions at_cap = options;
  at_cap.max_entries = 2;
  EXPECT_TRUE(restore(at_cap).completed());
}

TEST_F(RequestDriverTest, ARefusedUpdateLosesNoListAndARefusedRestoreIsNotReportedDone) {
  putResource(R"([{"number":"10","name":"A"},{"number":"20","name":"B"}])");
  ASSERT_TRUE(restore(options).completed());
  putDelta("callersDel.json", R"([{"number":"10"}])");
  putDelta("callersAdd.json", R"([{"number":"40","name":"D"},{"number":"30","name":"C"}])");
  const std::string del = testing::readFile(device->paths().container + "/callersDel.json");
  auto r = request(options);
  EXPECT_EQ(code(r), 3);
  EXPECT_EQ(testing::readFile(device->paths().container + "/callersDel.json"), del);
  EXPECT_EQ(labels(10), std::vector<std::string>{"A"});
  // Fixed, the same deletions apply with the next request.
  putDelta("callersAdd.json", R"([{"number":"30","name":"C"},{"number":"40","name":"D"}])");
  r = request(options);
  ASSERT_TRUE(r.completed()) << reason(r);
  EXPECT_TRUE(labels(10).empty());
  EXPECT_EQ(r.entries, 3);
  EXPECT_EQ(testing::readFile(device->paths().container + "/callersDel.json"), "");

  putResource(R"([{"number":"50","name":"E"},{"number":"50","name":"F"}])");
  r = restore(options);
  EXPECT_EQ(code(r), 4);
  EXPECT_EQ(setting("CDListRestoreStatus"), "START");
  EXPECT_EQ(setting("CDListClearAllYN"), "Y");
}

TEST_F(RequestDriverTest, ARequestPastTheCapFailsAtOnceAndTheExtensionStops) {
  putResource(testing::sampleCallerList(100000));
  RequestOptions o = options;
  o.max_entries = 1000;
  const auto r = restore(o);
  EXPECT_EQ(code(r), 5);
  EXPECT_EQ(r.entries, 0);
  // The extension heard the refusal in the middle of its list, recorded it
  // and stopped: it never wrote the line that ends a restore.
  EXPECT_NE(setting("CallDirectoryErrorError").value_or("").find("Code=5"), std::string::npos);
  EXPECT_EQ(setting("CallDirectoryRestoreStatus").value_or("").rfind("Restore 1 ", 0), 0u);
}

TEST_F(RequestDriverTest, RemovalsOutsideAnIncrementalRequestFailWith8) {
  options.incremental = false;
  options.extension_binary = fakeExtension("printf 'DIR' >&4; printf 'C' >&4; cat <&3 >/dev/null");
  auto r = request(options);
  EXPECT_EQ(code(r), 8);
  options.incremental = true;
  options.extension_binary = fakeExtension("printf 'DR' >&4; printf 'C' >&4; cat <&3 >/dev/null");
  r = request(options);
  EXPECT_EQ(code(r), 8) << "a removal before isIncremental was asked";
  EXPECT_NE(reason(r).find("before asking isIncremental"), std::string::npos);
}

TEST_F(RequestDriverTest, AnExtensionGoneRightAfterCompletingDoesNotTakeTheServiceWithIt) {
  options.incremental = true;
  options.extension_binary = fakeExtension(
      "printf 'DI' >&4; printf 'A\\001\\000\\000\\000\\000\\000\\000\\000\\001\\000\\000\\000xC' >&4; exec "
      "3<&- 4>&-; exit 0");
  for (int i = 0; i < 20; ++i) {
    const auto r = request(options);
    EXPECT_TRUE(r.completed()) << reason(r);
    EXPECT_EQ(labels(1), std::vector<std::string>{"x"});
  }
}

TEST_F(RequestDriverTest, AnExtensionThatDoesNotCompleteFailsWith2) {
  struct Case {
    std::string script;
    const char* words;
  };
  const Case cases[] = {
      {"printf 'DI' >&4; exit 0", "exited before completing"},
      {"printf 'DI' >&4; kill -SEGV $$", "crashed"},
      {"exec sleep 5", "time limit"},
      {"printf 'DIz' >&4; sleep 1", "garbage"},
  };
  options.time_limit_seconds = 0.5;
  for (const auto& c : cases) {
    options.extension_binary = fakeExtension(c.script);
    const auto r = request(options);
    EXPECT_FALSE(r.completed());
    EXPECT_EQ(code(r), 2) << c.script;
    EXPECT_NE(reason(r).find(c.words), std::string::npos) << reason(r);
  }
  // A missing extension binary is the service's own problem, not a request.
  options.extension_binary = dir.file("no-such-extension");
  const base::Status missing = run(options).status();
  EXPECT_NE(missing.message().find("CALLDIR_EXTENSION"), std::string::npos);
}

TEST_F(RequestDriverTest, TheServiceRefusesBeforeStartingAnything) {
  setEnabled(false);
  auto r = request(options);
  EXPECT_EQ(code(r), 6);
  EXPECT_FALSE(r.extension_ran);
  setEnabled(true);

  const std::string lock_path = std::filesystem::path(device->paths().store).parent_path() / "loading.lock";
  const int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  // flock locks belong to the open file description: a second open conflicts.
  r = request(options);
  EXPECT_EQ(code(r), 7);
  ::close(fd);
  EXPECT_TRUE(request(options).completed());

  std::filesystem::remove(device->paths().bundle + "/Info.json");
  r = request(options);
  EXPECT_EQ(code(r), 1);
}

TEST_F(RequestDriverTest, UnusableOptionsAndADamagedStoreAreTheServicesOwnErrors) {
  for (double limit : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
    RequestOptions o = options;
    o.time_limit_seconds = limit;
    EXPECT_EQ(run(o).status().kind(), base::Status::Kind::kInvalidArgument) << limit;
  }
  RequestOptions o = options;
  o.max_entries = -5;
  EXPECT_EQ(run(o).status().kind(), base::Status::Kind::kInvalidArgument);
  o = options;
  o.memory_limit_bytes = 1000;
  EXPECT_EQ(run(o).status().kind(), base::Status::Kind::kInvalidArgument);
  o = options;
  o.time_limit_seconds = 1e30;  // no practical limit, and no overflow
  EXPECT_TRUE(request(o).completed());

  std::filesystem::remove(device->paths().store + "-wal");
  std::filesystem::remove(device->paths().store + "-shm");
  testing::writeFile(device->paths().store, std::string(4096, 'x'));
  const base::Status damaged = run(options).status();
  EXPECT_EQ(damaged.kind(), base::Status::Kind::kIoError);
  EXPECT_NE(damaged.message().find("call directory store"), std::string::npos) << damaged.message();
}

TEST_F(RequestDriverTest, AMemoryLimitTheExtensionCannotLiveWithinFailsWith2) {
  putResource(testing::sampleCallerList(1000));
  RequestOptions o = options;
  o.memory_limit_bytes = 4u << 20;
  const auto r = restore(o);
  EXPECT_FALSE(r.completed());
  EXPECT_EQ(code(r), 2);
  EXPECT_EQ(r.entries, 0);
  if (!base::system::limitsAddressSpace()) {  // watched, not limited: it says so
    EXPECT_EQ(reason(r), "loading interrupted: the extension went over the memory limit");
  }
}

}  // namespace
}  // namespace calldir::telephony
