#pragma once
// What one commit keeps while it runs: where rewriting began, where the old members are read
// from, the directory manager's end records as they were, and the answer of the failure event
// for the member in hand.
//
// An archive file is never written: the commit builds the new archive in an UpdateFile and
// reads the old members from the untouched archive. An archive in a caller's stream is
// rewritten from the write start on; the old archive behind that point is kept in a TempTail
// when members there must survive, else as the few bytes of the old directory and end records.
#include <cstdint>
#include <memory>
#include <string>

#include "archive/compress_ahead.h"
#include "archive/compress_workers.h"
#include "archive/options.h"
#include "archive/records.h"
#include "archive/temp_tail.h"

namespace kv::archive {

struct TKZCommitState {
  std::int32_t first_changed = 0;
  std::int64_t write_start = 0;
  std::unique_ptr<TempTail> tail;
  // The new archive of an archive file, and the old archive stream the commit leaves alone.
  std::unique_ptr<UpdateFile> update;
  TKZStream* old_archive = nullptr;
  // Where CopyMember finds the old members: an old local header offset minus `source_base`
  // is their place in `source` (the old archive, base 0, or the tail, base write_start).
  TKZStream* source = nullptr;
  std::int64_t source_base = 0;
  // Without a tail: the old bytes from the write start to the end (directory, end records,
  // comment), put back verbatim by a rollback.
  std::string old_end;
  TKZZipCentralDirEnd old_central_dir_end;
  TKZZip64CentralDirEnd old_zip64_end;
  TKZZip64CentralDirEndLocator old_zip64_locator;
  std::int64_t old_central_dir_offset = 0;
  TKZAction action = fxaIgnore;
  // The deflating threads of this commit (none with one thread) and the small files they
  // read and deflate ahead of their turn.
  std::unique_ptr<CompressWorkers> workers;
  std::unique_ptr<CompressAhead> ahead;
};

}  // namespace kv::archive
