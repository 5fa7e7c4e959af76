#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "archive/processing_lock.h"
#include "platform/file_system.h"
#include "tests/archive/extract_fixture.h"

namespace kv::archive::test {
namespace {

namespace fs = std::filesystem;
using kv::test::ReadFile;
using kv::test::TestDir;

constexpr std::uint32_t kEntryStamp = (0x5A21u << 16) | 0x6000u;

std::string Bytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string out(size, '\0');
  for (auto& c : out) c = static_cast<char>(random() % 7 + 'a');  // compressible, not trivially
  return out;
}

const char* PhaseName(TKZProgressPhase phase) {
  static const char* const kNames[] = {"start", "process", "end"};
  return kNames[phase];
}

// Records every event of an extraction as one line of text.
struct EventLog {
  std::vector<std::string> lines;
  std::vector<std::pair<std::int32_t, std::string>> failures;  // native error, message
  std::deque<TKZAction> failure_answers;                          // default: Ignore

  void Attach(TKZBaseArchiver& zip, bool with_failures = true) {
    zip.OnOverallProgress = [this](TObject&, double progress, TKZProcessOperation, TKZProgressPhase phase, bool&) {
      lines.push_back(Format("overall", "", phase, progress));
    };
    zip.OnFileProgress = [this](TObject&, const std::u16string& name, double progress, TKZProcessOperation,
                                TKZProgressPhase phase, bool&) {
      lines.push_back(Format("file", U8(name), phase, progress));
    };
    zip.OnConfirmProcessFile = [this](TObject&, const std::u16string& name, TKZProcessOperation, bool&) {
      lines.push_back("confirm " + U8(name));
    };
    zip.OnExtractFile = [this](TObject&, std::u16string& name, std::uint32_t&, const std::string&) {
      lines.push_back("extract " + U8(name));
    };
    if (!with_failures) return;
    zip.OnProcessFileFailure = [this](TObject&, const std::u16string& name, TKZProcessOperation, std::int32_t native,
                                      std::int32_t, const std::u16string& message, TKZAction& action) {
      lines.push_back("failure " + U8(name) + " " + std::to_string(native));
      failures.emplace_back(native, U8(message));
      if (!failure_answers.empty()) {
        action = failure_answers.front();
        failure_answers.pop_front();
      }
    };
  }

  static std::string Format(const char* what, const std::string& name, TKZProgressPhase phase, double progress) {
    char value[32];
    std::snprintf(value, sizeof value, "%.3f", progress);
    return std::string(what) + (name.empty() ? "" : " " + name) + " " + PhaseName(phase) + " " + value;
  }
};

TEST(ExtractFiles, RaisesEventsInOrderWithProgressPerEntry) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"a.txt", "0123456789"},
                                {"sub/b.txt", Bytes(100000, 1), kMethodStored},
                                {"c.txt", "", kMethodStored}}));
  EventLog log;
  log.Attach(a.zip);
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  const std::vector<std::string> expected = {
      "overall start 0.000",
      "confirm a.txt", "file a.txt start 0.000", "extract a.txt",
      "file a.txt process 0.000", "overall process 0.000", "file a.txt end 100.000",
      "confirm sub\\b.txt", "file sub\\b.txt start 0.000", "extract sub\\b.txt",
      "file sub\\b.txt process 65.535", "overall process 55.178",
      "file sub\\b.txt process 100.000", "overall process 66.667", "file sub\\b.txt end 100.000",
      "confirm c.txt", "file c.txt start 0.000", "extract c.txt", "file c.txt end 100.000",
      "overall end 100.000"};
  EXPECT_EQ(log.lines, expected);
  EXPECT_EQ(ReadFile(dir / "out/a.txt"), "0123456789");
  EXPECT_EQ(ReadFile(dir / "out/sub/b.txt"), Bytes(100000, 1));
  EXPECT_EQ(ReadFile(dir / "out/c.txt"), "");
  EXPECT_EQ(a.zip.FProcessedFileNo, 3);
}

