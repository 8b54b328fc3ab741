#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "conversion/conversion_error.h"
#include "fixed_formatter.h"

namespace tarvex::testing {

// A fresh folder for one test, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);
std::filesystem::path DataFile(const std::string& name);

// The failure number `body` raises, or -1 when it returns normally.
template <typename Body>
int FailureOf(Body&& body) {
  try {
    body();
  } catch (const ConversionError& e) {
    return e.Number();
  }
  return -1;
}

}  // namespace tarvex::testing
