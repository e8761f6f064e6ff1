// Start-up of the desktop program.
#include <wx/app.h>
#include <wx/cmdline.h>
#include <wx/config.h>
#include <wx/docview.h>
#include <wx/image.h>
#include <wx/uilocale.h>

#include <clocale>
#include <cstdio>
#include <memory>

#include "gui/main_frame.h"
#include "gui/self_test.h"
#include "shell/resources.h"
#include "shell/session.h"

class PedivarApp : public wxApp {
 public:
  bool OnInit() override;
  int OnRun() override;
  int OnExit() override;
  void OnInitCmdLine(wxCmdLineParser& parser) override;
  bool OnCmdLineParsed(wxCmdLineParser& parser) override;
  void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                       const wxChar* msg) override;

 private:
  Session session_;
  std::unique_ptr<wxConfig> settings_;
  std::unique_ptr<wxFileHistory> recentFiles_;
  SelfTestOptions selfTest_;
  std::unique_ptr<SelfTest> selfTestRun_;
  bool assertionBeforeStart_ = false;
};

wxIMPLEMENT_APP(PedivarApp);

void PedivarApp::OnInitCmdLine(wxCmdLineParser& parser) {
  wxApp::OnInitCmdLine(parser);
  parser.AddOption("", "self-test", "drive the window through a scripted session with this trial file");
  parser.AddOption("", "artefacts", "folder for the self-test's copies and screenshots");
}

bool PedivarApp::OnCmdLineParsed(wxCmdLineParser& parser) {
  wxString value;
  if (parser.Found("self-test", &value)) selfTest_.trialFile = value.utf8_string();
  if (parser.Found("artefacts", &value)) selfTest_.artefacts = value.utf8_string();
  selfTest_.enabled = !selfTest_.trialFile.empty();
  return wxApp::OnCmdLineParsed(parser);
}

void PedivarApp::OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                                 const wxChar* msg) {
  // Unattended runs must not stop at a modal assertion dialog.
  if (!selfTest_.enabled) return wxApp::OnAssertFailure(file, line, func, cond, msg);
  std::fprintf(stderr, "FAIL toolkit assertion %s at %s:%d in %s: %s\n", wxString(cond).utf8_str().data(),
               wxString(file).utf8_str().data(), line, wxString(func).utf8_str().data(),
               wxString(msg).utf8_str().data());
  if (selfTestRun_) selfTestRun_->fail();
  else assertionBeforeStart_ = true;
}

bool PedivarApp::OnInit() {
  if (!wxApp::OnInit()) return false;
  // Dialogs and file names follow the user's locale; numbers the program writes and reads keep
  // the decimal point whatever that locale says.
  wxUILocale::UseDefault();
  std::setlocale(LC_NUMERIC, "C");
  wxInitAllImageHandlers();
  SetAppName(text::kApplicationTitle);
  SetVendorName(text::kSettingsVendor);
  settings_ = std::make_unique<wxConfig>(text::kApplicationTitle, text::kSettingsVendor);
  recentFiles_ = std::make_unique<wxFileHistory>(text::kRecentFileCount);
  recentFiles_->Load(*settings_);

  MainFrame::PortsFactory ports;
  ShellServices services = ShellServices::standard();
  if (selfTest_.enabled) {
    ports = selfTestPorts();
    services = selfTestServices(selfTest_);
  }
  auto* frame = new MainFrame(session_, ports, services);
  frame->Show(true);
  SetTopWindow(frame);
  if (selfTest_.enabled) {
    selfTestRun_ = std::make_unique<SelfTest>(*frame, selfTest_);
    if (assertionBeforeStart_) selfTestRun_->fail();
  }
  return true;
}

int PedivarApp::OnRun() {
  const int status = wxApp::OnRun();
  if (selfTestRun_) return selfTestRun_->passed() ? 0 : 1;
  return status;
}

int PedivarApp::OnExit() {
  if (recentFiles_ && settings_) recentFiles_->Save(*settings_);
  selfTestRun_.reset();
  return wxApp::OnExit();
}
