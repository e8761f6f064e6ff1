// An in-process test mode: drives the real frame through its commands with ports that answer
// dialogs from a script instead of asking anyone, and checks what the view would draw.
#pragma once

#include <wx/timer.h>

#include <string>

#include "gui/main_frame.h"

struct SelfTestOptions {
  bool enabled = false;
  std::string trialFile;  // an .xls workbook; a .csv of the same name stands in while it cannot be read
  std::string artefacts;  // copies, the report and the screenshots go here
};

// The ports the self-test's frame uses.
MainFrame::PortsFactory selfTestPorts();
// The library's routines, with stand-ins for those that are not built yet (each says so).
ShellServices selfTestServices(const SelfTestOptions& options);

class SelfTest : public wxEvtHandler {
 public:
  SelfTest(MainFrame& frame, SelfTestOptions options);
  bool passed() const { return passed_; }
  void fail() { passed_ = false; }

 private:
  void onStep(wxTimerEvent& event);
  bool step();
  void check(bool ok, const std::string& what);
  void expectMessages(const std::vector<std::string>& expected, const std::string& what);
  void screenshot(const std::string& name);
  void windowShot(const std::string& name);
  void finish();

  MainFrame& frame_;
  SelfTestOptions options_;
  wxTimer timer_;
  int stage_ = 0;
  int waited_ = 0;
  bool passed_ = true;
  std::string dataDir_;
  std::string trialCopy_;
};
