#include "builder/progress_position.h"

#include <cmath>

namespace kv::builder {

int ProgressPosition(double progress) {
  if (!(progress > 0)) return 0;  // also NaN
  return progress >= 100 ? 100 : static_cast<int>(std::trunc(progress));
}

}  // namespace kv::builder
