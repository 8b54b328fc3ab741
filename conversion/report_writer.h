#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_state.h"

namespace tarvex {

// One report of `state`, CRLF after every line:
//
//   ENTRADAS
//   <EntryList lines>
//   (empty line)
//   SALIDAS
//   <ExitList lines>
//   (empty line)
//   ENTRADAS=<EntryCount> SALIDAS=<ExitCount> TOTAL=<TotalCount>
//   (empty line)
//   CONTADOR GLOBAL: <GlobalCounter> NUMERO DE SERIE: <SerialNumber>
//   FECHA DE DESCARGA:<DownloadDate>
//
// A report is saved as the output "report" (see SaveOutput in analysis/output_format.h):
// appended whole or not at all, never into a download.
std::string ReportText(const ConversionState& state);

// The same report as a sequence of pieces, in file order. The big lists are referred to, not
// copied, so a report of a large download costs no second copy of its lists; the short lines
// are kept in `owned`, which must outlive the pieces.
std::vector<std::string_view> ReportPieces(const ConversionState& state,
                                           std::vector<std::string>& owned);

}  // namespace tarvex
