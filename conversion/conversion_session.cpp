#include "conversion/conversion_session.h"

#include <string>
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

const std::vector<Passage>& ConversionSession::Passages() {
  if (!passages_collected_) {
    passages_ = CollectPassages(state_.FileText);
    passages_collected_ = true;
  }
  return passages_;
}

void ConversionSession::Open(const std::filesystem::path& download) {
  // The earlier file's text and lists go before the new file is read, so the two never
  // take memory at once.
  Release(state_.FileText);
  Release(state_.ExitList);
  Release(state_.EntryList);
  std::vector<Passage>().swap(passages_);
  passages_collected_ = false;
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
    // Each working text goes as soon as the scans that read it are done, so a big download
    // never holds them beside both finished lists. The scans will not run again over them.
    Release(state_.EventList);
    BuildExitList(state_, formatter);
    Release(state_.ExitRaw);
    BuildEntryList(state_, formatter);
    Release(state_.EntryRaw);
  });
}

namespace {

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec);
}

}  // namespace

void ConversionSession::RefuseReportInto(const std::filesystem::path& report,
                                         const std::filesystem::path& download) {
  if (SameFile(report, download)) throw ConversionError(failure::kReportIntoDownload);
}

bool ConversionSession::IsOpenDownload(const std::filesystem::path& path) const {
  return SameFile(path, download_);
}

std::filesystem::path ConversionSession::DescriptorPath(int descriptor) {
  return "/proc/self/fd/" + std::to_string(descriptor);
}

void ConversionSession::Save(const std::filesystem::path& report, const LockWait& wait) {
  RefuseReportInto(report, download_);
  WithMemoryFailure([&] { AppendReport(state_, report, wait); });
}

void ConversionSession::Save(int descriptor, const std::filesystem::path& name,
                             const LockWait& wait) {
  RefuseReportInto(DescriptorPath(descriptor), download_);
  WithMemoryFailure([&] { AppendReport(state_, descriptor, name, wait); });
}

}  // namespace tarvex
