#pragma once
// What one commit keeps while it runs: where rewriting began, the old archive behind that
// point (in a temporary file when members there must survive, else the few bytes of the old
// directory and end records), the directory manager's end records as they were, and the
// answer of the failure event for the member in hand.
#include <cstdint>
#include <memory>
#include <string>

#include "archive/options.h"
#include "archive/records.h"
#include "archive/temp_tail.h"

namespace kv::archive {

struct TKZCommitState {
  std::int32_t first_changed = 0;
  std::int64_t write_start = 0;
  std::unique_ptr<TempTail> tail;
  // Without a tail: the old bytes from the write start to the end (directory, end records,
  // comment), put back verbatim by a rollback.
  std::string old_end;
  TKZZipCentralDirEnd old_central_dir_end;
  TKZZip64CentralDirEnd old_zip64_end;
  TKZZip64CentralDirEndLocator old_zip64_locator;
  std::int64_t old_central_dir_offset = 0;
  TKZAction action = fxaIgnore;
};

}  // namespace kv::archive
