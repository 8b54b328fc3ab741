#pragma once

#include <filesystem>

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
// The report is appended whole or not at all: every write is checked, and on any failure a
// regular file is cut back, through the open file, to the length it had before; a file this
// call created (it creates exclusively, so it knows) is removed. Then the failure is raised.
// Earlier content is never touched, and nothing this call did not create is ever removed.
// Writes ReportFileNumber; changes nothing else of the state.
// Throws ConversionError: 52 for an empty path; 75 when the path is a directory;
// 76 when a folder in the path does not exist; 70 when access is refused;
// 61 when the disk is full; 57 when a write fails for another reason; 7 on exhausted memory.
void AppendReport(ConversionState& state, const std::filesystem::path& path);

// The same report, appended to `descriptor`, a file the caller holds open for writing
// (standard output) and keeps open; `name` stands for it in failures. A regular file written
// at its end is cut back on failure as above; a terminal, a pipe or a file written in its
// middle cannot be. Throws ConversionError as above, less 52, 75 and 76.
void AppendReport(ConversionState& state, int descriptor, const std::filesystem::path& name);

// The bytes of one report of `state`, as AppendReport writes them.
std::string ReportText(const ConversionState& state);

}  // namespace tarvex
