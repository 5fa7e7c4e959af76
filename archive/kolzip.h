#pragma once
// TKolZip: the archive object the windows place. A ZIP archiver with Zip64 disabled whose
// compression method follows the compression mode (deflate unless the mode is 0).
#include "archive/base_archiver.h"

namespace kv::archive {

class TKolZip : public TKZBaseArchiver {
 public:
  TKolZip();
  void UpdateCompressionMethod() override;
};

}  // namespace kv::archive