TEST(ExtractFiles, EntriesGetTheirTimeAndAttributes) {
  TestDir dir;
  Member empty{"empty.txt", "", kMethodStored, kAttrArchive | platform::kAttrHidden, 0x7A3D, 0x4E8F};
  Member read_only{"ro.txt", "data", kMethodDeflate, kAttrArchive | platform::kAttrReadOnly, 0x0000, 0x2821};
  OpenedArchive a(dir, MakeZip({empty, read_only}));
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  const std::u16string empty_path = a.Folder("out/empty.txt");
  const std::u16string ro_path = a.Folder("out/ro.txt");
  EXPECT_EQ(platform::GetLastWriteDosTime(empty_path), (0x4E8Fu << 16) | 0x7A3Du);
  EXPECT_EQ(platform::GetLastWriteDosTime(ro_path), (0x2821u << 16));
  EXPECT_EQ(platform::GetFileAttributesAt(empty_path).value_or(0) & 0x07, platform::kAttrHidden);
  EXPECT_EQ(platform::GetFileAttributesAt(ro_path).value_or(0) & 0x07, platform::kAttrReadOnly);
  platform::SetFileAttributesAt(ro_path, 0);
}

// Changes the process's current folder for one test and puts the previous one back.
class CurrentFolderScope {
 public:
  explicit CurrentFolderScope(const std::u16string& folder) : previous_(platform::CurrentFolder()) {
    EXPECT_TRUE(platform::SetCurrentFolder(folder));
  }
  ~CurrentFolderScope() { platform::SetCurrentFolder(previous_); }
  CurrentFolderScope(const CurrentFolderScope&) = delete;
  CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

 private:
  std::u16string previous_;
};

struct DestinationCase {
  const char* label;
  const char* base_dir;  // below the test folder; "" for none (the current folder)
  bool trailing_backslash;
  const char* lands_in;  // below the test folder
};

constexpr DestinationCase kDestinationCases[] = {
    {"BaseDirWithoutBackslash", "out", false, "out"},
    {"BaseDirWithBackslash", "out", true, "out"},
    {"MissingBaseDirCreatedWithParents", "new/deeper/out", false, "new/deeper/out"},
    {"EmptyBaseDirIsTheCurrentFolder", "", false, "cwd"},
};

class Destination : public ::testing::TestWithParam<DestinationCase> {};

TEST_P(Destination, ExtractsBelowTheDestination) {
  const DestinationCase& c = GetParam();
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"top.txt", "t"}, {"sub/", "", kMethodStored, kAttrDirectory}, {"sub/in.txt", "i"}}));
  fs::create_directories(dir / "cwd");
  CurrentFolderScope scope(a.Folder("cwd"));
  if (*c.base_dir) a.zip.SetBaseDir(a.Folder(c.base_dir) + (c.trailing_backslash ? u"\\" : u""));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  const fs::path root = dir / c.lands_in;
  EXPECT_EQ(ReadFile(root / "top.txt"), "t");
  EXPECT_EQ(ReadFile(root / "sub/in.txt"), "i");
  EXPECT_TRUE(fs::is_directory(root / "sub"));
}

