#include "conversion/report_writer.h"

#include <string_view>
#include <vector>

#include "base/conversion_error.h"

namespace tarvex {

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

std::string ReportText(const ConversionState& state) {
  return WithMemoryFailure([&] {
    std::vector<std::string> owned;
    std::string text;
    for (std::string_view piece : ReportPieces(state, owned)) text.append(piece);
    return text;
  });
}

}  // namespace tarvex
