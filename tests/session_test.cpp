// The three commands over one session: reference reports, and the rules each command keeps
// on success and on failure.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "analysis/counts_format.h"
#include "conversion/conversion_session.h"
#include "conversion/open_file.h"
#include "conversion/report_writer.h"
#include "test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using testing::FailureOf;
using testing::ReadFile;
using testing::WriteFile;

const testing::FixedFormatter kFixed;

// Every download in the reference folder with each expected output beside it: ".report.txt"
// under the fixed regional forms, ".report.C.txt" under the classic locale, and what its
// counts say (".passages.csv", ".intervals15.csv", ".intervals60.csv", ".summary.txt"), each
// written into an empty file as a Save writes it.
TEST(Session, EveryReferenceDownloadGivesItsOutputsExactly) {
  const SystemFormatter classic{std::string("C")};
  const std::pair<const char*, const RegionalFormatter*> forms[] = {{".report.txt", &kFixed},
                                                                    {".report.C.txt", &classic}};
  const std::tuple<const char*, const char*, int> tables[] = {{".passages.csv", "passages", 60},
                                                              {".intervals15.csv", "intervals", 15},
                                                              {".intervals60.csv", "intervals", 60},
                                                              {".summary.txt", "summary", 60}};
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(TARVEX_TEST_DATA_DIR)) {
    if (entry.path().extension() != ".vlm" ||
        !fs::exists(fs::path(entry.path()).replace_extension(".report.txt"))) {
      continue;
    }
    const auto expected = [&](const char* suffix) {
      return ReadFile(fs::path(entry.path()).replace_extension(suffix));
    };
    testing::TempDir dir;
    for (const auto& [suffix, formatter] : forms) {
      SCOPED_TRACE(entry.path().filename().string() + suffix);
      ConversionSession session;
      session.Open(entry.path());
      session.Convert(*formatter);
      session.Convert(*formatter);  // a second Conversion adds nothing
      session.Save(dir / suffix);
      EXPECT_EQ(ReadFile(dir / suffix), expected(suffix));
      const ConversionState& state = session.State();
      EXPECT_EQ(state.EventList + state.ExitRaw + state.EntryRaw, "");  // given back once read
      for (const auto& [table, format, minutes] : tables) {
        SaveCounts(session, entry.path().filename().string(), *MakeCountsFormat(format, minutes),
                   dir / table, {});
        EXPECT_EQ(ReadFile(dir / table), expected(table)) << table;
        fs::remove(dir / table);
      }
      ++compared;
    }
  }
  EXPECT_EQ(compared, 24);
}