INSTANTIATE_TEST_SUITE_P(Cases, Destination, ::testing::ValuesIn(kDestinationCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ExtractFiles, DestinationThatCannotBeCreatedFailsEveryEntry) {
  TestDir dir;
  dir.Write("blocker", "a file where the folder should be");
  OpenedArchive a(dir, MakeZip({{"a.txt", "a"}, {"b.txt", "b"}, {"c/d.txt", "d"}}));
  EventLog log;
  log.Attach(a.zip);
  a.zip.SetBaseDir(a.Folder("blocker") + u"\\out");
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  ASSERT_EQ(log.failures.size(), 3u);
  for (const auto& [native, message] : log.failures) {
    EXPECT_EQ(native, kNative::CannotCreateExtractedFolder);
    EXPECT_NE(message.find("Cannot create directory"), std::string::npos) << message;
  }
  EXPECT_EQ(log.lines.back(), "overall end 100.000");
}

// Two files exist already; the archive brings newer contents for both.
struct OverwriteCase {
  const char* label;
  TKZOverwriteMode mode;
  std::vector<ui::MessageAnswer> answers;
  std::uint32_t existing_stamp;
  bool x_replaced;
  bool y_replaced;
  TKZOverwriteMode mode_after;
  std::size_t questions;
};

constexpr std::uint32_t kOlder = (0x5021u << 16);  // 2020-01-01
constexpr std::uint32_t kNewer = (0x7C21u << 16);  // 2042-01-01
using Answer = ui::MessageAnswer;

const OverwriteCase kOverwriteCases[] = {
    {"PromptYesThenNo", omPrompt, {Answer::Yes, Answer::No}, kOlder, true, false, omPrompt, 2},
    {"PromptNoToAll", omPrompt, {Answer::NoToAll}, kOlder, false, false, omNever, 1},
    {"PromptYesToAll", omPrompt, {Answer::YesToAll}, kOlder, true, true, omAlways, 1},
    {"PromptClosedWithoutButton", omPrompt, {}, kOlder, false, false, omPrompt, 2},
    {"Always", omAlways, {}, kNewer, true, true, omAlways, 0},
    {"Never", omNever, {}, kOlder, false, false, omNever, 0},
    {"IfNewerWithOlderFile", omIfNewer, {}, kOlder, true, true, omIfNewer, 0},
    {"IfNewerWithEqualStamp", omIfNewer, {}, kEntryStamp, false, false, omIfNewer, 0},
    {"IfNewerWithNewerFile", omIfNewer, {}, kNewer, false, false, omIfNewer, 0},
    {"IfOlderWithEqualStamp", omIfOlder, {}, kEntryStamp, false, false, omIfOlder, 0},
    {"IfOlderWithNewerFile", omIfOlder, {}, kNewer, true, true, omIfOlder, 0},
};

class Overwrite : public ::testing::TestWithParam<OverwriteCase> {};

TEST_P(Overwrite, DecidesByMode) {
  const OverwriteCase& c = GetParam();
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"x.txt", "new x"}, {"y.txt", "new y"}}));
  for (const char* name : {"out/x.txt", "out/y.txt"}) {
    dir.Write(name, "old");
    ASSERT_TRUE(platform::SetLastWriteDosTime(a.Folder(name), c.existing_stamp));
  }
  a.boxes.answers.assign(c.answers.begin(), c.answers.end());
  a.zip.Options().SetOverwriteMode(c.mode);
  a.zip.SetBaseDir(a.Folder("out"));
  std::vector<std::string> finished;
  a.zip.OnFileProgress = [&](TObject&, const std::u16string& name, double, TKZProcessOperation, TKZProgressPhase phase,
                             bool&) {
    if (phase == ppEnd) finished.push_back(U8(name));
  };
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(ReadFile(dir / "out/x.txt"), c.x_replaced ? "new x" : "old");
  EXPECT_EQ(ReadFile(dir / "out/y.txt"), c.y_replaced ? "new y" : "old");
  EXPECT_EQ(a.zip.Options().OverwriteMode(), c.mode_after);
  ASSERT_EQ(a.boxes.asked.size(), c.questions);
  EXPECT_EQ(finished, (std::vector<std::string>{"x.txt", "y.txt"})) << "skipped files still count as finished";
  if (c.questions > 0) {
    const std::string expected = "Overwrite file \"" + U8(a.Folder("out")) + "\\x.txt\" with \"x.txt\"";
    EXPECT_EQ(U8(a.boxes.asked[0]), expected);
    EXPECT_EQ(a.boxes.buttons[0], ui::MessageButtons::YesNoNoToAllYesToAll);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Overwrite, ::testing::ValuesIn(kOverwriteCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ExtractFiles, ConfirmOverwriteHandlerMayRedirectTheTarget) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"x.txt", "new"}}));
  dir.Write("out/x.txt", "old");
  a.zip.Options().SetOverwriteMode(omPrompt);
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.OnConfirmOverwrite = [&](TObject&, const std::u16string& source, std::u16string& dest, bool& confirm) {
    EXPECT_EQ(source, u"x.txt");
    EXPECT_FALSE(confirm);
    dest = a.Folder("out/renamed.txt");
    confirm = true;
  };
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(ReadFile(dir / "out/x.txt"), "old");
  EXPECT_EQ(ReadFile(dir / "out/renamed.txt"), "new");
  EXPECT_TRUE(a.boxes.asked.empty());
}

