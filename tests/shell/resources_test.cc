#include "shell/resources.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "shell/program_directory.h"

namespace {

TEST(Resources, MenuBarHasTheProgramsItemsInOrder) {
  const auto& menus = menuBarEntries();
  ASSERT_EQ(menus.size(), 3u);
  EXPECT_STREQ(menus[0].title, "&File");
  EXPECT_STREQ(menus[1].title, "Analysis");
  EXPECT_STREQ(menus[2].title, "&Help");
  std::vector<std::pair<std::string, int>> items;
  for (const auto& menu : menus)
    for (const auto& item : menu.items) items.emplace_back(item.text ? item.text : "-", item.command);
  const std::vector<std::pair<std::string, int>> expected = {
      {"&Open...\tCtrl+O", 57601}, {"Save &As...", 57604}, {"-", 0},        {"E&xit", 57665},
      {"Model I", 32771},          {"Model II", 32772},    {"Model III", 32773}, {"Help", 32774},
      {"&About Pedivar...", 57664}};
  EXPECT_EQ(items, expected);
}

TEST(Resources, AcceleratorsAndToolbar) {
  using namespace modifier;
  std::vector<std::tuple<int, int, int>> keys;
  for (const auto& a : acceleratorEntries()) keys.emplace_back(a.modifiers, a.keyCode, a.command);
  const std::vector<std::tuple<int, int, int>> expected = {
      {kCtrl, 'N', 57600},        {kCtrl, 'O', 57601},           {kCtrl, 'S', 57603},
      {kCtrl, 'P', 57607},        {kCtrl, 'Z', 57643},           {kAlt, key::kBackspace, 57643},
      {kCtrl, 'X', 57635},        {kShift, key::kDelete, 57635}, {kCtrl, 'C', 57634},
      {kCtrl, key::kInsert, 57634}, {kCtrl, 'V', 57637},         {kShift, key::kInsert, 57637},
      {kNone, key::kF6, 57680},   {kShift, key::kF6, 57681}};
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(toolbarEntries(), (std::vector<int>{57601, 57603, kSeparator, 57664}));
}

TEST(Resources, PromptsSplitIntoStatusTextAndTooltip) {
  EXPECT_EQ(promptStatusText(command::kOpen), "Open an existing document");
  EXPECT_EQ(promptTooltip(command::kOpen), "Open");
  EXPECT_EQ(promptStatusText(command::kExit), "Quit the application; prompts to save documents");
  EXPECT_EQ(promptTooltip(command::kSaveAs), "Save As");
  EXPECT_EQ(promptTooltip(command::kSave), "Save");
  EXPECT_EQ(promptTooltip(command::kAbout), "About");
  for (int own : {command::kModelI, command::kModelII, command::kModelIII, command::kHelp}) {
    EXPECT_EQ(commandPrompt(own), nullptr);
    EXPECT_EQ(promptStatusText(own), "");
  }
}

TEST(ProgramDirectory, IsTheFolderOfTheRunningExecutableWhateverItsName) {
  const std::string dir = executableDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(dir + "/shell_tests"));
}

TEST(ProgramDirectory, SplitsPathsAtTheLastSeparator) {
  EXPECT_EQ(directoryWithSeparator("/a/b/c.xls"), "/a/b/");
  EXPECT_EQ(fileNameOf("/a/b/c.xls"), "c.xls");
  EXPECT_EQ(directoryWithSeparator("c.xls"), "");
  EXPECT_EQ(fileNameOf("c.xls"), "c.xls");
  EXPECT_EQ(directoryWithSeparator("/c.xls"), "/");
}

}  // namespace
