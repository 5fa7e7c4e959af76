#include "archive/processing_lock.h"

namespace kv::archive {

std::recursive_mutex& ProcessingLock() {
  static std::recursive_mutex lock;
  return lock;
}

}  // namespace kv::archive