TEST(ExtractFiles, ReadOnlyTargetsAreReplacedOnlyWhenAllowed) {
  for (const bool replace : {true, false}) {
    TestDir dir;
    OpenedArchive a(dir, MakeZip({{"x.txt", "new", kMethodDeflate, kAttrArchive}}));
    dir.Write("out/x.txt", "old");
    const std::u16string target = a.Folder("out/x.txt");
    ASSERT_TRUE(platform::SetFileAttributesAt(target, platform::kAttrReadOnly));
    a.zip.Options().SetReplaceReadOnly(replace);
    a.zip.SetBaseDir(a.Folder("out"));
    a.zip.ExtractFiles(u"*.*", 10431, u"");
    EXPECT_EQ(ReadFile(dir / "out/x.txt"), replace ? "new" : "old") << replace;
    EXPECT_EQ(platform::GetFileAttributesAt(target).value_or(0) & platform::kAttrReadOnly,
              replace ? 0u : platform::kAttrReadOnly);
    platform::SetFileAttributesAt(target, 0);
  }
}

// A damaged or unreadable member: what the failure event reports and what stays on disk.
struct DamageCase {
  const char* label;
  Member member;
  bool extract_corrupted;
  std::int32_t native;  // 0: no failure
  const char* left_on_disk;  // nullptr: no file
};

Member WithCrc(Member m, std::int64_t crc) { return m.stored_crc = crc, m; }
Member WithSize(Member m, std::int64_t size) { return m.stored_size = size, m; }
Member WithMethod(Member m, std::uint16_t method) { return m.method = method, m; }
Member WithFlags(Member m, std::uint16_t flags) { return m.flags = flags, m; }

const Member kPlain{"m.txt", "payload bytes"};

const DamageCase kDamageCases[] = {
    {"CrcMismatchDeletesTheFile", WithCrc(kPlain, 1234), false, kNative::BadSizeOrChecksum, nullptr},
    {"CrcMismatchKeptOnRequest", WithCrc(kPlain, 1234), true, 0, "payload bytes"},
    {"StoredCrcMismatch", WithCrc(WithMethod(kPlain, kMethodStored), 99), false,
     kNative::BadSizeOrChecksum, nullptr},
    {"Deflate64IsNotSupported", WithMethod(kPlain, kMethodDeflate64), false,
     kNative::Deflate64Unsupported, nullptr},
    {"UnknownMethod", WithMethod(kPlain, 99), false, kNative::BadSizeOrChecksum, nullptr},
    {"EncryptedMember", WithFlags(kPlain, 1), false, kNative::EncryptedMember, nullptr},
    // A member that inflates past its declared size stops there: a small archive cannot fill the disk.
    {"InflatesPastDeclaredSize", WithSize(kPlain, 4), false, kNative::BadSizeOrChecksum, nullptr},
    {"InflatesPastDeclaredSizeKeptCut", WithSize(kPlain, 4), true, 0, "payl"},
    {"StoredPastDeclaredSize", WithSize(WithMethod(kPlain, kMethodStored), 3), false,
     kNative::BadSizeOrChecksum, nullptr},
    {"ShorterThanDeclared", WithSize(kPlain, 100), false, kNative::BadSizeOrChecksum, nullptr},
};

class Damage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(Damage, FailsThroughTheFailureEvent) {
  const DamageCase& c = GetParam();
  TestDir dir;
  OpenedArchive a(dir, MakeZip({c.member, {"good.txt", "fine"}}));
  EventLog log;
  log.Attach(a.zip);
  a.zip.SetExtractCorruptedFiles(c.extract_corrupted);
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  if (c.native) {
    ASSERT_EQ(log.failures.size(), 1u);
    EXPECT_EQ(log.failures[0].first, c.native);
  } else {
    EXPECT_TRUE(log.failures.empty());
  }
  EXPECT_EQ(fs::exists(dir / "out/m.txt"), c.left_on_disk != nullptr);
  if (c.left_on_disk) {
    EXPECT_EQ(ReadFile(dir / "out/m.txt"), c.left_on_disk);
  }
  EXPECT_EQ(ReadFile(dir / "out/good.txt"), "fine") << "the rest is extracted";
}

