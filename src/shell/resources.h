// The user interface as data: command numbers, menus, accelerators, toolbar, prompts and texts.
// The desktop layer builds its windows from these tables and decides nothing of its own.
#pragma once

#include <string>
#include <vector>

namespace command {
inline constexpr int kNew = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kPrintSetup = 57606;
inline constexpr int kPrint = 57607;
inline constexpr int kCopy = 57634;
inline constexpr int kCut = 57635;
inline constexpr int kPaste = 57637;
inline constexpr int kUndo = 57643;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kNextPane = 57680;
inline constexpr int kPreviousPane = 57681;
inline constexpr int kModelI = 32771;
inline constexpr int kModelII = 32772;
inline constexpr int kModelIII = 32773;
inline constexpr int kHelp = 32774;
}  // namespace command

inline constexpr int kSeparator = 0;

struct MenuItemEntry {
  const char* text;  // with "&" before the mnemonic and "\t" before the shown shortcut
  int command;       // kSeparator for a separator line
};

struct MenuEntry {
  const char* title;
  std::vector<MenuItemEntry> items;
};

const std::vector<MenuEntry>& menuBarEntries();

// Keys of the accelerator table: letters by their upper-case character, the others below.
namespace key {
inline constexpr int kBackspace = 0x100;
inline constexpr int kDelete = 0x101;
inline constexpr int kInsert = 0x102;
inline constexpr int kF6 = 0x103;
}  // namespace key

namespace modifier {
inline constexpr int kNone = 0;
inline constexpr int kCtrl = 1;
inline constexpr int kShift = 2;
inline constexpr int kAlt = 4;
}  // namespace modifier

struct AcceleratorEntry {
  int modifiers;
  int keyCode;
  int command;
};

const std::vector<AcceleratorEntry>& acceleratorEntries();

// Toolbar buttons in order; kSeparator marks the gap.
const std::vector<int>& toolbarEntries();

// "status-bar prompt\ntooltip" of a command, or nullptr when it has none.
const char* commandPrompt(int command);
// The first line of a prompt (the status-bar text) and its second line (the tooltip).
std::string promptStatusText(int command);
std::string promptTooltip(int command);

namespace text {
inline constexpr const char* kApplicationTitle = "Pedivar";
inline constexpr const char* kReady = "Ready";
inline constexpr const char* kCapsLock = "CAP";
inline constexpr const char* kNumLock = "NUM";
inline constexpr const char* kScrollLock = "SCRL";
inline constexpr const char* kDocumentType = "Pedivar\n\nPedivar\n\n\nPedivar.Document\nPedivar.Document";
// Where the desktop keeps the program's standard settings, and how many recent files they list.
inline constexpr const char* kSettingsVendor = "Local AppWizard-Generated Applications";
inline constexpr int kRecentFileCount = 4;

inline constexpr const char* kAboutCaption = "About Pedivar";
inline constexpr const char* kAboutVersion = "Pedivar, Version 1.0";
inline constexpr const char* kAboutNotice1 = "Analysis of NC Design II breeding trials.";
inline constexpr const char* kAboutNotice2 = "Free to use and to copy for research and teaching.";
inline constexpr const char* kAboutContact = "Questions and reports: the Pedivar project team.";
inline constexpr const char* kAboutOk = "OK";
}  // namespace text
