// The event dispatchers: what each presets, hands to its handler and answers without one.
#include <gtest/gtest.h>

#include "tests/archive/extract_fixture.h"

namespace kv::archive::test {
namespace {

TEST(Dispatchers, ProgressWithoutHandlerClearsTheCancelFlag) {
  TKolZip zip;
  zip.FProgressCancel = true;
  zip.DoOverallProgress(poExtract, ppProcess, 10.0);
  EXPECT_FALSE(zip.FProgressCancel);
  zip.FProgressCancel = true;
  zip.DoFileProgress(u"a/b", poExtract, ppProcess, 10.0);
  EXPECT_FALSE(zip.FProgressCancel);
}

TEST(Dispatchers, ProgressHandlersShareTheCancelFlagAndSeeBackslashes) {
  TKolZip zip;
  std::u16string seen;
  zip.OnFileProgress = [&](TObject&, const std::u16string& name, double progress, TKZProcessOperation,
                           TKZProgressPhase phase, bool& cancel) {
    seen = name;
    EXPECT_EQ(progress, 42.0);
    EXPECT_EQ(phase, ppProcess);
    cancel = true;
  };
  zip.DoFileProgress(u"sub/dir/a.txt", poExtract, ppProcess, 42.0);
  EXPECT_EQ(seen, u"sub\\dir\\a.txt");
  EXPECT_TRUE(zip.FProgressCancel);
  bool handed_in = false;
  zip.OnOverallProgress = [&](TObject&, double, TKZProcessOperation, TKZProgressPhase, bool& cancel) {
    handed_in = cancel;  // the flag is not reset before the call
  };
  zip.DoOverallProgress(poExtract, ppEnd, 100.0);
  EXPECT_TRUE(handed_in);
}

TEST(Dispatchers, ConfirmProcessFilePresetsTrue) {
  TKolZip zip;
  bool confirm = false;
  zip.DoConfirmProcessFile(u"a", poExtract, confirm);
  EXPECT_TRUE(confirm);
  zip.OnConfirmProcessFile = [](TObject&, const std::u16string&, TKZProcessOperation, bool& c) {
    EXPECT_TRUE(c);
    c = false;
  };
  zip.DoConfirmProcessFile(u"a", poExtract, confirm);
  EXPECT_FALSE(confirm);
}

TEST(Dispatchers, StoreAndExtractFileNamesTurnSeparators) {
  TKolZip zip;
  std::u16string name = u"a/b.txt";
  std::int32_t attr = 0;
  std::string comment;
  zip.DoStoreFile(name, attr, u"C:\\src\\a\\b.txt", comment);
  EXPECT_EQ(name, u"a/b.txt") << "nothing happens without a handler";
  zip.OnStoreFile = [](TObject&, std::u16string& n, std::int32_t& a, std::string&, const std::u16string&) {
    EXPECT_EQ(n, u"a\\b.txt");
    n = u"x\\y.txt";
    a = 7;
  };
  zip.DoStoreFile(name, attr, u"C:\\src\\a\\b.txt", comment);
  EXPECT_EQ(name, u"x/y.txt");
  EXPECT_EQ(attr, 7);

  std::u16string extract_name = u"a/b/c.txt";
  std::uint32_t extract_attr = 0x20;
  zip.DoExtractFile(extract_name, extract_attr, "");
  EXPECT_EQ(extract_name, u"a\\b\\c.txt") << "turned also without a handler";
}

TEST(Dispatchers, DiskFullCountsVolumesFromOneOrRaises65) {
  TKolZip zip;
  zip.Name = u"archiver";
  bool cancel = true;
  try {
    zip.DoDiskFull(-1, u"x.zip", cancel);
    FAIL() << "no error";
  } catch (const EKZException& e) {
    EXPECT_EQ(e.NativeError(), kNative::DiskFull);
    EXPECT_EQ(U8(e.Message()), "Disk is full. There is not enough free space on disk. - Native error: 00065");
  }
  std::int32_t volume = -5;
  zip.OnDiskFull = [&](TObject&, std::int32_t v, const std::u16string&, bool& c) {
    volume = v;
    EXPECT_FALSE(c);
  };
  zip.DoDiskFull(-1, u"x.zip", cancel);
  EXPECT_EQ(volume, 0);
}

struct FailureCase {
  const char* label;
  std::int32_t native;
  std::vector<ui::MessageAnswer> answers;
  TKZAction action;
  std::size_t questions;
  const char* text;
};

const FailureCase kFailureCases[] = {
    {"OpenAbortedAbortsWithoutAsking", kNative::OpenAborted, {}, fxaAbort, 0, ""},
    {"RetryAnswer", kNative::BadSizeOrChecksum, {ui::MessageAnswer::Retry}, fxaRetry, 1,
     "msg. File processing error, possibly disk is full"},
    {"IgnoreAnswer", kNative::BadSizeOrChecksum, {ui::MessageAnswer::Ignore}, fxaIgnore, 1,
     "msg. File processing error, possibly disk is full"},
    {"AbortAnswer", kNative::CannotCreateExtractedFile, {ui::MessageAnswer::Abort}, fxaAbort, 1,
     "msg. File processing error, possibly disk is full"},
    {"ClosedWithoutButtonAborts", kNative::CannotCreateExtractedFile, {}, fxaAbort, 1,
     "msg. File processing error, possibly disk is full"},
    {"NameTooLongShowsTheMessageAlone", kNative::FileNameTooLong, {ui::MessageAnswer::Ignore}, fxaIgnore, 1,
     "msg"},
    {"NameTooLongCannotBeRetried", kNative::FileNameTooLong, {ui::MessageAnswer::Retry}, fxaAbort, 1, "msg"},
};

class FailurePrompt : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailurePrompt, AnswersFromTheBox) {
  const FailureCase& c = GetParam();
  TKolZip zip;
  ScriptedBoxes boxes;
  boxes.answers.assign(c.answers.begin(), c.answers.end());
  zip.Prompts = &boxes.prompter;
  TKZAction action = fxaRetry;
  zip.DoProcessFileFailure(u"a.txt", poExtract, action, u"msg", 4, c.native);
  EXPECT_EQ(action, c.action);
  ASSERT_EQ(boxes.asked.size(), c.questions);
  if (c.questions) {
    EXPECT_EQ(U8(boxes.asked[0]), c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FailurePrompt, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(Dispatchers, FailureHandlerDecidesFromIgnore) {
  TKolZip zip;
  ScriptedBoxes boxes;
  zip.Prompts = &boxes.prompter;
  zip.OnProcessFileFailure = [](TObject&, const std::u16string& name, TKZProcessOperation op, std::int32_t native,
                                std::int32_t code, const std::u16string& message, TKZAction& action) {
    EXPECT_EQ(name, u"a.txt");
    EXPECT_EQ(op, poExtract);
    EXPECT_EQ(native, kNative::BadSizeOrChecksum);
    EXPECT_EQ(code, 4);
    EXPECT_EQ(message, u"msg");
    EXPECT_EQ(action, fxaIgnore);
  };
  TKZAction action = fxaAbort;
  zip.DoProcessFileFailure(u"a.txt", poExtract, action, u"msg", 4, kNative::BadSizeOrChecksum);
  EXPECT_EQ(action, fxaIgnore);
  EXPECT_TRUE(boxes.asked.empty());
}

}  // namespace
}  // namespace kv::archive::test
