#include "shell/resources.h"

#include <map>

const std::vector<MenuEntry>& menuBarEntries() {
  static const std::vector<MenuEntry> menus = {
      {"&File",
       {{"&Open...\tCtrl+O", command::kOpen},
        {"Save &As...", command::kSaveAs},
        {nullptr, kSeparator},
        {"E&xit", command::kExit}}},
      {"Analysis",
       {{"Model I", command::kModelI}, {"Model II", command::kModelII}, {"Model III", command::kModelIII}}},
      {"&Help", {{"Help", command::kHelp}, {"&About Pedivar...", command::kAbout}}},
  };
  return menus;
}

const std::vector<AcceleratorEntry>& acceleratorEntries() {
  using namespace modifier;
  static const std::vector<AcceleratorEntry> accelerators = {
      {kCtrl, 'N', command::kNew},
      {kCtrl, 'O', command::kOpen},
      {kCtrl, 'S', command::kSave},
      {kCtrl, 'P', command::kPrint},
      {kCtrl, 'Z', command::kUndo},
      {kAlt, key::kBackspace, command::kUndo},
      {kCtrl, 'X', command::kCut},
      {kShift, key::kDelete, command::kCut},
      {kCtrl, 'C', command::kCopy},
      {kCtrl, key::kInsert, command::kCopy},
      {kCtrl, 'V', command::kPaste},
      {kShift, key::kInsert, command::kPaste},
      {kNone, key::kF6, command::kNextPane},
      {kShift, key::kF6, command::kPreviousPane},
  };
  return accelerators;
}

const std::vector<int>& toolbarEntries() {
  static const std::vector<int> buttons = {command::kOpen, command::kSave, kSeparator, command::kAbout};
  return buttons;
}

const char* commandPrompt(int command) {
  static const std::map<int, const char*> prompts = {
      {command::kNew, "Create a new document\nNew"},
      {command::kOpen, "Open an existing document\nOpen"},
      {command::kSave, "Save the active document\nSave"},
      {command::kSaveAs, "Save the active document with a new name\nSave As"},
      {command::kPrint, "Print the active document\nPrint"},
      {command::kExit, "Quit the application; prompts to save documents\nExit"},
      {command::kAbout, "Show the program's name, version and contact\nAbout"},
  };
  auto it = prompts.find(command);
  return it == prompts.end() ? nullptr : it->second;
}

namespace {
std::string promptLine(int command, bool second) {
  const char* prompt = commandPrompt(command);
  if (!prompt) return {};
  std::string all(prompt);
  auto newline = all.find('\n');
  if (newline == std::string::npos) return second ? std::string() : all;
  return second ? all.substr(newline + 1) : all.substr(0, newline);
}
}  // namespace

std::string promptStatusText(int command) { return promptLine(command, false); }
std::string promptTooltip(int command) { return promptLine(command, true); }
