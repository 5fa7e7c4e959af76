#include "archive/hashed_string_list.h"

#include <algorithm>

namespace kv::archive {

std::u16string FoldName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

std::uint32_t KeyHash(std::u16string_view key) {
  std::uint32_t h = 0;
  for (char16_t c : key) h = ((h << 2) | (h >> 30)) ^ c;
  return h;
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
  for (std::size_t i = 0; i < FStrings.size(); ++i) FValueHash->Add(FoldName(FStrings[i]), static_cast<std::int32_t>(i));
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
