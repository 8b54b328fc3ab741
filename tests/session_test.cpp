// The three commands over one session: reference reports, and the rules each command keeps
// on success and on failure.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>

#include "analysis/output_format.h"
#include "analysis/workbook.h"
#include "base/open_file.h"
#include "base/replace_file.h"
#include "conversion/conversion_session.h"
#include "test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using testing::FailureOf;
using testing::ReadFile;
using testing::WriteFile;

const testing::FixedFormatter kFixed;

void SaveReport(ConversionSession& session, const OutputTarget& to, const LockWait& wait = {}) {
  SaveOutput(session, "", *MakeOutputFormat(format_name::kReport), to, wait);
}

// Every download in the reference folder gives its ".report.txt", under the fixed regional
// forms (what its counts say, and the report in the classic locale, the command-line
// transcript compares).
TEST(Session, EveryReferenceDownloadGivesItsReportExactly) {
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(TARVEX_TEST_DATA_DIR)) {
    const fs::path report = fs::path(entry.path()).replace_extension(".report.txt");
    if (entry.path().extension() != ".vlm" || !fs::exists(report)) continue;
    SCOPED_TRACE(report);
    testing::TempDir dir;
    ConversionSession session;
    session.Open(entry.path());
    session.Convert(kFixed);
    session.Convert(kFixed);  // a second Conversion adds nothing
    SaveReport(session, dir / "r.txt");
    EXPECT_EQ(ReadFile(dir / "r.txt"), ReadFile(report));
    const ConversionState& state = session.State();
    EXPECT_EQ(state.EventList + state.ExitRaw + state.EntryRaw, "");  // given back once read
    ++compared;
  }
  EXPECT_EQ(compared, 29);
}

