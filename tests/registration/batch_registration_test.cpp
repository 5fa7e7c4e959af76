// Handler behaviour that needs no registration tool: browsing, ticking, searching, the empty
// run, the progress figures, runs over libraries that fail before regsvr32, and Save log.
#include "registration/batch_registration.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/code_pages.h"
#include "platform/date_time.h"
#include "platform/errors.h"
#include "registration/texts.h"
#include "tests/registration/batch_harness.h"

namespace kv::registration {
namespace {

using test::TestDir;
using Names = std::vector<std::u16string>;

TEST(Browse, ConfirmedFolderRebuildsListDropsTicksAndAppendsBackslash) {
  TestDir dir;
  dir.Write("a.dll", "x");
  dir.Write("b.ocx", "x");
  BatchHarness h;
  h.BrowseAndTick(dir.text(), {u"a.dll", u"b.ocx"});
  EXPECT_EQ(h.picker.captions, Names{u"Please, select a folder:"});
  EXPECT_EQ(h.folder.Text(), dir.text() + u"\\");
  EXPECT_EQ(h.libraries.Names(), (Names{u"a.dll", u"b.ocx"}));

  h.BrowseAndTick(dir.text() + u"\\", {});  // the picker's answer already ends with "\"
  EXPECT_EQ(h.folder.Text(), dir.text() + u"\\\\");
  EXPECT_EQ(h.libraries.Names(), (Names{u"a.dll", u"b.ocx"}));
  EXPECT_FALSE(h.libraries.Checked(0));
  EXPECT_FALSE(h.libraries.Checked(1));
}

TEST(Browse, CancelChangesNothing) {
  TestDir dir;
  dir.Write("a.dll", "x");
  BatchHarness h;
  h.BrowseAndTick(dir.text(), {u"a.dll"});
  h.log.Append(u"kept");
  h.batch.BrowseForFolder();  // no scripted answer: cancelled
  EXPECT_EQ(h.folder.Text(), dir.text() + u"\\");
  EXPECT_EQ(h.libraries.Names(), Names{u"a.dll"});
  EXPECT_TRUE(h.libraries.Checked(0));
  EXPECT_EQ(h.log.Lines(), Names{u"kept"});
  EXPECT_EQ(h.status.Text(), u"(waiting)");
}

TEST(Browse, DriveRootGivesTwoBackslashesAndPathsBuiltUnchanged) {
  BatchHarness h;
  h.BrowseAndTick(u"Z:\\", {});
  EXPECT_EQ(h.folder.Text(), u"Z:\\\\");
  h.libraries.Clear();
  h.libraries.Add(u"kv-missing-library.dll");
  h.libraries.SetChecked(0, true);
  h.batch.RegisterTicked();
  EXPECT_EQ(h.log.Lines().at(4), u"Z:\\\\kv-missing-library.dll failed.");
}

// What the status bar says once a folder was listed, by Browse or typed into the field.
struct ListingCase {
  const char* name;
  std::vector<const char*> files;  // written into the folder; "" for none and no folder at all
  bool typed;                      // typed into the field (without the final "\\") instead of browsed
  const char16_t* status_bar;      // a text ending in ": " is followed by the system's reason
};

const ListingCase kListings[] = {
    {"three_libraries", {"a.dll", "b.ocx", "c.DLL", "notes.txt"}, false, u"3 libraries"},
    {"one_library_typed", {"a.dll"}, true, u"1 library"},
    {"no_library", {"notes.txt"}, false, u"No .dll or .ocx files in this folder"},
    {"empty_folder_typed", {}, true, u"No .dll or .ocx files in this folder"},
    {"missing_folder", {""}, false, u"Cannot read this folder: "},
    {"missing_folder_typed", {""}, true, u"Cannot read this folder: "},
};

TEST(Listing, StatusBarSaysWhatTheFolderHeld) {
  for (const auto& c : kListings) {
    SCOPED_TRACE(c.name);
    TestDir dir;
    const auto folder = dir / "libs";
    if (c.files.empty() || !std::string(c.files[0]).empty()) std::filesystem::create_directory(folder);
    for (const char* file : c.files)
      if (*file != 0) dir.Write(std::string("libs/") + file, "x");
    BatchHarness h;
    if (c.typed) {
      h.folder.SetText(test::PathText(folder));
      h.batch.ListTypedFolder();
    } else {
      h.picker.answers.push_back(test::PathText(folder));
      h.batch.BrowseForFolder();
    }
    EXPECT_EQ(h.folder.Text(), test::PathText(folder) + u"\\");
    const std::u16string expected = c.status_bar;
    if (expected.back() == u' ') {
      ASSERT_EQ(h.status_bar.Text().rfind(expected, 0), 0u);
      EXPECT_GT(h.status_bar.Text().size(), expected.size());
    } else {
      EXPECT_EQ(h.status_bar.Text(), expected);
    }
  }
}

TEST(Listing, TypedFolderIsListedLikeABrowsedOne) {
  TestDir dir;
  dir.Write("a.dll", "x");
  BatchHarness h;
  h.batch.ListTypedFolder();  // an empty field lists nothing
  EXPECT_EQ(h.folder.Text(), u"");
  EXPECT_EQ(h.status_bar.Text(), u"Pick a folder to list its COM libraries.");

  h.folder.SetText(dir.text() + u"\\");  // typed with its "\\": kept as typed
  h.libraries.Add(u"old.dll");
  h.batch.ListTypedFolder();
  EXPECT_EQ(h.folder.Text(), dir.text() + u"\\");
  EXPECT_EQ(h.libraries.Names(), Names{u"a.dll"});
  EXPECT_TRUE(h.picker.captions.empty());
}

TEST(Browse, OpensAtTheCurrentFolder) {
  TestDir dir;
  BatchHarness h;
  h.batch.BrowseForFolder();  // nothing chosen yet: the picker's own start
  h.picker.answers.push_back(dir.text());
  h.batch.BrowseForFolder();
  h.batch.BrowseForFolder();
  EXPECT_EQ(h.picker.start_folders, (Names{u"", u"", dir.text() + u"\\"}));
}

TEST(SelectButtons, TickAndUntickEveryEntry) {
  BatchHarness h;
  h.batch.TickAll();  // empty list: nothing happens
  for (const char16_t* name : {u"a.dll", u"b.dll", u"c.ocx"}) h.libraries.Add(name);
  h.libraries.SetChecked(1, true);
  h.batch.TickAll();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(h.libraries.Checked(i));
  h.batch.UntickAll();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(h.libraries.Checked(i));
}

TEST(SearchField, SelectsFirstMatchOfItsText) {
  BatchHarness h;
  for (const char16_t* name : {u"Alpha.dll", u"Grid32.ocx"}) h.libraries.Add(name);
  h.search.SetText(u"gr");
  h.batch.SelectSearchMatch();
  EXPECT_EQ(h.libraries.SelectedIndex(), 1);
  h.search.SetText(u"");
  h.batch.SelectSearchMatch();
  EXPECT_EQ(h.libraries.SelectedIndex(), 0);
}

TEST(RegisterRun, NothingTickedShowsErrorAndLeavesLogAlone) {
  for (bool with_entries : {false, true}) {
    SCOPED_TRACE(with_entries);
    BatchHarness h;
    if (with_entries) h.libraries.Add(u"a.dll");
    h.status.SetText(u"old status");
    h.batch.RegisterTicked();
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text,
              u"No files loaded or selected, please, specify a folder and/or select a files to register.");
    EXPECT_EQ(h.boxes.shown[0].kind, ui::MessageKind::Error);
    EXPECT_EQ(h.boxes.shown[0].buttons, ui::MessageButtons::Ok);
    EXPECT_EQ(h.folder.focus_count, 1);
    EXPECT_EQ(h.status.Text(), u"(waiting)");
    EXPECT_EQ(h.progress.history, std::vector<int>{0});
    EXPECT_TRUE(h.log.Lines().empty());
    EXPECT_FALSE(h.save_log.Enabled());
  }
}

struct FiguresCase {
  int count;
  int step;
  int rest;
};

constexpr FiguresCase kFigures[] = {{1, 100, 0}, {3, 33, 1},    {7, 14, 2},
                                    {100, 1, 0}, {101, 0, 100}, {250, 0, 100}};

TEST(RegisterRun, ProgressFiguresSplitHundredEvenly) {
  for (const auto& c : kFigures) {
    SCOPED_TRACE(c.count);
    const ProgressFigures figures = ProgressFiguresFor(c.count);
    EXPECT_EQ(figures.step, c.step);
    EXPECT_EQ(figures.rest, c.rest);
  }
}

// Missing libraries fail before regsvr32 is needed, so these runs work on every platform.
struct BarCase {
  int entries;
  int ticked;
  std::vector<int> positions;  // after the reset, each library, and the end
};

const BarCase kBarCases[] = {
    {5, 3, {0, 33, 66, 99, 100}},
    {7, 7, {0, 14, 28, 42, 56, 70, 84, 98, 100}},
    {102, 101, {}},  // steps of 0: filled in below
};

TEST(RegisterRun, ProgressBarAdvancesByStepAndEndsAtHundred) {
  for (const auto& c : kBarCases) {
    SCOPED_TRACE(c.ticked);
    BatchHarness h;
    h.folder.SetText(u"Z:\\kv-no-such-folder\\");
    // `ticked` entries spread over the list, unticked ones between them.
    for (int i = 0; i < c.entries; ++i) {
      h.libraries.Add(u"lib" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u".dll");
      h.libraries.SetChecked(i, (i * c.ticked) / c.entries != ((i + 1) * c.ticked) / c.entries);
    }
    h.batch.RegisterTicked();
    std::vector<int> expected = c.positions;
    if (expected.empty()) {
      expected.assign(static_cast<size_t>(c.ticked) + 1, 0);
      expected.push_back(100);
    }
    EXPECT_EQ(h.progress.history, expected);
    EXPECT_EQ(h.log.Count(), 4 + 2 * c.ticked + 1);  // each missing library: result and cause
  }
}

TEST(RegisterRun, FailedLibrariesAreCountedInTheEndMessage) {
  BatchHarness h;
  const std::u16string folder = u"Z:\\kv-no-such-folder\\";
  h.folder.SetText(folder);
  for (const char16_t* name : {u"a.dll", u"b.dll", u"c.ocx"}) h.libraries.Add(name);
  h.libraries.TickNames({u"a.dll", u"c.ocx"});
  const std::u16string date_before = platform::CurrentShortDate();
  h.batch.RegisterTicked();
  const std::u16string date_after = platform::CurrentShortDate();

  // The header carries today's date in the user's short format and a time with seconds.
  ASSERT_GE(h.log.Count(), 3);
  EXPECT_TRUE(h.log.Lines()[1] == u"Performed on: " + date_before ||
              h.log.Lines()[1] == u"Performed on: " + date_after);
  EXPECT_EQ(h.log.Lines()[2].rfind(u"System time: ", 0), 0u);
  EXPECT_GE(std::count(h.log.Lines()[2].begin(), h.log.Lines()[2].end(), u':'), 3);

  // Each failed line is followed by its cause: the files are missing.
  ASSERT_EQ(h.log.Count(), 4 + 4 + 1);
  EXPECT_EQ(ResultLines(h.log.Lines()), (Names{folder + u"a.dll failed.", folder + u"c.ocx failed."}));
  EXPECT_EQ(h.log.Lines()[5].rfind(u"    cannot be read: ", 0), 0u);
  EXPECT_EQ(h.log.Lines()[7].rfind(u"    cannot be read: ", 0), 0u);
  EXPECT_EQ(h.status.Text(), u"2 of 2 libraries failed to register.");
  EXPECT_EQ(h.status_bar.Text(), u"2 of 2 libraries failed to register.");
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, u"2 of 2 libraries failed to register.");
  EXPECT_EQ(h.boxes.shown[0].kind, ui::MessageKind::Warning);
  EXPECT_TRUE(h.save_log.Enabled());
  // The status shows each path after its registration.
  EXPECT_EQ(h.status.history,
            (Names{folder + u"a.dll", folder + u"c.ocx", u"2 of 2 libraries failed to register."}));
}

