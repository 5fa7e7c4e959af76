#pragma once
// TKZDirArray: the ordered directory items of one archive with their folded name index. All
// checks come before any change, so a failing call leaves the array as it was. Index errors
// raise EKZException kNative::Dir...OutOfRange ("Index out of bounds"); a name list out of step
// with the array raises kNative::NameListOutOfStep or NameTakenByOtherItem ("Hashed list of
// file names is invalid").
#include <cstdint>
#include <string>
#include <vector>

#include "archive/dir_item.h"
#include "archive/hashed_string_list.h"

namespace kv::archive {

class TKZDirArray {
 public:
  static constexpr std::int32_t kInitialAllocBy = 500;
  static constexpr std::int32_t kMaxAllocBy = 10000;
  static constexpr std::int32_t kDeAllocBy = 100;  // kept for completeness; shrinking never frees

  TKZDirArray() = default;
  TKZDirArray(const TKZDirArray&) = delete;
  TKZDirArray& operator=(const TKZDirArray&) = delete;

  std::int32_t Count() const { return ItemCount; }
  // New items start empty; growth as AllocBy doubles up to MaxAllocBy; 0 frees everything.
  void SetCount(std::int32_t value);
  std::int32_t Capacity() const { return AllocItemCount; }

  TDirItem GetItem(std::int32_t index) const;   // DirGetItemOutOfRange outside the range
  TDirItem& GetItemPtr(std::int32_t index);     // DirItemPtrOutOfRange outside the range
  const TDirItem& GetItemPtr(std::int32_t index) const;
  void SetItem(std::int32_t index, const TDirItem& value);  // DirSetItemOutOfRange, NameListOutOfStep
  void SetItemName(std::int32_t index, const std::u16string& name);  // NameTakenByOtherItem
  // Names the items of a directory being read, in order: the first call for an item names
  // it, a second one (a name from an extra block) renames it. Nothing is looked up: into an
  // array without names the name index is only built, from the items, once it is used.
  // NameListOutOfStep when `index` is neither the last named item nor the next one.
  void SetLoadedItemName(std::int32_t index, const std::u16string& name);
  bool FileExists(const std::u16string& file_name, std::int32_t& item_no);
  void DeleteItem(std::int32_t index);  // DirDeleteOutOfRange
  void Clear();
  void Assign(const TKZDirArray& source);
  void Append(const TKZDirArray& source);
  void ClearTags();

  TDirItem& operator[](std::int32_t index) { return GetItemPtr(index); }
  const TDirItem& operator[](std::int32_t index) const { return GetItemPtr(index); }
  // The name index, for tests.
  const TKZHashedStringList& NameList() const {
    IndexNames();
    return FItemNamesList;
  }

 private:
  void CheckIndex(std::int32_t index, int native_error) const;
  // Puts the names of items named while loading into the name list.
  void IndexNames() const;

  std::vector<TDirItem> FItems;  // AllocItemCount slots, the first ItemCount in use
  std::int32_t ItemCount = 0;
  std::int32_t AllocItemCount = 0;
  mutable TKZHashedStringList FItemNamesList;
  // Items 0 to FLoadedNames-1 were named while loading and are not in the name list yet.
  mutable std::int32_t FLoadedNames = 0;
  std::int32_t AllocBy = kInitialAllocBy;
  std::int32_t MaxAllocBy = kMaxAllocBy;
};

}  // namespace kv::archive
