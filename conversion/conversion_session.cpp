#include "conversion/conversion_session.h"

#include <string>
#include <system_error>

#include "base/conversion_error.h"
#include "conversion/download_file.h"
#include "conversion/download_text.h"

namespace tarvex {

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
  download_file_.reset();
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
      const FileId file = OpenDownloadFile(state_, download);
      ResetState(state_);
      ParseHeader(state_);
      download_ = download;
      download_file_ = file;
    });
  } catch (const ConversionError&) {
    Forget();
    throw;
  }
}

void ConversionSession::Convert(const RegionalFormatter& formatter) {
  ConvertDownload(state_, formatter);
}

namespace {

std::vector<FileId> Identities(const std::optional<FileId>& file) {
  return file ? std::vector<FileId>{*file} : std::vector<FileId>{};
}

}  // namespace

void ConversionSession::RefuseReportInto(const std::filesystem::path& report,
                                         const std::filesystem::path& download) {
  RefuseWriteInto(report, Identities(FileIdOf(download)));
}

bool ConversionSession::IsOpenDownload(const std::filesystem::path& path) const {
  const std::optional<FileId> file = FileIdOf(path);
  return file && (file == download_file_ || file == FileIdOf(download_));
}

std::vector<FileId> ConversionSession::Refused() const {
  std::vector<FileId> refused = refused_;
  if (download_file_) refused.push_back(*download_file_);
  // The file the download's name leads to now, should it have been replaced since the Open.
  if (const std::optional<FileId> now = FileIdOf(download_)) refused.push_back(*now);
  return refused;
}

void ConversionSession::RefuseAlso(const FileId& file) {
  refused_.push_back(file);
}

std::filesystem::path ConversionSession::DescriptorPath(int descriptor) {
  return "/proc/self/fd/" + std::to_string(descriptor);
}

}  // namespace tarvex
