#include <gtest/gtest.h>

#include "cli/cli_test.h"
#include "cli/common/request.h"
#include "codec/text_decoding.h"
#include "test_util.h"

namespace calldir::cli {
namespace {

using TelephonyCommandsTest = CliTest;

TEST_F(TelephonyCommandsTest, TheWholeProtocolFromTheCommandLine) {
  ASSERT_EQ(calldir("init").status, 0);
  auto r = calldir("reload --json");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\"error\": {\"code\": 6, \"name\": \"extensionDisabled\""), std::string::npos)
      << r.out;

  r = calldir("enable");
  ASSERT_EQ(r.status, 0) << err();
  EXPECT_NE(r.out.find("complete request: completed"), std::string::npos) << r.out;

  ASSERT_EQ(calldir("bundle put-resource " + example("callers.json")).status, 0);
  r = calldir("app restore --reload --json --trace " + dir.file("trace"));
  ASSERT_EQ(r.status, 0) << r.out << err();
  for (const char* key :
       {"\"kind\": \"incremental\"", "\"completed\": true", "\"error\": null", "\"added\": 8",
        "\"removed\": 0", "\"entries\": 8", "\"extension_cpu_seconds\": ", "\"extension_peak_bytes\": "}) {
    EXPECT_NE(r.out.find(key), std::string::npos) << key << " in " << r.out;
  }
  EXPECT_EQ(testing::readFile(dir.file("trace"))
                .rfind("setDelegate\nisIncremental\nremoveAllIdentificationEntries\n", 0),
            0u);

  r = calldir("lookup 821012345678");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "821012345678\tCity Hall\n");
  EXPECT_EQ(calldir("lookup 821012345678 1").status, 1);

  r = calldir("app put --del " + example("callersDel.json") + " --add " + example("callersAdd.json") +
              " --reload");
  ASSERT_EQ(r.status, 0) << r.out << err();
  EXPECT_NE(r.out.find("added 2, removed 1"), std::string::npos) << r.out;
  r = calldir("entries --json");
  EXPECT_EQ(r.out.rfind("[{\"number\": 8222345678, \"label\": \"Reception\"},", 0), 0u) << r.out;
  EXPECT_EQ(r.out.find("821067890123"), std::string::npos);

  EXPECT_EQ(calldir("disable").status, 0);
  EXPECT_EQ(calldir("reload").status, 1);
}

TEST_F(TelephonyCommandsTest, RefusedInputChangesNothing) {
  ASSERT_EQ(calldir("init").status, 0);
  testing::writeFile(dir.file("bad.json"), "[{\"number\": \"1\", ");
  EXPECT_EQ(calldir("app put --add " + dir.file("bad.json")).status, 2);
  EXPECT_NE(err().find("is not a caller list"), std::string::npos);
  EXPECT_EQ(calldir("app put").status, 2);
  EXPECT_EQ(calldir("status --json").out.find("waiting"), std::string::npos);
  EXPECT_EQ(calldir("reload --full --incremental").status, 2);
}

TEST_F(TelephonyCommandsTest, AListSavedWithAByteOrderMarkIsInstalledAsAList) {
  ASSERT_EQ(calldir("init").status, 0);
  ASSERT_EQ(calldir("enable").status, 0);
  testing::writeFile(dir.file("marked.json"), "\xEF\xBB\xBF" + testing::readFile(example("callers.json")));
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("marked.json")).status, 0) << err();
  const auto r = calldir("app restore --reload");
  EXPECT_NE(r.out.find("added 8,"), std::string::npos) << r.out << err();
}

TEST_F(TelephonyCommandsTest, EveryNumberTheStoreHoldsCanBeLookedUp) {
  ASSERT_EQ(calldir("init").status, 0);
  ASSERT_EQ(calldir("enable").status, 0);
  testing::writeFile(dir.file("odd.json"), R"([{"number":"-821012345673","name":"Minus"},)"
                                           R"({"number":"99999999999999999999","name":"Long"}])");
  ASSERT_EQ(calldir("bundle put-resource " + dir.file("odd.json")).status, 0);
  ASSERT_EQ(calldir("app restore --reload").status, 0);
  const auto r = calldir("lookup -- -821012345673 9223372036854775807");
  EXPECT_EQ(r.status, 0) << err();
  EXPECT_EQ(r.out, "-821012345673\tMinus\n9223372036854775807\tLong\n");
  EXPECT_NE(err().find("-821012345673 is no phone number: the store holds it only as the extension took"),
            std::string::npos)
      << err();
  EXPECT_EQ(calldir("why -- -821012345673").status, 0);
}

}  // namespace
}  // namespace calldir::cli
