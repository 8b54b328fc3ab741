// The report writer, and the whole pipeline against the golden reports.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "conversion/download_file.h"
#include "conversion/event_scan.h"
#include "conversion/report_writer.h"
#include "conversion/stamp_decoder.h"
#include "test_support.h"

namespace tarvex {
namespace {

using testing::FailureOf;
using testing::ReadFile;
using testing::WriteFile;

// Open, then Conversion, as the window runs them.
ConversionState Convert(const std::filesystem::path& download) {
  ConversionState state;
  OpenDownloadFile(state, download);
  ResetState(state);
  ParseHeader(state);
  testing::FixedFormatter fixed;
  ScanEvents(state);
  ScanExits(state);
  ScanEntries(state);
  BuildExitList(state, fixed);
  BuildEntryList(state, fixed);
  return state;
}

TEST(Report, GoldenFilesGiveTheExactReportBytes) {
  for (const char* name : {"worked_example", "small_download"}) {
    SCOPED_TRACE(name);
    testing::TempDir dir;
    ConversionState state = Convert(testing::DataFile(std::string(name) + ".vlm"));
    AppendReport(state, dir / "report.txt");
    EXPECT_EQ(ReadFile(dir / "report.txt"),
              ReadFile(testing::DataFile(std::string(name) + ".report.txt")));
  }
}

TEST(Report, EmptyStateAndShortDownloadDate) {
  ConversionState state;
  EXPECT_EQ(ReportText(state),
            "ENTRADAS\r\n\r\nSALIDAS\r\n\r\nENTRADAS=0 SALIDAS=0 TOTAL=0\r\n\r\n"
            "CONTADOR GLOBAL:  NUMERO DE SERIE: \r\nFECHA DE DESCARGA:\r\n");
  state.FileText = "$3E654A3B@&000123xx0701/03";
  ParseHeader(state);
  EXPECT_EQ(ReportText(state),
            "ENTRADAS\r\n\r\nSALIDAS\r\n\r\nENTRADAS=0 SALIDAS=0 TOTAL=0\r\n\r\n"
            "CONTADOR GLOBAL: 000123 NUMERO DE SERIE: 07\r\nFECHA DE DESCARGA:01/03\r\n");
}

TEST(Report, AppendsAfterEarlierContentAndStacksReports) {
  testing::TempDir dir;
  ConversionState state = Convert(testing::DataFile("worked_example.vlm"));
  const std::string golden = ReadFile(testing::DataFile("worked_example.report.txt"));
  WriteFile(dir / "r.txt", "earlier\r\n");
  AppendReport(state, dir / "r.txt");
  AppendReport(state, dir / "r.txt");
  EXPECT_EQ(ReadFile(dir / "r.txt"), "earlier\r\n" + golden + golden);
  EXPECT_EQ(state.ReportFileNumber, 1);
}

TEST(Report, FailuresLeaveTheFileExactlyAsItWas) {
  testing::TempDir dir;
  ConversionState state = Convert(testing::DataFile("small_download.vlm"));
  std::filesystem::create_directory(dir / "folder");
  WriteFile(dir / "plain", "x");
  struct Case {
    const char* name;
    std::filesystem::path path;
    int number;
  } cases[] = {
      {"empty path", "", failure::kBadFileName},
      {"directory", dir / "folder", failure::kPathFileAccess},
      {"missing folder", dir / "nowhere" / "r.txt", failure::kPathNotFound},
      {"file used as a folder", dir / "plain" / "r.txt", failure::kPathNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FailureOf([&] { AppendReport(state, c.path); }), c.number);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
  EXPECT_EQ(ReadFile(dir / "plain"), "x");
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_EQ(FailureOf([&] { AppendReport(state, "/dev/full"); }), failure::kDiskFull);
  }
}

// A file-size limit makes the write fail part-way through a real file that already holds a
// report, as a full disk would: the half-written report must be cut away again.
TEST(Report, AWriteFailingPartWayLeavesTheEarlierContentExactly) {
  testing::TempDir dir;
  ConversionState state = Convert(testing::DataFile("small_download.vlm"));
  const std::string earlier = "earlier report\r\n" + ReportText(state);
  WriteFile(dir / "r.txt", earlier);

  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit limit = old_limit;
  limit.rlim_cur = earlier.size() + 100;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const int number = FailureOf([&] { AppendReport(state, dir / "r.txt"); });
  const int new_file = FailureOf([&] { AppendReport(state, dir / "new.txt"); });
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(number, failure::kDiskFull);
  EXPECT_EQ(ReadFile(dir / "r.txt"), earlier);
  EXPECT_EQ(new_file, -1);  // a report that fits is written whole
  EXPECT_EQ(ReadFile(dir / "new.txt"), ReportText(state));
}

}  // namespace
}  // namespace tarvex
