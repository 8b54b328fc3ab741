// Text primitives, reading the download file's first field and cutting its header.
#include <gtest/gtest.h>

#include <climits>

#include "conversion/download_file.h"
#include "test_support.h"

namespace tarvex {
namespace {

using testing::FailureOf;

TEST(TextPrimitives, FindSubstringAndIncrementAtTheirEdges) {
  EXPECT_EQ(Find("ab$cd$", '$', 3), 3);
  EXPECT_EQ(Find("ab$cd$", '$', 4), 6);
  EXPECT_EQ(Find("ab$cd$", '$', 7), 0);  // beyond the end
  EXPECT_EQ(Find("aA", 'A', 1), 2);      // case-sensitive
  EXPECT_EQ(Substring("abcdef", 6, 3), "f");  // fewer when the text ends first
  EXPECT_EQ(Substring("abcdef", 7, 3), "");   // just past the end: empty, no failure
  EXPECT_EQ(FailureOf([] { Substring("abcdef", 0, 2); }), failure::kInvalidArgument);
  EXPECT_EQ(Decimal(-12), "-12");
  EXPECT_EQ(FailureOf([] { Increment(INT32_MAX); }), failure::kOverflow);
}

struct FieldCase {
  const char* name;
  std::string file;
  std::string field;
};

TEST(OpenDownloadFile, ReadsOnlyTheFirstFieldBytesUnchanged) {
  std::string all_bytes;
  for (int b = 0; b < 256; ++b) {
    if (b != ',' && b != '\r' && b != '\n') all_bytes.push_back(static_cast<char>(b));
  }
  const FieldCase cases[] = {
      {"one line", "&123$3E654A3B@\r\n", "&123$3E654A3B@"},
      {"no line end", "&123$3E654A3B@", "&123$3E654A3B@"},
      {"comma", "&123$3E654A3B@,$3E655238#", "&123$3E654A3B@"},
      {"several lines", "first\r\nsecond\r\n", "first"},
      {"lone line feed", "first\nsecond", "first"},
      {"lone carriage return", "first\rsecond", "first"},
      {"empty first line", "\r\n&123456", ""},
      {"quoted field", "\"&12,34\"$rest,x", "&12,34"},
      {"quote never closed", "\"&12,34\r\nnext", "&12,34"},
      {"quote inside a field", "ab\"c,d", "ab\"c"},
      {"leading spaces kept", "  &1", "  &1"},
      {"every other byte value", all_bytes + ",tail", all_bytes},
  };
  testing::TempDir dir;
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::WriteFile(dir / "d.vlm", c.file);
    ConversionState state;
    state.GlobalCounter = "keep";
    OpenDownloadFile(state, dir / "d.vlm");
    EXPECT_EQ(state.FileText, c.field);
    EXPECT_EQ(state.GlobalCounter, "keep");
  }
}

TEST(OpenDownloadFile, ReadsAFieldLargerThanOneReadChunk) {
  testing::TempDir dir;
  std::string big(3 * 1024 * 1024 + 17, '$');
  big[1024 * 1024] = '@';
  testing::WriteFile(dir / "big.vlm", big + ",after");
  ConversionState state;
  OpenDownloadFile(state, dir / "big.vlm");
  EXPECT_EQ(state.FileText, big);
}

TEST(OpenDownloadFile, FailuresKeepTheTextAsItWas) {
  testing::TempDir dir;
  testing::WriteFile(dir / "empty.vlm", "");
  std::filesystem::create_directory(dir / "folder.vlm");
  struct Case {
    const char* name;
    std::filesystem::path path;
    int number;
  } cases[] = {
      {"empty path", "", failure::kBadFileName},
      {"missing file", dir / "missing.vlm", failure::kFileNotFound},
      {"missing folder", dir / "nowhere" / "d.vlm", failure::kPathNotFound},
      {"file used as a folder", dir / "empty.vlm" / "d.vlm", failure::kPathNotFound},
      {"directory", dir / "folder.vlm", failure::kPathFileAccess},
      {"empty file", dir / "empty.vlm", failure::kInputPastEnd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConversionState state;
    state.FileText = "before";
    EXPECT_EQ(FailureOf([&] { OpenDownloadFile(state, c.path); }), c.number);
    EXPECT_EQ(state.FileText, "before");
  }
}

struct HeaderCase {
  const char* name;
  std::string text;
  std::string pos, counter, serial, date;
};

TEST(ParseHeader, CutsTheFieldsAfterTheFirstAmpersand) {
  const std::string date20 = "01/03/2024 18:30:05 ";
  const HeaderCase cases[] = {
      {"well formed", "&123456xx01" + date20 + "$3E654A3B@", "1", "123456", "01", date20},
      {"text before the header", "zz&123456xx01" + date20, "3", "123456", "01", date20},
      {"no ampersand", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", "0", "ABCDEF", "IJ",
       "KLMNOPQRSTUVWXYZ0123"},
      {"ampersand near the end", "$3E654A3B@&1234", "11", "1234", "", ""},
      {"date cut short", "&123456xx0107/03", "1", "123456", "01", "07/03"},
      {"ampersand last", "abc&", "4", "", "", ""},
      {"two ampersands", "&111111xx22" + date20 + "&999999yy33", "1", "111111", "22", date20},
      {"empty text", "", "0", "", "", ""},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    ConversionState state;
    state.FileText = c.text;
    ParseHeader(state);
    EXPECT_EQ(state.HeaderPosText, c.pos);
    EXPECT_EQ(state.GlobalCounter, c.counter);
    EXPECT_EQ(state.SerialNumber, c.serial);
    EXPECT_EQ(state.DownloadDate, c.date);
  }
}

}  // namespace
}  // namespace tarvex
