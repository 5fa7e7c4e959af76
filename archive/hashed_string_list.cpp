#include "archive/hashed_string_list.h"

#include <algorithm>
#include <chrono>
#include <random>

namespace kv::archive {

std::u16string FoldName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

namespace {

// The key of the index hash, drawn once per process, so that the bucket of a name cannot be
// known in advance and a crafted archive cannot put its names all in one chain.
struct HashKey {
  std::uint64_t k0;
  std::uint64_t k1;
};

const HashKey& ProcessHashKey() {
  static const HashKey key = [] {
    std::random_device device;
    const auto word = [&device] { return (std::uint64_t{device()} << 32) ^ device(); };
    // The clock and an address as well, for a random device that always yields the same words.
    const auto clock =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&device));
    return HashKey{word() ^ clock, word() ^ (address * 0x9E3779B97F4A7C15ull)};
  }();
  return key;
}

constexpr std::uint64_t Rotl(std::uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

// SipHash-1-3 over the code units as little-endian bytes.
struct SipState {
  std::uint64_t v0, v1, v2, v3;
  void Round() {
    v0 += v1;
    v1 = Rotl(v1, 13);
    v1 ^= v0;
    v0 = Rotl(v0, 32);
    v2 += v3;
    v3 = Rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = Rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = Rotl(v1, 17);
    v1 ^= v2;
    v2 = Rotl(v2, 32);
  }
  void Absorb(std::uint64_t m) {
    v3 ^= m;
    Round();
    v0 ^= m;
  }
};

}  // namespace

std::uint32_t KeyHash(std::u16string_view key) {
  const HashKey& k = ProcessHashKey();
  SipState s{k.k0 ^ 0x736f6d6570736575ull, k.k1 ^ 0x646f72616e646f6dull, k.k0 ^ 0x6c7967656e657261ull,
             k.k1 ^ 0x7465646279746573ull};
  std::uint64_t word = 0;
  std::size_t units = 0;
  for (char16_t c : key) {
    word |= std::uint64_t{c} << (16 * (units % 4));
    if (++units % 4 == 0) {
      s.Absorb(word);
      word = 0;
    }
  }
  s.Absorb(word | (std::uint64_t{(units * 2) & 0xFF} << 56));
  s.v2 ^= 0xFF;
  for (int i = 0; i < 3; ++i) s.Round();
  const std::uint64_t h = s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

TKZStringHash::TKZStringHash(std::size_t size) : Buckets(std::max<std::size_t>(size, 1)) {}

TKZStringHash::~TKZStringHash() { Clear(); }

std::unique_ptr<TKZStringHash::THashItem>& TKZStringHash::BucketOf(std::u16string_view key) {
  return Buckets[KeyHash(key) % Buckets.size()];
}

const std::unique_ptr<TKZStringHash::THashItem>& TKZStringHash::BucketOf(std::u16string_view key) const {
  return Buckets[KeyHash(key) % Buckets.size()];
}

void TKZStringHash::Add(std::u16string_view key, std::int32_t value) {
  auto& head = BucketOf(key);
  head = std::make_unique<THashItem>(THashItem{std::move(head), std::u16string(key), value});
}

void TKZStringHash::Remove(std::u16string_view key) {
  for (auto* link = &BucketOf(key); *link; link = &(*link)->Next) {
    if ((*link)->Key == key) {
      *link = std::move((*link)->Next);
      return;
    }
  }
}

void TKZStringHash::Remove(std::u16string_view key, std::int32_t value) {
  for (auto* link = &BucketOf(key); *link; link = &(*link)->Next) {
    if ((*link)->Key == key && (*link)->Value == value) {
      *link = std::move((*link)->Next);
      return;
    }
  }
}

bool TKZStringHash::Modify(std::u16string_view key, std::int32_t value) {
  for (THashItem* node = BucketOf(key).get(); node; node = node->Next.get()) {
    if (node->Key == key) {
      node->Value = value;
      return true;
    }
  }
  return false;
}

std::int32_t TKZStringHash::ValueOf(std::u16string_view key) const {
  for (const THashItem* node = BucketOf(key).get(); node; node = node->Next.get())
    if (node->Key == key) return node->Value;
  return -1;
}

std::size_t TKZStringHash::LongestChain() const {
  std::size_t longest = 0;
  for (const auto& head : Buckets) {
    std::size_t length = 0;
    for (const THashItem* node = head.get(); node; node = node->Next.get()) ++length;
    longest = std::max(longest, length);
  }
  return longest;
}

void TKZStringHash::Clear() {
  // Unlinks chains iteratively so that a long chain cannot exhaust the stack.
  for (auto& head : Buckets)
    while (head) head = std::move(head->Next);
}

TKZHashedStringList::TKZHashedStringList() = default;
TKZHashedStringList::~TKZHashedStringList() = default;

std::int32_t TKZHashedStringList::Add(const std::u16string& s) {
  FStrings.push_back(s);
  const auto index = static_cast<std::int32_t>(FStrings.size() - 1);
  if (FValueHash && FValueHashValid) {
    FValueHash->Add(FoldName(s), index);
    // Too many strings per bucket: drop the table; the next lookup builds a larger one.
    if (FStrings.size() > kMaxLoad * FValueHash->Size()) {
      FValueHash.reset();
      FValueHashValid = false;
    }
  }
  FNameHashValid = false;
  return index;
}

void TKZHashedStringList::Update(std::int32_t index, const std::u16string& new_value) {
  auto& slot = FStrings[static_cast<std::size_t>(index)];
  if (FValueHash) {
    FValueHash->Remove(FoldName(slot), index);
    FValueHash->Add(FoldName(new_value), index);
  }
  slot = new_value;
  FNameHashValid = false;
}

void TKZHashedStringList::Delete(std::int32_t index) {
  FStrings.erase(FStrings.begin() + index);
  FValueHashValid = false;
  FNameHashValid = false;
}

void TKZHashedStringList::Clear() {
  FStrings.clear();
  if (FValueHash) FValueHash->Clear();
  FNameHashValid = false;
}

void TKZHashedStringList::RebuildValueHash() {
  if (!FValueHash) {
    FValueHash = std::make_unique<TKZStringHash>(std::max(FStrings.size(), kMinBuckets));
    FValueHashValid = false;
  }
  if (FValueHashValid) return;
  FValueHash->Clear();
  for (std::size_t i = 0; i < FStrings.size(); ++i)
    FValueHash->Add(FoldName(FStrings[i]), static_cast<std::int32_t>(i));
  FValueHashValid = true;
}

void TKZHashedStringList::RebuildNameHash() {
  if (!FNameHash) FNameHash = std::make_unique<TKZStringHash>(kNameHashBuckets);
  if (FNameHashValid) return;
  FNameHash->Clear();
  for (std::size_t i = 0; i < FStrings.size(); ++i) {
    std::u16string_view s = FStrings[i];
    FNameHash->Add(FoldName(s.substr(0, s.find(u'='))), static_cast<std::int32_t>(i));
  }
  FNameHashValid = true;
}

std::int32_t TKZHashedStringList::IndexOf(std::u16string_view s) {
  RebuildValueHash();
  return FValueHash->ValueOf(FoldName(s));
}

std::int32_t TKZHashedStringList::IndexOfName(std::u16string_view name) {
  RebuildNameHash();
  return FNameHash->ValueOf(FoldName(name));
}

}  // namespace kv::archive
