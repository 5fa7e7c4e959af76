#pragma once
// The directory's name index: an unsorted string list with a chained hash over its strings,
// folded (ASCII A-Z to a-z, every other character unchanged), so that lookups ignore the
// case of ASCII letters. Among equal keys the one added last is found.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv::archive {

// ASCII letters A-Z become a-z; every other code unit is unchanged.
std::u16string FoldName(std::u16string_view name);

// A keyed hash (SipHash-1-3) of the UTF-16 code units of `key`. The key is drawn once per
// process: equal keys hash alike within a process, and which keys share a bucket cannot be
// chosen from outside, so a crafted archive's names spread like any others.
std::uint32_t KeyHash(std::u16string_view key);

class TKZStringHash {
 public:
  explicit TKZStringHash(std::size_t size);
  ~TKZStringHash();
  TKZStringHash(const TKZStringHash&) = delete;
  TKZStringHash& operator=(const TKZStringHash&) = delete;

  // New node at the head of its bucket's chain.
  void Add(std::u16string_view key, std::int32_t value);
  // Unlinks the first node of the chain with that key.
  void Remove(std::u16string_view key);
  // Unlinks the node with that key and value (when equal keys exist, the right one).
  void Remove(std::u16string_view key, std::int32_t value);
  // Changes the value of the first node with that key; true when found.
  bool Modify(std::u16string_view key, std::int32_t value);
  // The value of the first node with that key, -1 when absent.
  std::int32_t ValueOf(std::u16string_view key) const;
  void Clear();
  std::size_t Size() const { return Buckets.size(); }
  // The number of nodes in the longest chain; for tests and benchmarks.
  std::size_t LongestChain() const;

 private:
  struct THashItem {
    std::unique_ptr<THashItem> Next;
    std::u16string Key;
    std::int32_t Value;
  };
  std::unique_ptr<THashItem>& BucketOf(std::u16string_view key);
  const std::unique_ptr<THashItem>& BucketOf(std::u16string_view key) const;

  std::vector<std::unique_ptr<THashItem>> Buckets;
};

class TKZHashedStringList {
 public:
  static constexpr std::size_t kMinBuckets = 1000;
  static constexpr std::size_t kMaxLoad = 5;  // strings per bucket before the hash is rebuilt
  static constexpr std::size_t kNameHashBuckets = 256;

  TKZHashedStringList();
  ~TKZHashedStringList();
  TKZHashedStringList(const TKZHashedStringList&) = delete;
  TKZHashedStringList& operator=(const TKZHashedStringList&) = delete;

  // Appends; returns the new index.
  std::int32_t Add(const std::u16string& s);
  void Update(std::int32_t index, const std::u16string& new_value);
  void Delete(std::int32_t index);
  void Clear();
  // Index of the string equal to `s` after folding (the last added among equals), or -1.
  std::int32_t IndexOf(std::u16string_view s);
  // The same over the text before the first "=" of each string.
  std::int32_t IndexOfName(std::u16string_view name);

  std::int32_t Count() const { return static_cast<std::int32_t>(FStrings.size()); }
  const std::u16string& operator[](std::int32_t index) const {
    return FStrings[static_cast<std::size_t>(index)];
  }
  // Bucket count of the value hash (0 when none exists); for tests and benchmarks.
  std::size_t ValueHashSize() const { return FValueHash ? FValueHash->Size() : 0; }
  // The longest chain of the value hash (0 when none exists); for tests and benchmarks.
  std::size_t LongestValueChain() const { return FValueHash ? FValueHash->LongestChain() : 0; }

 private:
  void RebuildValueHash();
  void RebuildNameHash();

  std::vector<std::u16string> FStrings;
  std::unique_ptr<TKZStringHash> FValueHash;
  bool FValueHashValid = false;
  std::unique_ptr<TKZStringHash> FNameHash;
  bool FNameHashValid = false;
};

}  // namespace kv::archive
