// How the list tools read a number text of a caller list: one rule for
// `list check`, `list fix`, `list diff`, CSV input and `lookup`.
//
// The extension stores what `integerValue` makes of a text: its leading
// digits. The phone matches calls against E.164 digits (country code and
// national number, no "+"). A text means this:
//   1. Digits alone that are a valid international number (a country code
//      and a valid national number) are that number, as written. Under a
//      region that reads them as another valid number ("2057590750", a
//      number in Alabama written without its country code, under US) they
//      are ambiguous: the region's reading counts, as the producer said how
//      the numbers were written and a spreadsheet drops leading zeros, and
//      the reading keeps the other; unless they begin with the region's own
//      country code (its E.164 digits, as `list fix` writes them), or the
//      list holds E.164 digits (`digits_as_written`): then they stay as
//      written.
//   2. Otherwise, under a region (`--region KR`), a text is read as a person
//      in that region wrote it: "010-1234-5678", "01012345678" and
//      "1012345678" are 821012345678. Without one, only a text beginning
//      with "+" ("+82 10-1234-5678") can be read.
//   3. A text that libphonenumber reads as a number it holds invalid (a wrong
//      length, masked digits, a foreign number without "+") is doubtful:
//      the reading says what it would become.
//   4. Anything else is unreadable.
//
// libphonenumber decides every verdict. To keep millions of numbers fast,
// a verdict (and how digits written in the region or after a "+" read) is
// taken for a block of numbers of one length that differ only in their last
// digits, when libphonenumber says the same of sentinels of the block: a
// wide block of a million numbers first, then a narrow one of ten thousand
// (…0000, …1234, …5555, …9999). A block is decided only once it has been
// met a few times, so numbers spread thinly cost one call each; a number in
// no block that reads evenly is decided on its own, once.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace calldir::lists {

struct NumberReading {
  enum class Kind {
    kAsWritten,   // digits alone, a valid international number
    kRead,        // read with libphonenumber (a "+", separators, or the region): a valid number
    kDoubtful,    // read, but invalid: `digits` is what it would become
    kUnreadable,  // no phone number, or none without a region
  };
  Kind kind = Kind::kUnreadable;
  std::string digits;  // E.164 digits without "+"; empty when unreadable
  std::string other;   // the digits as written, a valid number too, when the region reads them otherwise

  bool ambiguous() const { return !other.empty(); }
  bool valid() const { return kind == Kind::kAsWritten || kind == Kind::kRead; }
};

// What is known of a block of numbers that differ only in their last digits.
template <typename T>
struct NumberBlock {
  std::uint32_t met = 0;  // how often it was met before it was decided
  bool decided = false;
  std::optional<T> uniform;  // once decided: what every number of it is, if all agree
};

class NumberReader {
 public:
  // `region`: a two-letter region code, or empty for none. With
  // `digits_as_written`, digits alone that are a valid number are taken as
  // written even where the region reads them otherwise.
  explicit NumberReader(std::string region = "", bool digits_as_written = false);

  NumberReading read(std::string_view text);

  // The two readings of an ambiguous text, in a sentence for messages.
  std::string describeAmbiguity(std::string_view text, const NumberReading& reading) const;

  // Why a text that is not valid reads so, in a few words, for messages.
  std::string whyNotValid(std::string_view text, const NumberReading& reading) const;

  const std::string& region() const { return region_; }

 private:
  enum class Verdict : std::uint8_t { kValid, kInvalid, kImpossible };
  // The verdict on E.164 digits as written.
  Verdict verdictOf(std::string_view digits);
  // The verdict on a number of a length its country's numbers have.
  Verdict possibleVerdict(int country_code, std::string_view national) const;
  // The E.164 digits of `digits` written nationally in the region, or
  // after a "+" (`international`), when the block of `digits` reads the
  // same way throughout.
  std::optional<std::string> shapedDigits(std::string_view digits, bool international);
  // How a number is read: its country code, and the leading digits (a trunk
  // prefix, or the country code after a "+") its E.164 form drops.
  using Shape = std::pair<int, std::size_t>;
  // The shape of every sentinel of the block `head` at `level` (after a
  // "+" when `international`, else in the region), when all agree.
  std::optional<Shape> shapeOf(std::string_view head, std::size_t level, bool international) const;
  // `known_verdict`: digits whose verdict is known, and that verdict.
  NumberReading parsed(std::string_view text,
                       std::optional<std::pair<std::string_view, Verdict>> known_verdict = std::nullopt);
  // The valid number digits alone name when read as written in the region.
  std::optional<std::string> regionReading(std::string_view digits);

  std::string region_;
  bool digits_as_written_ = false;
  std::string region_code_;  // the region's country code, in digits
  std::bitset<1000> calling_codes_;
  // Blocks, by blockKey: of E.164 digits with the verdict on every number of
  // them, and of digits written in the region or after a "+" with the shape
  // of every number of them.
  std::unordered_map<std::uint64_t, NumberBlock<Verdict>> blocks_;
  std::unordered_map<std::uint64_t, NumberBlock<Shape>> national_;
  std::unordered_map<std::uint64_t, NumberBlock<Shape>> international_;
  std::unordered_map<std::uint64_t, Verdict> alone_;  // numbers decided one by one, by numberKey
  // Whether numbers are possible (1, or 0; -1: not known yet), by country
  // code * 18 + national length.
  std::vector<std::int8_t> possible_ = std::vector<std::int8_t>(1000 * 18, -1);
  std::unordered_map<std::string, NumberReading> parsed_;  // every text read by a full parse
};

}  // namespace calldir::lists
