// tarvex-report run as a user runs it: arguments in; report bytes, messages and exit status
// out.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <clocale>
#include <iostream>
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

bool LocaleInstalled(const std::string& name) {
  const locale_t installed = newlocale(LC_ALL_MASK, name.c_str(), nullptr);
  if (installed != nullptr) freelocale(installed);
  return installed != nullptr;
}

// Every case of the transcript in the data folder (its header says how to read it).
TEST(ReportProgram, TheTranscriptOfCasesHolds) {
  std::istringstream transcript(ReadFile(DataFile("report_program.txt")) + "\n");
  auto dir = std::make_unique<testing::TempDir>();
  std::string command, err, out, out_has, needs;
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
    if (word == "needs") needs = rest;
    if (word == "file")
      files.emplace_back(rest.substr(0, rest.find(' ')), rest.substr(rest.find(' ') + 1));
    if (!line.empty() || command.empty()) continue;
    SCOPED_TRACE(command);
    if (!needs.empty() && !LocaleInstalled(needs)) {
      std::cout << "Skipped, " << needs << " is not installed: " << command << "\n";
    } else {
      const Outcome run = Shell("cd " TARVEX_TEST_DATA_DIR " && " + command);
      EXPECT_EQ(run.status, status);
      EXPECT_EQ(run.err, err);
      if (out_has.empty()) {
        EXPECT_EQ(run.out, out);
      }
      EXPECT_NE(run.out.find(out_has), std::string::npos);
      for (const auto& [path, names] : files)
        EXPECT_EQ(ReadFile(path), Concatenated(std::istringstream(names)));
    }
    ++cases;
    command = err = out = out_has = needs = "";
    files.clear();
    dir = std::make_unique<testing::TempDir>();
  }
  EXPECT_EQ(cases, 27);
}

}  // namespace
}  // namespace tarvex
