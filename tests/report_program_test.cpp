// tarvex-report run as a user runs it: arguments in; report bytes, messages and exit status
// out. Each case of the transcript in the data folder (its header says how to read it) is a
// test of its own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <clocale>
#include <optional>
#include <set>
#include <sstream>
#include <utility>
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

// The reference downloads: every download in the data folder with its reports beside it (by
// default), or with the output `beside` beside it (".days.csv": those of a short period).
std::vector<std::string> ReferenceDownloads(const std::string& beside = ".report.txt") {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(TARVEX_TEST_DATA_DIR)) {
    if (entry.path().extension() == ".vlm" &&
        fs::exists(fs::path(entry.path()).replace_extension(beside))) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The files `names` (in the data folder unless absolute) one after another; "*" in a name
// stands for the stem of each of `downloads` in turn. As one table: each file after the first
// without its first line, the header row.
std::string Concatenated(const std::string& names, const std::vector<std::string>& downloads,
                         bool table = false) {
  std::istringstream words(names);
  std::string bytes;
  for (std::string name; words >> name;) {
    std::vector<std::string> files = {name};
    if (name.find('*') != std::string::npos) {
      files.clear();
      for (const std::string& download : downloads) {
        files.push_back(Replaced(name, "*", fs::path(download).stem().string()));
      }
    }
    for (const std::string& file : files) {
      const std::string read = ReadFile(DataFile(file));
      bytes +=
          table && !bytes.empty() ? read.substr(std::min(read.size(), read.find('\n') + 1)) : read;
    }
  }
  return bytes;
}

// Whether `actual` is `expected`; when not, where they part: the line of each there (a whole
// diff of two long outputs would take the product of their lengths in time and memory).
::testing::AssertionResult Same(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  const auto parted = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  const auto at = static_cast<std::size_t>(parted.first - actual.begin());
  std::size_t from = at;
  while (from > 0 && actual[from - 1] != '\n') --from;
  const auto line = [&](const std::string& text) {
    return ::testing::PrintToString(
        text.substr(from, std::min<std::size_t>(text.find('\n', from) - from, 200)));
  };
  return ::testing::AssertionFailure()
         << "they part at byte " << at << ", line "
         << std::count(actual.begin(), parted.first, '\n') + 1 << ": " << line(actual) << " where "
         << line(expected) << " is expected (" << actual.size() << " bytes, " << expected.size()
         << " expected)";
}

// `text` with \r, \n, \e and \\ standing for a carriage return, a line feed, an escape and a
// backslash; any other backslash is itself.
std::string Unescaped(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t at = text[i] == '\\' && i + 1 < text.size()
                               ? std::string_view("rne\\").find(text[i + 1])
                               : std::string_view::npos;
    bytes += at == std::string_view::npos ? text[i] : "\r\n\x1b\\"[at];
    i += at == std::string_view::npos ? 0 : 1;
  }
  return bytes;
}

bool LocaleInstalled(const std::string& name) {
  const locale_t installed = newlocale(LC_ALL_MASK, name.c_str(), nullptr);
  if (installed != nullptr) freelocale(installed);
  return installed != nullptr;
}

// One case: a command and what it states about its run, each statement as a keyword and what
// follows it. Only what is stated is checked.
struct Case {
  int line = 0;  // of its command in the transcript
  std::string command;
  std::string needs;
  std::vector<std::pair<std::string, std::string>> checks;
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
  return out << "line " << c.line << ": " << c.command;
}

