#include "archive/kolzip.h"

namespace kv::archive {

TKolZip::TKolZip() {
  isZIPFormat = true;
  FZip64Mode = zmDisabled;
  UpdateCompressionMethod();
}

void TKolZip::UpdateCompressionMethod() { FCompressionMethod = FCompressionMode != 0 ? kMethodDeflate : kMethodStored; }

}  // namespace kv::archive
