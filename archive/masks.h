#pragma once
// Mask rules: turning a file mask into a search pattern, matching a path against a mask on the
// add side, and matching a stored name against a search mask.
#include <string>
#include <string_view>

namespace kv::archive {

struct ResolvedMask {
  std::u16string pattern;  // empty for an empty mask
  bool relative = false;   // the mask named no folder of its own
};

// Turns `mask` into a full search pattern below the folder `dir` (resolved with
// `current_dir`). Masks with a drive, a network prefix or a ".." step are kept as they are.
ResolvedMask ResolveMask(std::u16string_view mask, std::u16string_view dir, std::u16string_view current_dir);

// True when the file or folder `path` (a full path) matches `mask`. "*.*" matches everything.
// A mask without a folder matches by name; an absolute mask matches files of its folder, and
// with a final "*.*" also everything below that folder.
bool MatchesMask(std::u16string_view path, std::u16string_view mask, bool is_folder, std::u16string_view base_dir,
                 std::u16string_view current_dir);

// The search test for stored names: the first "*.*" of the mask counts as "*", and a mask
// ending in "." matches only names without an extension. An empty mask matches nothing.
bool NameMatchesMask(std::u16string_view name, std::u16string_view mask);

}  // namespace kv::archive
