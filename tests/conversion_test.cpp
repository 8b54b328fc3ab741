// The parts of the conversion: text primitives, the download file's first field and header,
// the stamp decoder, failures and the code page.
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/resource.h>
#include <unistd.h>

#include <climits>
#include <fstream>

#include "base/code_page.h"
#include "conversion/download_file.h"
#include "conversion/stamp.h"
#include "test_support.h"

namespace tarvex {
namespace {

using testing::FailureOf;

// Past the end of a text, and past the largest count (no download reaches either).
TEST(TextPrimitives, SubstringAndIncrementAtTheirEdges) {
  EXPECT_EQ(Substring("abcdef", 6, 3), "f");  // fewer when the text ends first
  EXPECT_EQ(Substring("abcdef", 7, 3), "");   // just past the end: empty, no failure
  EXPECT_EQ(FailureOf([] { Substring("abcdef", 0, 2); }),
            "5: Llamada a procedimiento o argumento no válido");
  EXPECT_EQ(Increment(INT32_MAX - 1), INT32_MAX);
  EXPECT_EQ(FailureOf([] { Increment(INT32_MAX); }), "6: Desbordamiento");
}

// The reference downloads cover the usual fields; these are the ones a report cannot show.
TEST(OpenDownloadFile, ReadsOnlyTheFirstFieldBytesUnchanged) {
  std::string all_bytes;
  for (int b = 0; b < 256; ++b) {
    if (b != ',' && b != '\r' && b != '\n') all_bytes.push_back(static_cast<char>(b));
  }
  const std::string big(3 * 1024 * 1024 + 17, '$');
  const std::pair<std::string, std::string> cases[] = {
      {all_bytes + ",tail", all_bytes},
      {big + ",after", big},           // over several read chunks
      {"&abc," + big, "&abc"},         // ends inside the first of several chunks
      {"\"&12,34\r\nnext", "&12,34"},  // a quote never closed ends with the line
      {"ab\"c,d", "ab\"c"},            // a quote inside a field is a character
      {"  &1\rx", "  &1"},             // nothing trimmed; a lone carriage return ends it
  };
  testing::TempDir dir;
  for (const auto& [file, field] : cases) {
    testing::WriteFile(dir / "d.vlm", file);
    ConversionState state;
    OpenDownloadFile(state, dir / "d.vlm");
    EXPECT_EQ(state.FileText, field) << file.substr(0, 20);
  }
}

// A first line at the head of a huge file (sparse here) takes memory as it is read, not for
// the whole file: under an address-space limit far below the file's size, a short line and
// one over several read chunks are read whole.
TEST(OpenDownloadFile, ALineAtTheHeadOfAHugeFileTakesNoRoomForTheFile) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
#endif
  testing::TempDir dir;
  for (const std::size_t length : {std::size_t{10000}, std::size_t{3 * 1024 * 1024 + 17}}) {
    const std::string line(length, '$');
    testing::WriteFile(dir / "d.vlm", line + "\r\n");
    std::filesystem::resize_file(dir / "d.vlm", std::uintmax_t{3} << 30);
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit old_limit{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old_limit), 0);
    rlimit limit = old_limit;
    limit.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) +
                     (rlim_t{256} << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
    ConversionState state;
    const std::string failure = FailureOf([&] { OpenDownloadFile(state, dir / "d.vlm"); });
    setrlimit(RLIMIT_AS, &old_limit);
    EXPECT_EQ(failure, "none") << length;
    EXPECT_TRUE(state.FileText == line) << length;
  }
}

// A well-formed stamp takes a direct path; it must agree with the six slices that any other
// text goes through (here the same eight characters and one more, which no slice reaches).
TEST(Stamp, TheDirectDecodeAgreesWithTheSixSlices) {
  std::uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    std::string s;
    for (int k = 0; k < 8; ++k)
      s.push_back("0123456789ABCDEFabcdefGg@ "[((seed = seed * 1103515245u + 12345u) >> 16) % 26]);
    ASSERT_EQ(Stamp::Decode(s).Key(), Stamp::Decode(s + '$').Key()) << s;
  }
}

// Exhausted memory met in the core is failure 7 (the window's test meets it in the window).
TEST(Failures, ExhaustedMemoryIsFailure7) {
  EXPECT_EQ(FailureOf([] { WithMemoryFailure([]() -> int { throw std::bad_alloc(); }); }),
            "7: Memoria insuficiente");
}

// Both directions of the code page, every byte, against the C library's own converter.
TEST(CodePage, AgreesWithTheCLibraryForEveryByte) {
  const iconv_t decode = iconv_open("UTF-32LE", "CP1252");
  ASSERT_NE(decode, reinterpret_cast<iconv_t>(-1));
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char32_t code = 0;
    char* in_at = &in;
    char* out_at = reinterpret_cast<char*>(&code);
    std::size_t in_left = 1, out_left = sizeof code;
    const bool assigned = iconv(decode, &in_at, &in_left, &out_at, &out_left) != std::size_t(-1);
    EXPECT_EQ(FromWindows1252(static_cast<unsigned char>(b)), assigned ? code : char32_t(b)) << b;
    EXPECT_EQ(ToWindows1252(assigned ? code : char32_t(b)), assigned ? in : '?') << b;
  }
  iconv_close(decode);
  EXPECT_EQ(ToWindows1252(L"9\u202fPM \u0080\u4e00\u00e9"), "9?PM ??\xE9");
}

}  // namespace
}  // namespace tarvex
