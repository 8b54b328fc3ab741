#pragma once

#include <chrono>
#include <filesystem>

#include "base/append_file.h"
#include "conversion/conversion_state.h"

namespace tarvex {

// Reads the first field (see FirstField) of the download file at `path` into
// state.FileText. Bytes are kept exactly: no trimming, no code-page conversion.
// Nothing else of the state is touched; on failure FileText is left as it was.
// A pipe, a terminal or a device is read as a file is, to its end or the field's; a named
// pipe (FIFO) that no writer has opened within kWriterWait is given up, so that a pipe nobody
// writes into cannot hold the program (one whose writer has it open is waited for, however
// long the writer is silent).
// Returns the file it read, as opened.
// Throws ConversionError: 52 for an empty path, 75 for a directory, 62 for an empty file, 68
// when no writer opened a named pipe within kWriterWait, 7 when the field does not fit in
// memory or exceeds 2147483647 characters; else a failure of opening or reading the file (see
// FileFailure).
FileId OpenDownloadFile(ConversionState& state, const std::filesystem::path& path);

// TARVEX_PIPE_WRITER_WAIT seconds, set in the top CMakeLists.txt, where the manual pages take
// it from too.
inline constexpr std::chrono::milliseconds kWriterWait =
    std::chrono::seconds(TARVEX_PIPE_WRITER_WAIT);

}  // namespace tarvex