INSTANTIATE_TEST_SUITE_P(Cases, Damage, ::testing::ValuesIn(kDamageCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ExtractFiles, NamesThatClimbOutOfTheDestinationAreRefused) {
  TestDir dir;
  const std::vector<std::string> evil = {"../evil1.txt", "sub/../../evil2.txt", "..\\evil3.txt", "sub/.../evil4.txt",
                                         "sub/.. /evil5.txt"};
  std::vector<Member> members;
  for (const auto& name : evil) members.push_back({name, "evil"});
  members.push_back({"ok.txt", "ok"});
  OpenedArchive a(dir, MakeZip(members));
  EventLog log;
  log.Attach(a.zip);
  a.zip.SetBaseDir(a.Folder("deep/out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  ASSERT_EQ(log.failures.size(), evil.size());
  for (const auto& [native, message] : log.failures) {
    EXPECT_EQ(native, kNative::CannotCreateExtractedFile);
    EXPECT_NE(message.find("evil"), std::string::npos) << "the message names the entry: " << message;
  }
  EXPECT_EQ(ReadFile(dir / "deep/out/ok.txt"), "ok");
  for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find("evil"), std::string::npos) << entry.path();
}

TEST(ExtractFiles, DriveNamesGoToTheirPlaceDoubledSeparatorsStayInside) {
  TestDir dir;
  fs::create_directories(dir / "elsewhere");
  std::string absolute = U8(platform::FullPath(kv::test::PathText(dir / "elsewhere"))) + "\\abs.txt";
  for (auto& ch : absolute)
    if (ch == '\\') ch = '/';
  CurrentFolderScope scope(kv::test::PathText(dir / "elsewhere"));
  OpenedArchive a(dir, MakeZip({{absolute, "absolute"}, {"a//b.txt", "doubled"}}));
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(ReadFile(dir / "elsewhere/abs.txt"), "absolute") << "a name with a drive gives its own place";
  EXPECT_EQ(ReadFile(dir / "out/a/b.txt"), "doubled") << "a doubled separator is no network path";
  EXPECT_FALSE(fs::exists(dir / "elsewhere/a"));
}

TEST(ExtractFiles, MaskFindsTheNameAlsoInSubFolders) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"mendkit.ini", "top"}, {"sub/mendkit.ini", "sub"}, {"other.dll", "x"}}));
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"mendkit.ini", 10431, u"");
  EXPECT_EQ(ReadFile(dir / "out/mendkit.ini"), "top");
  EXPECT_EQ(ReadFile(dir / "out/sub/mendkit.ini"), "sub");
  EXPECT_FALSE(fs::exists(dir / "out/other.dll"));
}

TEST(ExtractFiles, NoMatchGivesOnlyTheOverallEventsOnTheScanningRoad) {
  for (const bool recurse : {true, false}) {
    TestDir dir;
    OpenedArchive a(dir, MakeZip({{"a.txt", "a"}}));
    EventLog log;
    log.Attach(a.zip);
    a.zip.Options().SetRecurse(recurse);
    a.zip.SetBaseDir(a.Folder("out"));
    a.zip.ExtractFiles(u"missing.txt", 10431, u"");
    const std::vector<std::string> scanning = {"overall start 0.000", "overall end 100.000"};
    EXPECT_EQ(log.lines, recurse ? scanning : std::vector<std::string>{}) << recurse;
    EXPECT_FALSE(fs::exists(dir / "out"));
  }
}

TEST(ExtractFiles, PlainNameRoadExtractsTheOneEntry) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"a.txt", "a"}, {"B.txt", "b"}, {"sub/b.txt", "sub"}}));
  a.zip.Options().SetRecurse(false);
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"b.TXT", 10431, u"");
  EXPECT_EQ(ReadFile(dir / "out/B.txt"), "b");
  EXPECT_FALSE(fs::exists(dir / "out/a.txt"));
  EXPECT_FALSE(fs::exists(dir / "out/sub"));
}

