#include "conversion/conversion_session.h"

#include <system_error>

#include "conversion/conversion_error.h"
#include "conversion/download_file.h"
#include "conversion/event_scan.h"
#include "conversion/report_writer.h"
#include "conversion/stamp_decoder.h"

namespace tarvex {

namespace {

void Release(std::string& text) noexcept {
  std::string().swap(text);
}

}  // namespace

ConversionSession::ConversionSession() {
  InitialiseState(state_);
}

void ConversionSession::Forget() noexcept {
  InitialiseState(state_);
  for (std::string* text : {&state_.ExitList, &state_.EntryList, &state_.HeaderPosText,
                            &state_.GlobalCounter, &state_.SerialNumber, &state_.DownloadDate}) {
    Release(*text);
  }
  download_.clear();
}

void ConversionSession::Open(const std::filesystem::path& download) {
  // The earlier file's text and lists go before the new file is read, so the two never
  // take memory at once.
  Release(state_.FileText);
  Release(state_.ExitList);
  Release(state_.EntryList);
  try {
    WithMemoryFailure([&] {
      OpenDownloadFile(state_, download);
      ResetState(state_);
      ParseHeader(state_);
      download_ = download;
    });
  } catch (const ConversionError&) {
    Forget();
    throw;
  }
}

void ConversionSession::Convert(const RegionalFormatter& formatter) {
  WithMemoryFailure([&] {
    ScanEvents(state_);
    ScanExits(state_);
    ScanEntries(state_);
    BuildExitList(state_, formatter);
    BuildEntryList(state_, formatter);
  });
}

void ConversionSession::Save(const std::filesystem::path& report) {
  // With no download open, or a report path that names nothing yet, there is no match.
  std::error_code ec;
  if (std::filesystem::equivalent(report, download_, ec)) {
    throw ConversionError(failure::kReportIntoDownload);
  }
  WithMemoryFailure([&] { AppendReport(state_, report); });
}

}  // namespace tarvex
