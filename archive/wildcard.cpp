#include "archive/wildcard.h"

namespace kv::archive {
namespace {

bool MatchFrom(std::u16string_view text, std::u16string_view pattern) {
  // Walks text and pattern together; only a "*" branches. Recursion depth is bounded by the
  // number of "*" in the pattern.
  std::size_t t = 0;
  std::size_t p = 0;
  for (;;) {
    if (pattern.substr(p) == u"*") return true;
    if (t == text.size()) return p == pattern.size();
    if (p == pattern.size()) return false;
    const char16_t pc = pattern[p];
    if (pc == u'*') {
      // The rest after "*" is tried from the current text position up to the last character,
      // never against an empty rest of text.
      for (std::size_t start = t; start < text.size(); ++start)
        if (MatchFrom(text.substr(start), pattern.substr(p + 1))) return true;
      return false;
    }
    if (pc != u'?' && FoldAscii(pc) != FoldAscii(text[t])) return false;
    ++t;
    ++p;
  }
}

}  // namespace

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool WildcardMatch(std::u16string_view text, std::u16string_view pattern) {
  if (pattern == u"*.*") return true;
  return MatchFrom(text, pattern);
}

}  // namespace kv::archive