// The peak-hour factor at volumes no reference download reaches, past where 200 x the volume
// leaves 32 bits: each row's exact fraction and its value in hundredths, rounded half up.
TEST(CountAnalysis, ThePeakHourFactorHoldsAtAnyVolume) {
  const struct {
    std::int64_t volume, largest;
    int factor;
  } rows[] = {
      {1'250'000'000, 500'000'000, 63},   // 125/200 = 0.625
      {1'249'999'999, 500'000'000, 62},   // 0.6249999995
      {1'000'000'001, 333'333'334, 75},   // 0.75 - 1/1333333336
      {2'000'000'000, 500'000'000, 100},  // 1: four equal quarters
      {0, 0, 0},                          // no passages
  };
  for (const auto& row : rows) {
    EXPECT_EQ(PeakHourFactor(row.volume, row.largest), row.factor)
        << row.volume << "/" << row.largest;
  }
}

// A file that fails at a chosen byte, as a full disk would, and tells whether another writer
// could have taken the file (through a name of its own) while it was being cut back.
class FailAtByte final : public AppendDevice {
 public:
  FailAtByte(fs::path name, std::size_t fail_at) : name_(std::move(name)), left_(fail_at) {}
  ssize_t Write(int descriptor, const void* data, std::size_t size) override {
    if (left_ == 0) return errno = ENOSPC, -1;
    const ssize_t wrote = SystemDevice().Write(descriptor, data, std::min(size, left_));
    if (wrote > 0) left_ -= static_cast<std::size_t>(wrote);
    return wrote;
  }
  int Truncate(int descriptor, off_t size) override {
    const OpenFile other(::open(name_.c_str(), O_RDONLY));
    held_during_undo = other && ::flock(other.Descriptor(), LOCK_EX | LOCK_NB) != 0;
    return SystemDevice().Truncate(descriptor, size);
  }
  int Lock(int descriptor, int operation) override {
    return SystemDevice().Lock(descriptor, operation);
  }
  bool held_during_undo = false;

 private:
  fs::path name_;
  std::size_t left_;
};

// A write failing at the first byte, in the middle or at the last: a file the append created
// is gone, a file with content is as it was, and a file the caller holds is back at its end
// (opened without O_APPEND: its next write follows on); each cut back still under the lock.
TEST(AppendWhole, AWriteFailingAtAnyByteIsUndoneUnderTheLock) {
  testing::TempDir dir;
  const std::string_view pieces[] = {"ENTRADAS\r\n", "05/03/2011    09:17:54\r\n", "\r\n"};
  const AppendPieces append = [&](const AppendedFile&, const AppendWrite& write) {
    for (const std::string_view piece : pieces) write(piece);
  };
  std::string failures;
  for (const std::size_t fail_at : {std::size_t{0}, std::size_t{17}, std::size_t{35}}) {
    for (const std::string target : {"new", "content", "held"}) {
      SCOPED_TRACE(target + " " + std::to_string(fail_at));
      const fs::path path = dir / (target + std::to_string(fail_at));
      if (target != "new") WriteFile(path, "earlier\r\n");
      const OpenFile held(target == "held" ? ::open(path.c_str(), O_WRONLY) : -1);
      if (held) ::lseek(held.Descriptor(), 0, SEEK_END);
      FailAtByte device(path, fail_at);
      failures += FailureOf([&] {
        if (held) return AppendWhole(held.Descriptor(), "held", {}, {}, append, device);
        AppendWhole(path, {}, {}, append, device);
      });
      failures += device.held_during_undo ? " under the lock;" : " unlocked;";
      EXPECT_EQ(fs::exists(path) ? ReadFile(path) : "none",
                target == "new" ? "none" : "earlier\r\n");
      if (held) {
        EXPECT_EQ(::lseek(held.Descriptor(), 0, SEEK_CUR), 9);
      }
    }
  }
  std::string expected;
  for (int i = 0; i < 9; ++i) expected += "61: Disco lleno under the lock;";
  EXPECT_EQ(failures, expected);
}

// The report file swapped for a link (symbolic or hard) to the open download while a Save
// waits for another program's lock on it (an export takes the same path): nothing goes into
// the download.
TEST(Session, ANameSwappedWhileASaveWaitsNeverLeadsIntoTheDownload) {
  testing::TempDir dir;
  const std::string download = ReadFile(testing::DataFile("small_download.vlm"));
  WriteFile(dir / "d.vlm", download);
  ConversionSession session;
  session.Open(dir / "d.vlm");
  session.Convert(kFixed);
  std::string failures;
  for (const bool hard : {false, true}) {
    WriteFile(dir / "r.txt", "");
    const OpenFile holder(::open((dir / "r.txt").c_str(), O_RDONLY));
    ASSERT_EQ(::flock(holder.Descriptor(), LOCK_EX), 0);
    const LockWait swap{std::nullopt, [&] {
                          fs::rename(dir / "r.txt", dir / "r.old");
                          if (hard) {
                            fs::create_hard_link(dir / "d.vlm", dir / "r.txt");
                          } else {
                            fs::create_symlink("d.vlm", dir / "r.txt");
                          }
                          ::flock(holder.Descriptor(), LOCK_UN);
                        }};
    failures += FailureOf([&] { SaveReport(session, dir / "r.txt", swap); }) + ";";
    fs::remove(dir / "r.txt");
  }
  const std::string refused =
      "55: El informe no puede guardarse en el archivo de descarga abierto;";
  // The download replaced on disk since the Open is refused by its name as well.
  WriteFile(dir / "new.vlm", download);
  fs::rename(dir / "new.vlm", dir / "d.vlm");
  failures += FailureOf([&] { SaveReport(session, dir / "d.vlm"); }) + ";";
  EXPECT_EQ(failures, refused + refused + refused);
  EXPECT_EQ(ReadFile(dir / "d.vlm"), download);
}

// A workbook whose sheets hold 3 rows: every table goes on in its next sheet (Días 2, Horas 2,
// ..., Pasos 2, ...), each full before the next, every row once, as the reference tables have
// them, the daily chart drawing from the sheet of the first day (read back by a real client).
// A workbook never closed leaves nothing.
TEST(Workbook, TablesGoOnInTheNextSheetWhenOneIsFull) {
  testing::TempDir dir;
  ConversionSession session;
  session.Open(fs::path(TARVEX_TEST_DATA_DIR) / "car_park.vlm");
  session.Convert(kFixed);
  {
    Workbook never(dir / "never.xlsx");
    AddToWorkbook(never, {{"car_park.vlm", session}});
  }
  EXPECT_FALSE(fs::exists(dir / "never.xlsx"));
  // A file that comes under the name while the workbook is written stays, said as one kept.
  {
    WholeReplacement late(dir / "late.xlsx", {}, false);
    WriteFile(dir / "late.xlsx", "kept");
    EXPECT_THROW(late.Commit(false, {}), WholeReplacement::Exists);
  }
  EXPECT_EQ(ReadFile(dir / "late.xlsx"), "kept");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / ""), fs::directory_iterator()), 1);
  Workbook book(dir / "b.xlsx", 4);
  AddToWorkbook(book, {{"car_park.vlm", session}});
  book.Close();
  const std::string check = "/usr/bin/python3 " TARVEX_TEST_DATA_DIR
                            "/check_workbook.py --rows 4 " +
                            (dir / "b.xlsx").string() + " car_park";
  EXPECT_EQ(std::system(check.c_str()), 0);
}

}  // namespace
}  // namespace tarvex
