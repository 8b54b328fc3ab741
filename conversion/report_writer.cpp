#include "conversion/report_writer.h"

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <vector>

#include "conversion/conversion_error.h"

namespace tarvex {

namespace {

// The report as a sequence of pieces, in file order. The big lists are referred to, not
// copied, so a report of a large download costs no second copy of its lists.
std::vector<std::string_view> ReportPieces(const ConversionState& state,
                                           std::vector<std::string>& owned) {
  owned = {
      "ENTRADAS=" + Decimal(state.EntryCount) + " " + "SALIDAS=" + Decimal(state.ExitCount) +
          " " + "TOTAL=" + Decimal(state.TotalCount) + "\r\n\r\n",
      "CONTADOR GLOBAL:" + std::string(" ") + state.GlobalCounter + " " + "NUMERO DE SERIE:" +
          " " + state.SerialNumber + "\r\n",
      "FECHA DE DESCARGA:" + state.DownloadDate + "\r\n",
  };
  return {"ENTRADAS\r\n", state.EntryList, "\r\n", "SALIDAS\r\n", state.ExitList, "\r\n",
          owned[0],       owned[1],        owned[2]};
}

// Closes the file (when still open) and cuts it back to `length` bytes, or removes it when
// it did not exist before; then raises `failure`, the fault that caused it.
[[noreturn]] void Undo(std::FILE* file, const std::filesystem::path& path, bool existed,
                       std::uintmax_t length, const ConversionError& failure) {
  if (file != nullptr) std::fclose(file);
  std::error_code ec;
  if (!existed) {
    std::filesystem::remove(path, ec);
  } else if (std::filesystem::is_regular_file(path, ec) &&
             std::filesystem::file_size(path, ec) != length) {
    std::filesystem::resize_file(path, length, ec);
  }
  throw failure;
}

}  // namespace

std::string ReportText(const ConversionState& state) {
  return WithMemoryFailure([&] {
    std::vector<std::string> owned;
    std::string text;
    for (std::string_view piece : ReportPieces(state, owned)) text.append(piece);
    return text;
  });
}

void AppendReport(ConversionState& state, const std::filesystem::path& path) {
  if (path.empty()) throw ConversionError(failure::kBadFileName);
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (std::filesystem::is_directory(status)) throw ConversionError(failure::kPathFileAccess);
  const bool existed = std::filesystem::exists(status);

  std::vector<std::string> owned;
  const std::vector<std::string_view> pieces =
      WithMemoryFailure([&] { return ReportPieces(state, owned); });

  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) throw FileFailure(errno != 0 ? errno : EIO, path);
  state.ReportFileNumber = 1;

  // Where the report starts: everything before it stays as it is.
  // Without it a failure could not be undone, so nothing is written.
  errno = 0;
  const long at = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1L;
  if (at < 0) {
    const ConversionError failure = FileFailure(errno != 0 ? errno : EIO, path);
    std::fclose(file);
    if (!existed) std::filesystem::remove(path, ec);
    throw failure;
  }
  const auto length = static_cast<std::uintmax_t>(at);

  for (std::string_view piece : pieces) {
    errno = 0;
    if (std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) {
      Undo(file, path, existed, length, FileFailure(errno != 0 ? errno : EIO, path));
    }
  }
  errno = 0;
  if (std::fflush(file) != 0 || std::ferror(file)) {
    Undo(file, path, existed, length, FileFailure(errno != 0 ? errno : EIO, path));
  }
  errno = 0;
  if (std::fclose(file) != 0) {
    Undo(nullptr, path, existed, length, FileFailure(errno != 0 ? errno : EIO, path));
  }
}

}  // namespace tarvex