TEST(RegisterRun, SummaryWording) {
  EXPECT_EQ(FailureSummary(2, 5), u"2 of 5 libraries failed to register.");
  EXPECT_EQ(FailureSummary(1, 1), u"1 of 1 library failed to register.");
  EXPECT_EQ(StoppedSummary(1), u"Stopped: 1 library not attempted.");
  EXPECT_EQ(StoppedSummary(12), u"Stopped: 12 libraries not attempted.");
  EXPECT_EQ(ListedSummary(1), u"1 library");
  EXPECT_EQ(ListedSummary(0), u"0 libraries");
}

TEST(SaveLog, WritesExactLinesAsAnsiWithCrLfReplacingOldFile) {
  TestDir dir;
  dir.Write("run.log", std::string(3000, '#'));
  BatchHarness h;
  for (const char16_t* line : {u"Kolvane ver. 0.4 operation output", u"C:\\Bibliothek\\\u00e9t\u00e9.dll OK!",
                               u"--------------------------------------------"})
    h.log.Append(line);
  h.save_log_dialog.answers.push_back(dir.text() + u"\\run.log");
  h.batch.SaveLog();
  EXPECT_EQ(h.save_log_dialog.suggested, Names{u"Kolvane.log"});
  EXPECT_EQ(test::ReadFile(dir / "run.log"),
            "Kolvane ver. 0.4 operation output\r\nC:\\Bibliothek\\" + platform::ToAnsi(u"\u00e9t\u00e9") +
                ".dll OK!\r\n--------------------------------------------\r\n");
  EXPECT_EQ(test::ReadFile(dir / "run.log").substr(0, 3), "Kol");  // no byte-order mark
}

TEST(SaveLog, CancelWritesNothingAndUnwritableFileRaisesPlatformError) {
  TestDir dir;
  BatchHarness h;
  h.log.Append(u"line");
  h.batch.SaveLog();
  EXPECT_EQ(h.save_log_dialog.executed, 1);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

  h.save_log_dialog.answers.push_back(dir.text() + u"\\missing folder\\run.log");
  EXPECT_THROW(h.batch.SaveLog(), platform::PlatformError);
  EXPECT_EQ(h.log.Lines(), Names{u"line"});
}

}  // namespace
}  // namespace kv::registration
