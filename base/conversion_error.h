#pragma once

#include <array>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace tarvex {

// Failure numbers, the only ones any part of the program raises: the list below, with what
// each stands for, is the one place they are said. The window shows the number and its
// Spanish description in its error box, the command line on standard error, so both stay
// exactly as listed here. A function's comment names only the failures of its own; the ones
// an operating-system call may meet on a file are FileFailure's.
namespace failure {
inline constexpr int kInvalidArgument = 5;      // a slice would start before position 1
inline constexpr int kOverflow = 6;             // a count or position would pass 2147483647
inline constexpr int kOutOfMemory = 7;          // the text does not fit in memory
inline constexpr int kBadFileName = 52;         // empty path
inline constexpr int kFileNotFound = 53;        // the download file does not exist
inline constexpr int kReportIntoDownload = 55;  // the report would go into the open download
inline constexpr int kReportBusy = 56;          // another program kept the report file locked
inline constexpr int kDeviceIo = 57;            // a read or write fails for another reason
inline constexpr int kDiskFull = 61;            // no space left while writing the report
inline constexpr int kInputPastEnd = 62;        // the download file is empty
inline constexpr int kNoWriter = 68;            // nothing was written into a named pipe in time
inline constexpr int kPermissionDenied = 70;    // the operating system refuses access
inline constexpr int kPathFileAccess = 75;      // the path is a directory or otherwise unusable
inline constexpr int kPathNotFound = 76;        // a folder in the path does not exist

// Every number above, in order: the only failures the conversion raises.
inline constexpr std::array kAll = {
    kInvalidArgument,    kOverflow,         kOutOfMemory,    kBadFileName, kFileNotFound,
    kReportIntoDownload, kReportBusy,       kDeviceIo,       kDiskFull,    kInputPastEnd,
    kNoWriter,           kPermissionDenied, kPathFileAccess, kPathNotFound};
}  // namespace failure

// The one failure type of the conversion: a number and its description (UTF-8).
// what() gives the description.
class ConversionError : public std::runtime_error {
 public:
  // A failure with the standard description of `number` (see FailureDescription).
  explicit ConversionError(int number);
  ConversionError(int number, const std::string& description);

  int Number() const noexcept { return number_; }
  std::string Description() const { return what(); }

 private:
  int number_;
};

// The Spanish description of a failure number; an unknown number gets a generic text.
std::string FailureDescription(int number);

// The failure that an operating-system error code (an errno value) met while opening,
// reading or writing `path` stands for: 53 for a missing file (76 when a folder above it is
// missing too, or a part of the path is not a folder); 70 when access is refused; 75 for a
// directory, a read-only file system, a loop of links or a busy file; 52 for a name too long
// or not valid; 61 for a full disk, a quota or a file-size limit; 7 when the system is out of
// memory; 57 for anything else.
ConversionError FileFailure(int error_code, const std::filesystem::path& path);

// The failure of the operating-system call that just failed on `path`: FileFailure of errno,
// or of EIO when the call left errno unset.
ConversionError LastFileFailure(const std::filesystem::path& path);

// Raise failures 5 and 6 (kept out of line, off the scans' hot paths).
[[noreturn]] void ThrowInvalidArgument();
[[noreturn]] void ThrowOverflow();

// Runs `body`; turns exhausted memory (std::bad_alloc, std::length_error) into failure 7.
template <typename Body>
decltype(auto) WithMemoryFailure(Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    throw ConversionError(failure::kOutOfMemory);
  } catch (const std::length_error&) {
    throw ConversionError(failure::kOutOfMemory);
  }
}

}  // namespace tarvex
