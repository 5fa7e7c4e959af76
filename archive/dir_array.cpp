#include "archive/dir_array.h"

#include <algorithm>

#include "archive/errors.h"

namespace kv::archive {

void TKZDirArray::CheckIndex(std::int32_t index, int native_error) const {
  if (index < 0 || index >= ItemCount) throw EKZException(native_error);
}

void TKZDirArray::SetCount(std::int32_t value) {
  if (value < 0) throw EKZException(kNative::DirSetItemOutOfRange);
  if (value < FLoadedNames) IndexNames();  // the names stay indexed as if set one by one
  if (value == 0) {
    FItems = {};
    ItemCount = AllocItemCount = 0;
    return;
  }
  if (value > AllocItemCount) {
    AllocBy = std::min(2 * AllocBy, MaxAllocBy);
    AllocItemCount = std::max(AllocItemCount + AllocBy, value);
    FItems.resize(static_cast<std::size_t>(AllocItemCount));
  }
  // Slots coming into use start empty, whatever an earlier use left in them.
  for (std::int32_t i = ItemCount; i < value; ++i) FItems[static_cast<std::size_t>(i)] = TDirItem{};
  ItemCount = value;
}

TDirItem TKZDirArray::GetItem(std::int32_t index) const {
  CheckIndex(index, kNative::DirGetItemOutOfRange);
  return FItems[static_cast<std::size_t>(index)];
}

TDirItem& TKZDirArray::GetItemPtr(std::int32_t index) {
  CheckIndex(index, kNative::DirItemPtrOutOfRange);
  return FItems[static_cast<std::size_t>(index)];
}

const TDirItem& TKZDirArray::GetItemPtr(std::int32_t index) const {
  CheckIndex(index, kNative::DirItemPtrOutOfRange);
  return FItems[static_cast<std::size_t>(index)];
}

void TKZDirArray::SetItem(std::int32_t index, const TDirItem& value) {
  CheckIndex(index, kNative::DirSetItemOutOfRange);
  IndexNames();
  const bool append = index >= FItemNamesList.Count();
  if (append && FItemNamesList.Count() != index) throw EKZException(kNative::NameListOutOfStep);
  if (append) FItemNamesList.Add(FoldName(value.Name));
  else FItemNamesList.Update(index, FoldName(value.Name));
  FItems[static_cast<std::size_t>(index)] = value;
}

void TKZDirArray::SetItemName(std::int32_t index, const std::u16string& name) {
  TDirItem& item = GetItemPtr(index);
  IndexNames();
  const std::int32_t found = FItemNamesList.IndexOf(item.Name);
  if (found >= 0 && found != index) throw EKZException(kNative::NameTakenByOtherItem);
  if (found < 0) FItemNamesList.Add(FoldName(name));
  else FItemNamesList.Update(index, FoldName(name));
  item.Name = name;
}

void TKZDirArray::SetLoadedItemName(std::int32_t index, const std::u16string& name) {
  TDirItem& item = GetItemPtr(index);
  if (FLoadedNames == 0 && FItemNamesList.Count() > 0) {
    // Names already indexed: keep the index in step.
    const std::int32_t named = FItemNamesList.Count();
    if (index == named)
      FItemNamesList.Add(FoldName(name));
    else if (index == named - 1)
      FItemNamesList.Update(index, FoldName(name));
    else
      throw EKZException(kNative::NameListOutOfStep);
  } else if (index == FLoadedNames) {
    ++FLoadedNames;
  } else if (index != FLoadedNames - 1) {
    throw EKZException(kNative::NameListOutOfStep);
  }
  item.Name = name;
}

void TKZDirArray::IndexNames() const {
  if (FLoadedNames == 0) return;
  const std::int32_t named = std::min(FLoadedNames, ItemCount);
  FLoadedNames = 0;
  for (std::int32_t i = 0; i < named; ++i) FItemNamesList.Add(FoldName(FItems[static_cast<std::size_t>(i)].Name));
}

bool TKZDirArray::FileExists(const std::u16string& file_name, std::int32_t& item_no) {
  IndexNames();
  item_no = FItemNamesList.IndexOf(file_name);
  return item_no >= 0;
}

void TKZDirArray::DeleteItem(std::int32_t index) {
  CheckIndex(index, kNative::DirDeleteOutOfRange);
  IndexNames();
  const std::int32_t found = FItemNamesList.IndexOf(FItems[static_cast<std::size_t>(index)].Name);
  if (found >= 0) FItemNamesList.Delete(found);
  else if (index < FItemNamesList.Count()) FItemNamesList.Delete(index);
  // Moving the following items down releases the item's extra data and (when it was the last
  // holder) its stream.
  auto first = FItems.begin() + index;
  std::move(first + 1, FItems.begin() + ItemCount, first);
  FItems[static_cast<std::size_t>(ItemCount - 1)] = TDirItem{};
  --ItemCount;
}

void TKZDirArray::Clear() {
  for (std::int32_t i = 0; i < ItemCount; ++i) FItems[static_cast<std::size_t>(i)] = TDirItem{};
  ItemCount = 0;
  FLoadedNames = 0;
  FItemNamesList.Clear();
}

void TKZDirArray::Assign(const TKZDirArray& source) {
  if (&source == this) return;
  Clear();
  SetCount(source.Count());
  for (std::int32_t i = 0; i < source.Count(); ++i) SetItem(i, source.GetItemPtr(i));
}

void TKZDirArray::Append(const TKZDirArray& source) {
  const std::int32_t old_count = Count();
  const std::int32_t added = source.Count();
  SetCount(old_count + added);
  for (std::int32_t i = 0; i < added; ++i) SetItem(old_count + i, source.GetItemPtr(i));
}

void TKZDirArray::ClearTags() {
  for (std::int32_t i = 0; i < ItemCount; ++i) FItems[static_cast<std::size_t>(i)].Tagged = false;
}

}  // namespace kv::archive
