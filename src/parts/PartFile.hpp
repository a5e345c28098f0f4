#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "parts/Part.hpp"

namespace nest {

// One Part block of a part data file: the part as set from the block, and the
// number of copies to lay out.
struct PartBlock {
  Part part;
  int count = 0;
};

// What reading a part data file gave. The reader itself shows nothing and
// stops nothing: the job replays the outcome in the order the user must see
// it (sheet checks first, then the first failure met in the blocks).
struct PartFileData {
  enum class Failure {
    kNone,
    kCannotOpen,    // the file could not be opened or read
    kBadHeader,     // fewer than three header lines, or one shorter than its label
    kEmptyLoop,     // a loop block without vertices
    kNoOutLoop,     // a Part block without an outer loop
    kTruncated,     // the file ends inside a Part, OutLoop or InnerLoop block
    kTooManyParts,  // more part instances than kMaxPartInstances
    kTooLarge,      // a file of more than kMaxPartFileBytes
  };
  Failure failure = Failure::kNone;
  std::string failedPart;  // the name of the block that failed, as far as read
  double SheetLength = 0.0;
  double SheetWidth = 0.0;
  bool headerRead = false;        // the sheet size is known (even when blocks failed)
  std::vector<PartBlock> blocks;  // file order
};

// Most part instances (sum of all copy counts) a file may ask for.
inline constexpr long long kMaxPartInstances = 100000;
// Largest part data file read; a name that points at an endless file (a
// device) stops there.
inline constexpr std::size_t kMaxPartFileBytes = std::size_t{64} << 20;

// Reads the part data file at `path`.
PartFileData LoadPartFile(const std::string& path);
// Parses the bytes of a part data file.
PartFileData ParsePartFile(std::string_view bytes);

// Splits file bytes into the reader's lines: a carriage return right before a
// line feed is dropped, a lone carriage return ends a line as a line feed
// does, and a line is its bytes up to and including the line feed, at most
// 99 bytes; a longer line is cut into pieces of 99 bytes.
std::vector<std::string> SplitPartFileLines(std::string_view bytes);

// Converts the longest prefix of `s` (after leading white space) that forms a
// decimal floating-point number: sign, digits, decimal point, exponent. No
// "inf", "nan" or hexadecimal forms. Returns 0.0 and sets `*end` to `s` when
// there is no number; otherwise `*end` points just past the number's text.
double ParseDecimal(const char* s, const char** end);

// Converts a decimal integer as the copy count is read: leading white space,
// an optional sign and the digits that follow; 0 without digits. Values
// beyond the range of int saturate.
int ParseCount(const char* s);

}  // namespace nest
