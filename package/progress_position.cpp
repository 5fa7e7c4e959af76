#include "package/progress_position.h"

#include <cmath>

namespace kv::package {

int ProgressPosition(double progress) {
  if (!(progress > 0)) return 0;  // also NaN
  return progress >= 100 ? 100 : static_cast<int>(std::trunc(progress));
}

}  // namespace kv::package
