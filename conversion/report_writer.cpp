#include "conversion/report_writer.h"

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
      "ENTRADAS=" + Decimal(state.EntryCount) + " " + "SALIDAS=" + Decimal(state.ExitCount) + " " +
          "TOTAL=" + Decimal(state.TotalCount) + "\r\n\r\n",
      "CONTADOR GLOBAL:" + std::string(" ") + state.GlobalCounter + " " + "NUMERO DE SERIE:" + " " +
          state.SerialNumber + "\r\n",
      "FECHA DE DESCARGA:" + state.DownloadDate + "\r\n",
  };
  return {"ENTRADAS\r\n", state.EntryList, "\r\n",   "SALIDAS\r\n", state.ExitList,
          "\r\n",         owned[0],        owned[1], owned[2]};
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

void AppendReport(ConversionState& state, const std::filesystem::path& path, const LockWait& wait) {
  std::vector<std::string> owned;
  AppendWhole(path, wait, [&](bool, const AppendWrite& write) {
    for (const std::string_view piece : ReportPieces(state, owned)) write(piece);
  });
}

void AppendReport(ConversionState& state, int descriptor, const std::filesystem::path& name,
                  const LockWait& wait) {
  std::vector<std::string> owned;
  AppendWhole(descriptor, name, wait, [&](bool, const AppendWrite& write) {
    for (const std::string_view piece : ReportPieces(state, owned)) write(piece);
  });
}

}  // namespace tarvex
