#pragma once
// The stand-in's one wildcard matcher, for the names that FindFirstFileW and SHFileOperationW
// match against a mask on Windows.
#include <string_view>

namespace kv::platform::posix {

// How a final ".*" of a mask is read.
enum class DotStar {
  AsWritten,        // a dot, then any run of characters
  AlsoNoExtension,  // as Windows reads it: a name without the dot matches too, so "*.*" matches every name
};

// True when `name` matches `mask`: '*' stands for any run of characters (also none), '?' for
// exactly one, every other character for itself, the ASCII letters without regard to case.
bool MatchesWildcard(std::u16string_view name, std::u16string_view mask,
                     DotStar dot_star = DotStar::AsWritten);

}  // namespace kv::platform::posix
