#pragma once

#include <filesystem>
#include <string>

#include "conversion/append_file.h"
#include "conversion/conversion_state.h"

namespace tarvex {

// Appends one report of `state` to the file at `path`, creating the file when it is
// missing. The report, CRLF after every line:
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
// The report is appended whole or not at all, one writer at a time (see AppendWhole), waiting
// for another writer as `wait` says. Changes nothing of the state. Throws ConversionError as
// AppendWhole does.
void AppendReport(ConversionState& state, const std::filesystem::path& path,
                  const LockWait& wait = {});

// The same report, appended to `descriptor`, a file the caller holds open for writing
// (standard output) and keeps open; `name` stands for it in failures (see AppendWhole).
void AppendReport(ConversionState& state, int descriptor, const std::filesystem::path& name,
                  const LockWait& wait = {});

// The bytes of one report of `state`, as AppendReport writes them.
std::string ReportText(const ConversionState& state);

}  // namespace tarvex
