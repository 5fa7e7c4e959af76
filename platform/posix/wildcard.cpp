#include "platform/posix/wildcard.h"

namespace kv::platform::posix {
namespace {

char16_t FoldCase(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

// Goes back to the last '*' on a mismatch rather than recursing, so that a mask of many stars
// costs at most name length times mask length steps.
bool Matches(std::u16string_view name, std::u16string_view mask) {
  size_t m = 0, n = 0, star = std::u16string_view::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == u'*') {
      star = m++, resume = n;
    } else if (m < mask.size() && (mask[m] == u'?' || FoldCase(mask[m]) == FoldCase(name[n]))) {
      ++m, ++n;
    } else if (star != std::u16string_view::npos) {
      m = star + 1, n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

}  // namespace

bool MatchesWildcard(std::u16string_view name, std::u16string_view mask, DotStar dot_star) {
  if (Matches(name, mask)) return true;
  return dot_star == DotStar::AlsoNoExtension && mask.size() >= 2 && mask.substr(mask.size() - 2) == u".*" &&
         Matches(name, mask.substr(0, mask.size() - 2));
}

}  // namespace kv::platform::posix