// The peak-hour factor at volumes no reference download reaches, past where 200 x the volume
// leaves 32 bits: each row's exact fraction and its value in hundredths, rounded half up.
TEST(CountAnalysis, ThePeakHourFactorHoldsAtAnyVolume) {
  const struct {
    std::int64_t volume, largest;
    int factor;
  } rows[] = {
      {10'800'000, 10'800'000, 25},       // 1/4: a whole hour in one quarter
      {15'000'000, 6'000'000, 63},        // 15/24 = 0.625: 62.5, half up
      {14'999'999, 6'000'000, 62},        // 0.62499996
      {1'250'000'000, 500'000'000, 63},   // 125/200 = 0.625
      {1'249'999'999, 500'000'000, 62},   // 0.6249999995
      {1'000'000'001, 333'333'334, 75},   // 0.75 - 1/1333333336
      {2'000'000'000, 500'000'000, 100},  // 1: four equal quarters
      {3, 2, 38},                         // 3/8 = 0.375: 37.5, half up
      {0, 0, 0},                          // no passages
  };
  for (const auto& row : rows) {
    EXPECT_EQ(PeakHourFactor(row.volume, row.largest), row.factor)
        << row.volume << "/" << row.largest;
  }
}

// The download date at the edges of a date and time: what is read as one, and which passages
// are after it, to the second (a stamp holds even seconds, a download date any second).
TEST(CountAnalysis, TheDownloadDateIsReadAndComparedAtItsEdges) {
  // 5 November 2026 at 12:00:00 and at 12:00:02; 29 February 2100, not a date (not a leap year).
  const std::string text = "$5D656000@$5D656001#$F05D0000@";
  const std::vector<Passage> passages = CollectPassages(text);
  using Records = std::vector<std::int64_t>;
  const std::pair<const char*, Records> read[] = {
      {"05/11/2026 11:59:59", {1, 2}}, {"05/11/2026 12:00:00", {2}},
      {"05/11/2026 12:00:01", {2}},    {"05/11/2026 12:00:02", {}},
      {"29/02/2000 00:00:00", {1, 2}}, {"31/12/2107 23:59:59", {}}};
  // Not read; the last five have a field too wide for its bits, spilling into the next one.
  const char* const unread[] = {"29/02/2100 00:00:00", "01/01/2108 00:00:00", "31/12/1979 23:59:59",
                                "00/11/2026 12:00:00", "05/13/2026 12:00:00", "05/11/2026 24:00:00",
                                "05/11/2026 12:60:00", "05/11/2026 12:00:60", "33/10/2026 12:00:00",
                                "01/17/2026 12:00:00", "05/11/2026 32:00:00", "05/11/2026 11:64:00",
                                "05/11/2026 12:00:64"};
  for (const auto& [date, after] : read) {
    const CountAnalysis a = AnalyzeCounts(text, passages, date);
    EXPECT_TRUE(a.download_date_read) << date;
    EXPECT_EQ(a.after_download.first, after) << date;
    EXPECT_EQ(a.invalid.first, Records{3});
  }
  for (const char* date : unread) {
    EXPECT_FALSE(AnalyzeCounts(text, passages, date).download_date_read) << date;
  }
}

// An Open forgets the lists and counts of the file before; reports stack in one file.
TEST(Session, ReportsStackAfterEarlierContentAndAnOpenForgetsTheEarlierFile) {
  testing::TempDir dir;
  ConversionSession session;
  session.Save(dir / "r.txt");
  session.Open(testing::DataFile("small_download.vlm"));
  session.Convert(kFixed);
  session.Open(testing::DataFile("worked_example.vlm"));
  session.Save(dir / "r.txt");
  session.Convert(kFixed);
  session.Save(dir / "r.txt");
  session.Save(dir / "r.txt");
  const std::string golden = ReadFile(testing::DataFile("worked_example.report.txt"));
  EXPECT_EQ(ReadFile(dir / "r.txt"),
            testing::kEmptyReport +
                std::string("ENTRADAS\r\n\r\nSALIDAS\r\n\r\nENTRADAS=0 SALIDAS=0 TOTAL=0\r\n\r\n"
                            "CONTADOR GLOBAL: 000123 NUMERO DE SERIE: 07\r\n"
                            "FECHA DE DESCARGA:DDDDDDDDDDDDDDDDDDDD\r\n") +
                golden + golden);
  EXPECT_EQ(session.State().ReportFileNumber, 1);
}

TEST(Session, AFailedOpenLeavesTheStateOfStartUp) {
  testing::TempDir dir;
  WriteFile(dir / "empty.vlm", "");
  fs::create_directory(dir / "folder.vlm");
  const std::pair<fs::path, const char*> cases[] = {
      {"", "52: Nombre o número de archivo incorrecto"},
      {dir / "nowhere" / "d.vlm", "76: No se encontró la ruta de acceso"},
      {dir / "empty.vlm" / "d.vlm", "76: No se encontró la ruta de acceso"},
      {dir / "folder.vlm", "75: Error de acceso a la ruta o el archivo"},
      {dir / "empty.vlm", "62: La entrada sobrepasa el final del archivo: el archivo está vacío"}};
  for (const auto& [path, failure] : cases) {
    SCOPED_TRACE(path);
    ConversionSession session;
    session.Open(testing::DataFile("small_download.vlm"));
    session.Convert(kFixed);
    EXPECT_EQ(FailureOf([&] { session.Open(path); }), failure);
    EXPECT_EQ(session.State().FileText + session.State().HeaderPosText, "");
    EXPECT_TRUE(session.Download().empty());
    session.Convert(kFixed);
    EXPECT_EQ(ReportText(session.State()), testing::kEmptyReport);
  }
}

TEST(Session, AFailedSaveLosesNothingAndRemovesNothingItDidNotCreate) {
  testing::TempDir dir;
  fs::create_directory(dir / "folder");
  WriteFile(dir / "plain", "x");
  const std::pair<fs::path, const char*> cases[] = {
      {"", "52: Nombre o número de archivo incorrecto"},
      {dir / "folder", "75: Error de acceso a la ruta o el archivo"},
      {dir / "nowhere" / "r.txt", "76: No se encontró la ruta de acceso"},
      {dir / "plain" / "r.txt", "76: No se encontró la ruta de acceso"},
      {"/dev/full", "61: Disco lleno"}};
  ConversionSession session;
  session.Open(testing::DataFile("small_download.vlm"));
  session.Convert(kFixed);
  for (const auto& [path, failure] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(FailureOf([&] { session.Save(path); }), failure);
  }
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
  EXPECT_EQ(ReadFile(dir / "plain"), "x");
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// A file-size limit makes a write fail part-way, as a full disk would: the half-written
// report is cut away from a file that was there, and a file the Save created is removed.
TEST(Session, AWriteFailingPartWayIsUndoneThroughTheOpenFile) {
  testing::TempDir dir;
  ConversionSession session;
  session.Open(testing::DataFile("small_download.vlm"));
  session.Convert(kFixed);
  WriteFile(dir / "r.txt", "earlier\r\n");
  WriteFile(dir / "empty.txt", "");
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit limit = old_limit;
  limit.rlim_cur = ReportText(session.State()).size() - 1;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  // Held open by the caller: for appending, and written at its current end.
  WriteFile(dir / "appending.txt", "earlier\r\n");
  WriteFile(dir / "at_end.txt", "earlier\r\n");
  const OpenFile appending(::open((dir / "appending.txt").c_str(), O_WRONLY | O_APPEND));
  const OpenFile at_end(::open((dir / "at_end.txt").c_str(), O_WRONLY));
  ::lseek(at_end.Descriptor(), 0, SEEK_END);
  std::string failures;
  for (const char* name : {"r.txt", "empty.txt", "new.txt"}) {
    failures += FailureOf([&] { session.Save(dir / name); }) + ";";
  }
  for (const OpenFile* held : {&appending, &at_end}) {
    failures += FailureOf([&] { session.Save(held->Descriptor(), "held"); }) + ";";
  }
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(failures,
            "61: Disco lleno;61: Disco lleno;61: Disco lleno;61: Disco lleno;61: Disco lleno;");
  for (const char* name : {"r.txt", "appending.txt", "at_end.txt"}) {
    EXPECT_EQ(ReadFile(dir / name), "earlier\r\n") << name;
  }
  EXPECT_EQ(::lseek(at_end.Descriptor(), 0, SEEK_CUR), 9);  // the next write follows on
  EXPECT_TRUE(fs::exists(dir / "empty.txt") && fs::file_size(dir / "empty.txt") == 0);
  EXPECT_FALSE(fs::exists(dir / "new.txt"));
}

}  // namespace
}  // namespace tarvex
