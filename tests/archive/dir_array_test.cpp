#include "archive/dir_array.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/errors.h"
#include "platform/unicode.h"

namespace kv::archive {
namespace {

std::u16string U(const std::string& s) { return platform::Utf8ToUtf16(s); }

int NativeErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EKZException& e) {
    return e.NativeError();
  }
  return -1;
}

// An array of `count` items named name0, name1, ... as loading fills it.
void Fill(TKZDirArray& dir, int count, const std::string& prefix = "name") {
  dir.SetCount(count);
  for (int i = 0; i < count; ++i) dir.SetItemName(i, U(prefix + std::to_string(i)));
}

TEST(DirArray, CapacityGrowsInTheDocumentedSteps) {
  TKZDirArray dir;
  std::vector<std::int32_t> capacities;
  for (std::int32_t n = 1; n <= 40000; ++n) {
    dir.SetCount(n);
    if (capacities.empty() || capacities.back() != dir.Capacity()) capacities.push_back(dir.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<std::int32_t>{1000, 3000, 7000, 15000, 25000, 35000, 45000}));
  TKZDirArray big;
  big.SetCount(65536);  // one large request is taken whole
  EXPECT_EQ(big.Capacity(), 65536);
  dir.SetCount(10);  // shrinking keeps the capacity
  EXPECT_EQ(dir.Capacity(), 45000);
  dir.SetCount(0);
  EXPECT_EQ(dir.Capacity(), 0);
}

TEST(DirArray, ItemsComingIntoUseStartEmpty) {
  TKZDirArray dir;
  Fill(dir, 3);
  dir[2].Modified = true;
  dir[2].ExtraFields.push_back({0x5455, 1, "x"});
  dir.SetCount(2);
  dir.SetCount(3);
  EXPECT_FALSE(dir[2].Modified);
  EXPECT_TRUE(dir[2].ExtraFields.empty());
  EXPECT_TRUE(dir[2].Name.empty());
}

TEST(DirArray, LookupIgnoresAsciiCaseOnlyAndFindsTheLaterOfEqualNames) {
  TKZDirArray dir;
  dir.SetCount(4);
  dir.SetItemName(0, u"Lib/Setup.DLL");
  dir.SetItemName(1, u"\u00C4rger.txt");
  dir.SetItemName(2, u"lib/setup.dll");
  dir.SetItemName(3, u"other");
  std::int32_t at = -1;
  EXPECT_TRUE(dir.FileExists(u"LIB/SETUP.dll", at));
  EXPECT_EQ(at, 2);
  EXPECT_TRUE(dir.FileExists(u"\u00C4rger.TXT", at));
  EXPECT_EQ(at, 1);
  EXPECT_FALSE(dir.FileExists(u"\u00E4rger.txt", at));  // only A-Z fold
  EXPECT_EQ(at, -1);
}

TEST(DirArray, IndexChecksRaiseTheirNativeErrorsAndChangeNothing) {
  TKZDirArray dir;
  Fill(dir, 2);
  struct Case {
    const char* label;
    std::function<void()> action;
    int native;
  };
  const Case cases[] = {
      {"SetItem", [&] { dir.SetItem(2, TDirItem{}); }, kNative::DirSetItemOutOfRange},
      {"GetItem", [&] { dir.GetItem(-1); }, kNative::DirGetItemOutOfRange},
      {"GetItemPtr", [&] { dir.GetItemPtr(2); }, kNative::DirItemPtrOutOfRange},
      {"DeleteItem", [&] { dir.DeleteItem(5); }, kNative::DirDeleteOutOfRange},
  };
  for (const Case& c : cases) EXPECT_EQ(NativeErrorOf(c.action), c.native) << c.label;
  EXPECT_EQ(dir.Count(), 2);
  EXPECT_EQ(dir.NameList().Count(), 2);
}

TEST(DirArray, NamingAFreshItemWhileAnEarlierNameIsEmptyRaises59) {
  TKZDirArray dir;
  dir.SetCount(3);
  dir.SetItemName(0, u"");
  EXPECT_EQ(NativeErrorOf([&] { dir.SetItemName(1, u"anything"); }), kNative::NameTakenByOtherItem);
  EXPECT_EQ(dir[1].Name, u"");
  EXPECT_EQ(dir.NameList().Count(), 1);
}

