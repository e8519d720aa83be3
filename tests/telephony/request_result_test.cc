// The request note the service stores reads back as it was written, for
// every kind of outcome, and a note that is not one is refused.
#include "telephony/request_result.h"

#include <gtest/gtest.h>

#include <random>

namespace calldir::telephony {
namespace {

TEST(RequestNote, ReadsBackWhatWasWritten) {
  std::mt19937_64 random(20261209);
  for (int trial = 0; trial < 200; ++trial) {
    RequestResult r;
    r.incremental = random() % 2 == 0;
    if (random() % 2 == 0) {
      r.error = platform::CallDirectoryError{.code = static_cast<int>(random() % 12),
                                             .reason = "reason \"" + std::to_string(random()) + "\"\n"};
    }
    r.added = static_cast<std::int64_t>(random() % 3'000'000);
    r.removed = static_cast<std::int64_t>(random() % 3'000'000);
    r.removed_all = random() % 2 == 0;
    r.entries = static_cast<std::int64_t>(random());
    r.extension_cpu_seconds = static_cast<double>(random() % 100'000) / 1000;
    r.extension_peak_bytes = static_cast<std::int64_t>(random() >> 1);
    r.service_peak_bytes = static_cast<std::int64_t>(random() >> 1);
    r.wall_seconds = static_cast<double>(random() % 100'000) / 1000;
    const std::string at = trial % 3 == 0 ? "" : "2026-12-09 06:00:0" + std::to_string(trial % 10);
    const std::string written = requestJson(r, at);
    const auto note = parseRequestNote(written);
    ASSERT_TRUE(note.ok()) << written;
    EXPECT_EQ(note->at, at);
    EXPECT_EQ(requestJson(note->result, note->at), written);
    EXPECT_EQ(note->result.completed(), r.completed());
    if (r.error) {
      EXPECT_EQ(note->result.error->reason, r.error->reason);
    }
  }
}

TEST(RequestNote, RefusesWhatIsNoNoteAndTakesAnOlderOne) {
  for (const char* text : {"", "[]", "{", "\"note\"", "null"})
    EXPECT_FALSE(parseRequestNote(text).ok()) << text;
  // A note of an older service, without the members it did not write yet.
  const auto old = parseRequestNote(R"({"kind": "complete", "completed": true, "error": null, "added": 3})");
  ASSERT_TRUE(old.ok());
  EXPECT_EQ(old->result.added, 3);
  EXPECT_FALSE(old->result.incremental);
  EXPECT_TRUE(old->result.completed());
  EXPECT_EQ(old->result.service_peak_bytes, 0);
}

}  // namespace
}  // namespace calldir::telephony