// Reads the transcript into cases; an unknown keyword or a case with nothing to check is a
// mistake in the transcript, and fails the whole program.
std::vector<Case> ReadTranscript() {
  const std::set<std::string> checks = {"status", "err",       "err-none", "out",   "out-has",
                                        "out-is", "out-table", "file",     "absent"};
  std::istringstream transcript(ReadFile(DataFile("report_program.txt")) + "\n");
  std::vector<Case> cases;
  Case current;
  int number = 0;
  for (std::string line; std::getline(transcript, line);) {
    ++number;
    line = Replaced(Unescaped(line), "$VERSION", TARVEX_VERSION);
    const std::string word = line.substr(0, line.find(' '));
    const std::string rest = line.substr(std::min(line.size(), word.size() + 1));
    if (line.empty() && !current.command.empty()) {
      if (current.checks.empty()) {
        throw std::runtime_error("transcript line " + std::to_string(current.line) +
                                 ": a case with nothing to check");
      }
      cases.push_back(std::exchange(current, Case{}));
    } else if (word == "$") {
      current.line = number;
      current.command = rest;
    } else if (word == "needs") {
      current.needs = rest;
    } else if (checks.contains(word)) {
      current.checks.emplace_back(word, rest);
    } else if (!line.empty() && word != "#") {
      throw std::runtime_error("transcript line " + std::to_string(number) + ": unknown keyword «" +
                               word + "»");
    }
  }
  return cases;
}

class Transcript : public ::testing::TestWithParam<Case> {};

TEST_P(Transcript, Holds) {
  const Case& c = GetParam();
  if (!c.needs.empty() && !LocaleInstalled(c.needs)) {
    GTEST_SKIP() << c.needs << " is not installed";
  }
  testing::TempDir dir;
  const auto here = [&](const std::string& text) {
    return Replaced(text, "$TMP", dir.path.string());
  };
  // "*" follows the downloads the command names: the short ones when it names them.
  const bool short_only = c.command.find("$SHORT_DOWNLOADS") != std::string::npos;
  const std::vector<std::string> downloads =
      ReferenceDownloads(short_only ? ".days.csv" : ".report.txt");
  std::string command = here(c.command);
  for (const auto& [variable, beside] :
       {std::pair{"$SHORT_DOWNLOADS", ".days.csv"}, std::pair{"$DOWNLOADS", ".report.txt"}}) {
    std::string names;
    for (const std::string& name : ReferenceDownloads(beside)) names += name + " ";
    command = Replaced(command, variable, names);
  }
  command = Replaced(command, "tarvex-report", TARVEX_REPORT_PROGRAM);
  const int status = std::system(("cd " TARVEX_TEST_DATA_DIR " && { " + command + "; } >" +
                                  (dir / "out").string() + " 2>" + (dir / "err").string())
                                     .c_str());
  const std::string out = ReadFile(dir / "out");
  std::optional<std::string> err;  // as the lines "err" state it, when they do
  for (const auto& [word, rest] : c.checks) {
    const std::string first = rest.substr(0, rest.find(' '));  // the path of "file" and "absent"
    const std::string path = here(first);
    if (word == "status") {
      EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::stoi(rest));
    } else if (word == "err" || word == "err-none") {
      err = err.value_or("") + (word == "err" ? here(rest) + "\n" : "");
    } else if (word == "out" || word == "out-table") {
      EXPECT_TRUE(Same(out, Concatenated(rest, downloads, word == "out-table")));
    } else if (word == "out-is") {
      EXPECT_EQ(out, rest);
    } else if (word == "out-has") {
      EXPECT_NE(out.find(rest), std::string::npos) << out.substr(0, 200);
    } else if (word == "file") {
      EXPECT_TRUE(
          Same(ReadFile(path),
               Concatenated(rest.substr(std::min(rest.size(), first.size() + 1)), downloads)))
          << path;
    } else {
      EXPECT_FALSE(fs::exists(path)) << path;
    }
  }
  if (err) {
    EXPECT_EQ(ReadFile(dir / "err"), *err);
  }
}

INSTANTIATE_TEST_SUITE_P(ReportProgram, Transcript, ::testing::ValuesIn(ReadTranscript()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return "line" + std::to_string(info.param.line);
                         });

}  // namespace
}  // namespace tarvex