TEST(DirArray, SetItemBeyondTheNameListMustAppendInStep) {
  TKZDirArray dir;
  dir.SetCount(3);
  TDirItem item;
  item.Name = u"B.txt";
  EXPECT_EQ(NativeErrorOf([&] { dir.SetItem(1, item); }), kNative::NameListOutOfStep);  // list holds 0 names
  dir.SetItem(0, item);
  item.Name = u"C.txt";
  dir.SetItem(1, item);
  item.Name = u"D.txt";
  dir.SetItem(0, item);  // replaces the name at 0
  std::int32_t at = -1;
  EXPECT_FALSE(dir.FileExists(u"b.txt", at));
  EXPECT_TRUE(dir.FileExists(u"d.txt", at));
  EXPECT_EQ(at, 0);
}

TEST(DirArray, RenamingOneOfTwoEqualNamesKeepsTheOtherFindable) {
  TKZDirArray dir;
  TDirItem item;
  dir.SetCount(2);
  item.Name = u"same.txt";
  dir.SetItem(0, item);
  item.Name = u"SAME.txt";
  dir.SetItem(1, item);
  item.Name = u"renamed.txt";
  dir.SetItem(0, item);
  std::int32_t at = -1;
  EXPECT_TRUE(dir.FileExists(u"same.txt", at));
  EXPECT_EQ(at, 1);
  EXPECT_TRUE(dir.FileExists(u"renamed.txt", at));
  EXPECT_EQ(at, 0);
}

TEST(DirArray, DeleteKeepsArrayAndIndexInStep) {
  TKZDirArray dir;
  Fill(dir, 5);
  dir.DeleteItem(1);
  ASSERT_EQ(dir.Count(), 4);
  EXPECT_EQ(dir[1].Name, u"name2");
  for (int i = 0; i < 4; ++i) {
    std::int32_t at = -1;
    ASSERT_TRUE(dir.FileExists(dir[i].Name, at));
    EXPECT_EQ(at, i);
  }
  std::int32_t at = -1;
  EXPECT_FALSE(dir.FileExists(u"name1", at));
}

TEST(DirArray, AssignAndAppendCopyItemsWithTheirOwnExtraData) {
  TKZDirArray a;
  Fill(a, 3, "a");
  a[0].ExtraFields.push_back({0x5455, 2, "ts"});
  TKZDirArray b;
  b.Assign(a);
  a[0].ExtraFields[0].pData = "XX";
  EXPECT_EQ(b[0].ExtraFields[0].pData, "ts");
  b.Append(a);
  ASSERT_EQ(b.Count(), 6);
  std::int32_t at = -1;
  EXPECT_TRUE(b.FileExists(u"a2", at));
  EXPECT_EQ(at, 5);  // the later copy is found
  b[4].Tagged = true;
  b.ClearTags();
  EXPECT_FALSE(b[4].Tagged);
}

TEST(DirArray, IndexStaysCompleteWhenItOutgrowsItsBuckets) {
  TKZDirArray dir;
  Fill(dir, 3);
  std::int32_t at = -1;
  dir.FileExists(u"name0", at);  // builds the hash with 1000 buckets
  EXPECT_EQ(dir.NameList().ValueHashSize(), 1000u);
  const int total = 7000;  // beyond 5 names per bucket
  dir.SetCount(total);
  for (int i = 3; i < total; ++i) dir.SetItemName(i, U("name" + std::to_string(i)));
  for (int i = 0; i < total; i += 97) {
    ASSERT_TRUE(dir.FileExists(U("NAME" + std::to_string(i)), at));
    EXPECT_EQ(at, i);
  }
  EXPECT_GE(dir.NameList().ValueHashSize(), 5001u);
}

