#pragma once
// The installer's archive object: it also remembers which files an extraction wrote, so that
// the uninstall record lists those and not the files it left as they were (an existing file
// the user chose to keep, or one kept because overwriting was off).
#include <string>
#include <vector>

#include "package/recording_archiver.h"

namespace kv::installer {

class InstallingKolZip : public package::RecordingKolZip {
 public:
  void DoExtractFile(std::u16string& file_name, std::uint32_t& file_attr, const std::string& comment) override;
  void DoConfirmOverwrite(const std::u16string& source_file_name, std::u16string& dest_file_name,
                          bool& confirm) override;
  void DoFileProgress(const std::u16string& file_name, archive::TKZProcessOperation operation,
                      archive::TKZProgressPhase phase, double progress) override;

  // The files the extractions since the last ForgetWritten wrote, relative to the base folder
  // ("\" separators), in the order written; folders are not listed.
  const std::vector<std::u16string>& Written() const { return written_; }
  void ForgetWritten() { written_.clear(); }

 private:
  std::u16string current_;  // the member being extracted, as it is named below the base folder
  bool current_kept_ = false;
  std::vector<std::u16string> written_;
};

}  // namespace kv::installer
