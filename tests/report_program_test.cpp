// tarvex-report run as a user runs it: arguments in; report bytes, messages and exit status
// out. Each case of the transcript in the data folder (its header says how to read it) is a
// test of its own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <clocale>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using testing::DataFile;
using testing::ReadFile;

// Replaces every `from` in `text` with `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The reference downloads: every download in the data folder with its reports beside it.
std::vector<std::string> ReferenceDownloads() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(TARVEX_TEST_DATA_DIR)) {
    fs::path report = entry.path();
    if (entry.path().extension() == ".vlm" && fs::exists(report.replace_extension(".report.txt"))) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The files `names` (in the data folder unless absolute) one after another; "*" in a name
// stands for each reference download's stem in turn. As one table: each file after the first
// without its first line, the header row.
std::string Concatenated(const std::string& names, bool table = false) {
  std::istringstream words(names);
  std::string bytes;
  const auto add = [&](const std::string& file) {
    if (table && !bytes.empty()) {
      bytes += file.substr(std::min(file.size(), file.find('\n') + 1));
    } else {
      bytes += file;
    }
  };
  for (std::string name; words >> name;) {
    const auto star = name.find('*');
    if (star == std::string::npos) {
      add(ReadFile(fs::path(TARVEX_TEST_DATA_DIR) / name));
      continue;
    }
    for (const std::string& download : ReferenceDownloads()) {
      const std::string stem = fs::path(download).stem().string();
      add(ReadFile(fs::path(TARVEX_TEST_DATA_DIR) / Replaced(name, "*", stem)));
    }
  }
  return bytes;
}

// `text` with \r, \n, \e and \\ standing for a carriage return, a line feed, an escape and a
// backslash; any other backslash is itself.
std::string Unescaped(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t at = std::string_view("rne\\").find(i + 1 < text.size() ? text[i + 1] : ' ');
    if (text[i] != '\\' || at == std::string_view::npos) {
      bytes += text[i];
      continue;
    }
    bytes += "\r\n\x1b\\"[at];
    ++i;
  }
  return bytes;
}

bool LocaleInstalled(const std::string& name) {
  const locale_t installed = newlocale(LC_ALL_MASK, name.c_str(), nullptr);
  if (installed != nullptr) freelocale(installed);
  return installed != nullptr;
}

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// One case: a command and what it states about its run. Only what is stated is checked.
struct Case {
  int line = 0;  // of its command in the transcript
  std::string command;
  std::string needs;
  std::vector<std::function<void(const Outcome&, const fs::path& tmp)>> checks;
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
  return out << "line " << c.line << ": " << c.command;
}

// Reads the transcript into cases; an unknown keyword or a case with nothing to check is a
// mistake in the transcript, and fails the whole program.
std::vector<Case> ReadTranscript() {
  std::istringstream transcript(ReadFile(DataFile("report_program.txt")) + "\n");
  std::vector<Case> cases;
  Case current;
  std::string err;
  bool err_stated = false;
  const auto finish = [&] {
    if (current.command.empty()) return;
    if (err_stated) {
      current.checks.push_back([err](const Outcome& run, const fs::path& tmp) {
        EXPECT_EQ(run.err, Replaced(err, "$TMP", tmp.string()));
      });
    }
    if (current.checks.empty()) {
      throw std::runtime_error("transcript line " + std::to_string(current.line) +
                               ": a case with nothing to check");
    }
    cases.push_back(std::move(current));
    current = Case{};
    err.clear();
    err_stated = false;
  };
  int number = 0;
  for (std::string line; std::getline(transcript, line);) {
    ++number;
    line = Replaced(Unescaped(line), "$VERSION", TARVEX_VERSION);
    const std::string word = line.substr(0, line.find(' '));
    const std::string rest = line.substr(std::min(line.size(), word.size() + 1));
    if (line.empty()) {
      finish();
    } else if (word == "#") {
    } else if (word == "$") {
      current.line = number;
      current.command = rest;
    } else if (word == "needs") {
      current.needs = rest;
    } else if (word == "status") {
      current.checks.push_back([status = std::stoi(rest)](const Outcome& run, const fs::path&) {
        EXPECT_EQ(run.status, status);
      });
    } else if (word == "err") {
      err += rest + "\n";
      err_stated = true;
    } else if (word == "err-none") {
      err_stated = true;
    } else if (word == "out") {
      current.checks.push_back(
          [rest](const Outcome& run, const fs::path&) { EXPECT_EQ(run.out, Concatenated(rest)); });
    } else if (word == "out-table") {
      current.checks.push_back([rest](const Outcome& run, const fs::path&) {
        EXPECT_EQ(run.out, Concatenated(rest, true));
      });
    } else if (word == "out-is") {
      current.checks.push_back(
          [rest](const Outcome& run, const fs::path&) { EXPECT_EQ(run.out, rest); });
    } else if (word == "out-has") {
      current.checks.push_back([rest](const Outcome& run, const fs::path&) {
        EXPECT_NE(run.out.find(rest), std::string::npos) << run.out.substr(0, 200);
      });
    } else if (word == "file") {
      const std::string path = rest.substr(0, rest.find(' '));
      const std::string names = rest.substr(std::min(rest.size(), path.size() + 1));
      current.checks.push_back([path, names](const Outcome&, const fs::path& tmp) {
        const fs::path file = Replaced(path, "$TMP", tmp.string());
        EXPECT_EQ(ReadFile(file), Concatenated(names)) << file;
      });
    } else if (word == "absent") {
      current.checks.push_back([rest](const Outcome&, const fs::path& tmp) {
        EXPECT_FALSE(fs::exists(Replaced(rest, "$TMP", tmp.string()))) << rest;
      });
    } else {
      throw std::runtime_error("transcript line " + std::to_string(number) + ": unknown keyword «" +
                               word + "»");
    }
  }
  finish();
  return cases;
}

class Transcript : public ::testing::TestWithParam<Case> {};

TEST_P(Transcript, Holds) {
  const Case& c = GetParam();
  if (!c.needs.empty() && !LocaleInstalled(c.needs)) {
    GTEST_SKIP() << c.needs << " is not installed";
  }
  testing::TempDir dir;
  std::string downloads;
  for (const std::string& name : ReferenceDownloads()) downloads += name + " ";
  std::string command = Replaced(c.command, "$TMP", dir.path.string());
  command = Replaced(command, "$DOWNLOADS", downloads);
  command = Replaced(command, "tarvex-report", TARVEX_REPORT_PROGRAM);
  const int status = std::system(("cd " TARVEX_TEST_DATA_DIR " && { " + command + "; } >" +
                                  (dir / "out").string() + " 2>" + (dir / "err").string())
                                     .c_str());
  const Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "out"),
                    ReadFile(dir / "err")};
  for (const auto& check : c.checks) check(run, dir.path);
}

INSTANTIATE_TEST_SUITE_P(ReportProgram, Transcript, ::testing::ValuesIn(ReadTranscript()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return "line" + std::to_string(info.param.line);
                         });

}  // namespace
}  // namespace tarvex