// Names set while loading reach the index only when it is used, and then as if each had been
// set by SetItemName.
TEST(DirArray, NamesSetWhileLoadingAreFoundDeletedAndGuardedLikeOthers) {
  TKZDirArray dir;
  dir.SetCount(4);
  dir.SetLoadedItemName(0, u"Readme.TXT");
  dir.SetLoadedItemName(1, u"sub/lib.dll");
  dir.SetLoadedItemName(1, u"sub/Lib2.dll");  // a name from an extra block replaces the first
  dir.SetLoadedItemName(2, u"third");
  EXPECT_EQ(NativeErrorOf([&] { dir.SetLoadedItemName(0, u"late"); }), kNative::NameListOutOfStep);
  EXPECT_EQ(NativeErrorOf([&] { dir.SetLoadedItemName(4, u"beyond"); }), kNative::DirItemPtrOutOfRange);
  std::int32_t at = -1;
  EXPECT_TRUE(dir.FileExists(u"readme.txt", at));
  EXPECT_EQ(at, 0);
  EXPECT_TRUE(dir.FileExists(u"SUB/LIB2.DLL", at));
  EXPECT_EQ(at, 1);
  EXPECT_FALSE(dir.FileExists(u"sub/lib.dll", at));
  EXPECT_EQ(dir.NameList().Count(), 3);
  dir.DeleteItem(0);
  EXPECT_TRUE(dir.FileExists(u"third", at));
  EXPECT_EQ(at, 1);
  // Once indexed, loading names keeps the index in step.
  dir.SetLoadedItemName(2, u"fourth");
  EXPECT_TRUE(dir.FileExists(u"FOURTH", at));
  EXPECT_EQ(at, 2);
}

// The rotate-by-two hash names were once indexed by: a code unit and the one 16 places after
// it land on the same bits, so equal units there cancel and such names all share one value.
std::uint32_t RotateXorHash(std::u16string_view key) {
  std::uint32_t h = 0;
  for (char16_t c : key) h = ((h << 2) | (h >> 30)) ^ c;
  return h;
}

// `count` distinct names "abc/.../abc" whose first three units repeat 16 places later.
std::vector<std::u16string> RotateXorCollisions(int count) {
  const std::u16string alphabet = u"0123456789abcdefghijklmnopqrstuvwxyz";
  const std::u16string middle = u"/hostile/pad/";  // 13 units: the repeat starts 16 after the first
  std::vector<std::u16string> names;
  for (int i = 0; i < count; ++i) {
    std::u16string head;
    for (int n = i, d = 0; d < 3; ++d, n /= static_cast<int>(alphabet.size()))
      head += alphabet[n % alphabet.size()];
    names.push_back(head + middle + head);
  }
  return names;
}

TEST(StringHash, NamesCollidingUnderTheRotateXorHashSpreadOverTheBuckets) {
  constexpr int kCount = 20000;
  const auto names = RotateXorCollisions(kCount);
  for (const auto& name : names) ASSERT_EQ(RotateXorHash(name), RotateXorHash(names[0]));

  TKZHashedStringList list;
  for (const auto& name : names) list.Add(name);
  for (int i = 0; i < kCount; i += 997) EXPECT_EQ(list.IndexOf(names[static_cast<std::size_t>(i)]), i);
  // One bucket per string: a few strings in the longest chain, not all of them.
  EXPECT_GE(list.ValueHashSize(), static_cast<std::size_t>(kCount));
  EXPECT_LE(list.LongestValueChain(), 16u);
  // Within the process a key always hashes alike.
  EXPECT_EQ(KeyHash(names[5]), KeyHash(std::u16string(names[5])));
}

TEST(StringHash, ChainsKeepTheLastAddedFirst) {
  TKZStringHash hash(7);
  hash.Add(u"k", 1);
  hash.Add(u"k", 2);
  EXPECT_EQ(hash.ValueOf(u"k"), 2);
  hash.Remove(u"k");
  EXPECT_EQ(hash.ValueOf(u"k"), 1);
  EXPECT_TRUE(hash.Modify(u"k", 5));
  EXPECT_EQ(hash.ValueOf(u"k"), 5);
  EXPECT_FALSE(hash.Modify(u"x", 1));
}

TEST(HashedStringList, NameLookupUsesTheTextBeforeTheEqualsSign) {
  TKZHashedStringList list;
  list.Add(u"Key=1");
  list.Add(u"other=2");
  EXPECT_EQ(list.IndexOfName(u"KEY"), 0);
  EXPECT_EQ(list.IndexOfName(u"other"), 1);
  EXPECT_EQ(list.IndexOf(u"KEY=1"), 0);
  list.Delete(0);
  EXPECT_EQ(list.IndexOfName(u"other"), 0);
  EXPECT_EQ(list.IndexOf(u"Key=1"), -1);
}

}  // namespace
}  // namespace kv::archive
