// tarvex-report run as a user runs it: arguments in; report bytes, messages and exit status
// out.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <memory>
#include <sstream>
#include <vector>

#include "test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using testing::DataFile;
using testing::ReadFile;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome Shell(const std::string& command) {
  testing::TempDir dir;
  const int status = std::system(
      ("{ " + command + "; } >" + (dir / "out").string() + " 2>" + (dir / "err").string()).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "out"),
          ReadFile(dir / "err")};
}

// Runs the program through the shell with `arguments` (and any redirection in them).
Outcome Report(const std::string& arguments) {
  return Shell(std::string(TARVEX_REPORT_PROGRAM) + " " + arguments);
}

// Every reference download with its classic-locale report, all in one run to standard
// output: the reports one after another, nothing on standard error (no progress line either,
// as it is not a terminal).
TEST(ReportProgram, EveryReferenceDownloadGivesTheSessionsReport) {
  std::string all_downloads;
  std::string all_reports;
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(TARVEX_TEST_DATA_DIR)) {
    const fs::path golden = fs::path(entry.path()).replace_extension(".report.C.txt");
    if (entry.path().extension() != ".vlm" || !fs::exists(golden)) continue;
    all_downloads += " " + entry.path().string();
    all_reports += ReadFile(golden);
    ++compared;
  }
  EXPECT_EQ(compared, 9);
  const Outcome all = Report("--locale=C" + all_downloads);
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.err, "");
  EXPECT_EQ(all.out, all_reports);
}

// Replaces every `from` in `text` with `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The files `names` (in the data folder unless absolute) one after another.
std::string Concatenated(std::istringstream names) {
  std::string bytes;
  for (std::string name; names >> name;) bytes += ReadFile(fs::path(TARVEX_TEST_DATA_DIR) / name);
  return bytes;
}

// Every case of the transcript in the data folder (its header says how to read it).
TEST(ReportProgram, TheTranscriptOfCasesHolds) {
  std::istringstream transcript(ReadFile(DataFile("report_program.txt")) + "\n");
  auto dir = std::make_unique<testing::TempDir>();
  std::string command, err, out, out_has;
  std::vector<std::pair<std::string, std::string>> files;
  int status = 0, cases = 0;
  for (std::string line; std::getline(transcript, line);) {
    line = Replaced(line, "$TMP", dir->path.string());
    for (const auto& [escape, byte] : {std::pair{"\\r", "\r"}, {"\\n", "\n"}, {"\\e", "\x1b"}}) {
      line = Replaced(line, escape, byte);
    }
    const std::string word = line.substr(0, line.find(' '));
    const std::string rest = line.substr(std::min(line.size(), word.size() + 1));
    if (word == "$") command = Replaced(rest, "tarvex-report", TARVEX_REPORT_PROGRAM);
    if (word == "status") status = std::stoi(rest);
    if (word == "err") err += rest + "\n";
    if (word == "out") out = Concatenated(std::istringstream(rest));
    if (word == "out-has") out_has = rest;
    if (word == "out-is") out = rest;
    if (word == "file")
      files.emplace_back(rest.substr(0, rest.find(' ')), rest.substr(rest.find(' ') + 1));
    if (!line.empty() || command.empty()) continue;
    SCOPED_TRACE(command);
    const Outcome run = Shell("cd " TARVEX_TEST_DATA_DIR " && " + command);
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.err, err);
    if (out_has.empty()) {
      EXPECT_EQ(run.out, out);
    }
    EXPECT_NE(run.out.find(out_has), std::string::npos);
    for (const auto& [path, names] : files)
      EXPECT_EQ(ReadFile(path), Concatenated(std::istringstream(names)));
    ++cases;
    command = err = out = out_has = "";
    files.clear();
    dir = std::make_unique<testing::TempDir>();
  }
  EXPECT_EQ(cases, 17);
}

}  // namespace
}  // namespace tarvex
