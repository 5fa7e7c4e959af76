#pragma once
// The engine's one process-wide, re-entrant lock: the add enumeration and the extraction
// pass hold it while they run, so such passes of different archive objects never overlap.
#include <mutex>

namespace kv::archive {

std::recursive_mutex& ProcessingLock();

}  // namespace kv::archive
