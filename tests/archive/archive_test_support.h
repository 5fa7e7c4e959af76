#pragma once
// Opening test archives through the archive object, and catching engine errors.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "archive/errors.h"
#include "archive/kolzip.h"
#include "tests/support/test_dir.h"

namespace kv::archive::test {

// The native error of the EKZException `action` raises; -1 when it raises none.
inline int NativeErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EKZException& e) {
    return e.NativeError();
  }
  return -1;
}

// Writes `bytes` as `file_name` into the test folder and opens it read-only and shared.
inline std::unique_ptr<TKolZip> OpenBytes(const kv::test::TestDir& dir, const std::string& file_name,
                                          const std::string& bytes, bool open_corrupted = true) {
  auto zip = std::make_unique<TKolZip>();
  zip->Name = u"archiver";
  zip->SetFileName(kv::test::PathText(dir.Write(file_name, bytes)));
  zip->SetOpenCorruptedArchives(open_corrupted);
  zip->OpenArchive(kModeReadShared);
  return zip;
}

// The native error of opening `bytes`; -1 when the open succeeds.
inline int OpenError(const kv::test::TestDir& dir, const std::string& file_name, const std::string& bytes,
                     bool open_corrupted) {
  return NativeErrorOf([&] { OpenBytes(dir, file_name, bytes, open_corrupted); });
}

}  // namespace kv::archive::test