TEST(ExtractFiles, MaskListFormUsesTheArchiversLists) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"a.dll", "a"}, {"b.ocx", "b"}, {"c.txt", "c"}, {"skip.dll", "s"}}));
  a.zip.FileMasks() = {u"*.dll", u"*.ocx"};
  a.zip.ExclusionMasks() = {u"skip.*"};
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles();
  EXPECT_TRUE(fs::exists(dir / "out/a.dll"));
  EXPECT_TRUE(fs::exists(dir / "out/b.ocx"));
  EXPECT_FALSE(fs::exists(dir / "out/c.txt"));
  EXPECT_FALSE(fs::exists(dir / "out/skip.dll"));
}

TEST(ExtractFiles, CancelInTheFirstProcessEventOfALargeEntry) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"first.txt", "kept"}, {"large.bin", Bytes(3 << 20, 7)}, {"last.txt", "never"}}));
  EventLog log;
  log.Attach(a.zip);
  const auto record = a.zip.OnFileProgress;
  a.zip.OnFileProgress = [&](TObject& sender, const std::u16string& name, double progress, TKZProcessOperation op,
                             TKZProgressPhase phase, bool& cancel) {
    record(sender, name, progress, op, phase, cancel);
    if (name == u"large.bin" && phase == ppProcess) cancel = true;
  };
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(ReadFile(dir / "out/first.txt"), "kept");
  EXPECT_FALSE(fs::exists(dir / "out/large.bin"));
  EXPECT_FALSE(fs::exists(dir / "out/last.txt"));
  EXPECT_EQ(log.lines.back(), "overall end 100.000");
  EXPECT_TRUE(log.failures.empty());
  EXPECT_TRUE(a.zip.FProgressCancel);
}

TEST(ExtractFiles, CancelOnTheOverallStartStopsBeforeAnyEntry) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"a.txt", "a"}}));
  std::vector<TKZProgressPhase> phases;
  a.zip.OnOverallProgress = [&](TObject&, double, TKZProcessOperation, TKZProgressPhase phase, bool& cancel) {
    phases.push_back(phase);
    cancel = true;
  };
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(phases, std::vector<TKZProgressPhase>{ppStart});
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(ExtractFiles, DefaultFailurePromptRetriesIgnoresAndAborts) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({WithCrc({"bad1.txt", "x"}, 1), WithCrc({"bad2.txt", "y"}, 1), {"good.txt", "g"}}));
  a.boxes.answers = {Answer::Retry, Answer::Ignore, Answer::Abort};
  std::vector<std::string> confirmed;
  a.zip.OnConfirmProcessFile = [&](TObject&, const std::u16string& name, TKZProcessOperation, bool&) {
    confirmed.push_back(U8(name));
  };
  bool final_event = false;
  a.zip.OnOverallProgress = [&](TObject&, double progress, TKZProcessOperation, TKZProgressPhase phase, bool&) {
    final_event = phase == ppEnd && progress == 100.0;
  };
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(confirmed, (std::vector<std::string>{"bad1.txt", "bad1.txt", "bad2.txt"})) << "Retry runs the entry again";
  ASSERT_EQ(a.boxes.asked.size(), 3u);
  EXPECT_EQ(a.boxes.buttons[0], ui::MessageButtons::AbortRetryIgnore);
  const std::string text = U8(a.boxes.asked[0]);
  EXPECT_NE(text.find("Invalid size or check sum"), std::string::npos) << text;
  EXPECT_NE(text.find(" - Native error: 00008. File processing error, possibly disk is full"), std::string::npos)
      << text;
  EXPECT_FALSE(fs::exists(dir / "out/good.txt")) << "Abort ends the pass";
  EXPECT_TRUE(final_event);
  EXPECT_EQ(a.zip.FProcessedFileNo, 0);
}

TEST(ExtractFiles, ExceptionsFromHandlersThatAreNotEngineErrorsReachTheCaller) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"a.txt", Bytes(1000, 3)}, {"b.txt", "b"}}));
  a.zip.OnFileProgress = [](TObject&, const std::u16string&, double, TKZProcessOperation, TKZProgressPhase phase,
                            bool&) {
    if (phase == ppProcess) throw std::runtime_error("handler failed");
  };
  a.zip.SetBaseDir(a.Folder("out"));
  EXPECT_THROW(a.zip.ExtractFiles(u"*.*", 10431, u""), std::runtime_error);
  EXPECT_FALSE(fs::exists(dir / "out/a.txt")) << "the file being written is deleted";
  EXPECT_TRUE(ProcessingLock().try_lock()) << "the lock is released";
  ProcessingLock().unlock();
}

TEST(ExtractFiles, EngineErrorsFromHandlersFailOnlyThatEntry) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"refused.txt", "r"}, {"b.txt", "b"}}));
  EventLog log;
  log.Attach(a.zip);
  a.zip.OnExtractFile = [&](TObject& sender, std::u16string& name, std::uint32_t&, const std::string&) {
    if (name == u"refused.txt") throw EKZException(kNative::CannotCreateExtractedFile, {name}, sender.Name);
  };
  a.zip.SetBaseDir(a.Folder("out"));
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  ASSERT_EQ(log.failures.size(), 1u);
  EXPECT_FALSE(fs::exists(dir / "out/refused.txt"));
  EXPECT_EQ(ReadFile(dir / "out/b.txt"), "b");
}

TEST(ExtractFiles, NeedsAnOpenArchiveOutsideAnUpdate) {
  TKolZip closed;
  try {
    closed.ExtractFiles(u"*.*", 10431, u"");
    FAIL() << "no error";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), kNative::ArchiveNotOpen);
  }
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"a.txt", "a"}}));
  a.zip.BeginUpdate();
  try {
    a.zip.ExtractFiles();
    FAIL() << "no error";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), kNative::UpdateNotEnded);
  }
  a.zip.CancelUpdate();
}

TEST(ExtractFiles, CreateDirsOffPutsEveryFileIntoTheDestination) {
  TestDir dir;
  OpenedArchive a(dir, MakeZip({{"sub/deep/a.txt", "a"}, {"b.txt", "b"}}));
  a.zip.Options().SetCreateDirs(false);
  a.zip.SetBaseDir(a.Folder("out"));
  fs::create_directories(dir / "out");
  a.zip.ExtractFiles(u"*.*", 10431, u"");
  EXPECT_EQ(ReadFile(dir / "out/a.txt"), "a");
  EXPECT_FALSE(fs::exists(dir / "out/sub"));
}

// The archiver with its buffered writer within reach.
struct WriterProbe : TKolZip {
  using TKZBaseArchiver::WriteBufferToStream;
};

TEST(ExtractFiles, ShortWritesAskForDiskSpaceThenRetryOrCancel) {
  // A stream that accepts nothing stands for a full disk.
  struct FullStream : TKZMemoryStream {
    std::size_t Write(const void*, std::size_t) override { return 0; }
  };
  WriterProbe zip;
  int asked = 0;
  zip.OnDiskFull = [&](TObject&, std::int32_t volume, const std::u16string&, bool& cancel) {
    EXPECT_EQ(volume, 0);
    cancel = ++asked == 2;
  };
  FullStream full;
  EXPECT_FALSE(zip.WriteBufferToStream(full, "abc", 3));
  EXPECT_EQ(asked, 2) << "retried once, then cancelled";
  EXPECT_TRUE(zip.FProgressCancel);
  zip.OnDiskFull = nullptr;
  zip.Name = u"archiver";
  try {
    zip.WriteBufferToStream(full, "abc", 3);
    FAIL() << "no error";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), kNative::DiskFull);
    EXPECT_EQ(U8(e.Message()).rfind("Disk is full.", 0), 0u) << "no name in front";
  }
  TKZMemoryStream fine;
  EXPECT_TRUE(zip.WriteBufferToStream(fine, "abc", 3));
  EXPECT_EQ(fine.bytes(), "abc");
}

}  // namespace
}  // namespace kv::archive::test
