#include "gui/self_test.h"

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/image.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <clocale>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>

#include "data/preview.h"
#include "data/trial_file.h"
#include "gui/view.h"
#include "gui/wx_ports.h"
#include "shell/program_directory.h"
#include "shell/resources.h"
#include "shell/text_lines.h"

namespace fs = std::filesystem;

namespace {

// Real timer, view and worker; scripted dialogs; messages and documents recorded.
class TestPorts : public WxPorts {
 public:
  using WxPorts::WxPorts;
  void showMessage(const std::string& text) override {
    std::cerr << "  message box: \"" << text << "\"\n";
    messages.push_back(text);
  }
  std::optional<std::string> chooseFileToOpen(const FileDialogRequest&) override { return next(); }
  std::optional<std::string> chooseFileToSave(const FileDialogRequest&) override { return next(); }
  void openDocument(const std::string& path) override { documents.push_back(path); }

  std::deque<std::optional<std::string>> answers;
  std::vector<std::string> messages;
  std::vector<std::string> documents;

 private:
  std::optional<std::string> next() {
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

TestPorts* testPorts = nullptr;

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> drawnTexts(const std::vector<DrawnText>& drawn) {
  std::vector<std::string> texts;
  for (const auto& item : drawn) texts.push_back(item.text);
  return texts;
}

constexpr int kStepMilliseconds = 100;
constexpr int kAnalysisTimeoutSteps = 3000;  // five minutes

}  // namespace

MainFrame::PortsFactory selfTestPorts() {
  return [](wxWindow* frame, PedivarView* view, wxTimer* timer) {
    auto ports = std::make_unique<TestPorts>(frame, view, timer);
    testPorts = ports.get();
    return std::unique_ptr<WxPorts>(std::move(ports));
  };
}

namespace {

// Lists the observations; stands in for the preview writer until it exists.
bool standInPreview(const TrialData& data, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "\r\n   stand-in preview: " << modelName(data.modelKind) << ", " << data.observationCount
      << " observations\r\n";
  for (int i = 0; i < data.observationCount; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%8d%8d\r\n", data.factorCodes[0][i], data.factorCodes[1][i]);
    out << line;
  }
  return static_cast<bool>(out);
}

// Writes a long report and hands over as a run does; stands in until the analysis exists.
RunOutcome standInRun(ModelKind, const TrialData& data, const RunTarget& target) {
  std::ofstream out(target.reportPath, std::ios::binary);
  for (int i = 0; i < 400; ++i) {
    out << "   stand-in report line " << i << " of " << data.observationCount << " observations"
        << std::string(static_cast<std::size_t>(i % 130), '.') << "\r\n";
  }
  out.close();
  auto lines = readLines(target.reportPath).value_or(std::vector<std::string>{});
  int longest = 0;
  for (const auto& line : lines) longest = std::max(longest, static_cast<int>(line.size()));
  HandOff& h = *target.handoff;
  h.reportLineCount.store(static_cast<int>(lines.size()), std::memory_order_release);
  h.reportMaxLineLength.store(longest, std::memory_order_release);
  h.displayMode.store(kDisplayReport, std::memory_order_release);
  h.completionTick.store(h.timerTicks.load(std::memory_order_acquire), std::memory_order_release);
  return {};
}

}  // namespace

namespace {
// Holds the worker at its start until the self-test has looked at the progress display.
std::mutex gateMutex;
std::condition_variable gateChanged;
bool gateOpen = false;

void openGate() {
  std::lock_guard<std::mutex> lock(gateMutex);
  gateOpen = true;
  gateChanged.notify_all();
}

void waitAtGate() {
  std::unique_lock<std::mutex> lock(gateMutex);
  gateChanged.wait(lock, [] { return gateOpen; });
}
}  // namespace

ShellServices selfTestServices(const SelfTestOptions& options) {
  ShellServices services = ShellServices::standard();
  std::string trialFile = options.trialFile;
  if (!loadFirstSheet(trialFile)) trialFile = fs::path(trialFile).replace_extension(".csv").string();
  TrialData data;
  if (loadTrialFile(trialFile, data)) return services;
  if (previewText(data).empty()) {
    std::cerr << "note: the preview writer is not built yet; a stand-in writes tmp.txt\n";
    services.writePreview = standInPreview;
  }
  RunTarget probe;
  probe.reportPath = options.artefacts + "/probe-result.txt";
  if (runAnalysis(data.modelKind, data, probe).status == RunStatus::Unavailable) {
    std::cerr << "note: the analysis is not built yet; a stand-in writes result.txt\n";
    services.runAnalysis = standInRun;
  }
  std::error_code ignored;
  fs::remove(probe.reportPath, ignored);
  services.runAnalysis = [run = services.runAnalysis](ModelKind m, const TrialData& d, const RunTarget& t) {
    waitAtGate();
    return run(m, d, t);
  };
  return services;
}

SelfTest::SelfTest(MainFrame& frame, SelfTestOptions options)
    : frame_(frame), options_(std::move(options)), timer_(this) {
  Bind(wxEVT_TIMER, &SelfTest::onStep, this);
  timer_.Start(kStepMilliseconds);
}

void SelfTest::check(bool ok, const std::string& what) {
  std::cerr << (ok ? "ok   " : "FAIL ") << what << "\n";
  passed_ = passed_ && ok;
}

void SelfTest::expectMessages(const std::vector<std::string>& expected, const std::string& what) {
  check(testPorts->messages == expected, what);
  testPorts->messages.clear();
}

void SelfTest::screenshot(const std::string& name) {
  PedivarView* view = frame_.view();
  const wxSize client = view->GetClientSize();
  wxBitmap bitmap(std::max(client.GetWidth(), 1), std::max(client.GetHeight(), 1), 24);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    view->render(dc, wxRect(wxPoint(0, 0), client), client);
  }
  const std::string path = options_.artefacts + "/" + name;
  check(bitmap.ConvertToImage().SaveFile(path, wxBITMAP_TYPE_PNG), "screenshot " + path);
}

// The whole window as the display shows it: menu bar, toolbar, view and status bar.
void SelfTest::windowShot(const std::string& name) {
  frame_.Update();
  const wxRect area = frame_.GetScreenRect();
  wxBitmap bitmap(std::max(area.GetWidth(), 1), std::max(area.GetHeight(), 1), 24);
  {
    wxScreenDC screen;
    wxMemoryDC dc(bitmap);
    dc.Blit(0, 0, area.GetWidth(), area.GetHeight(), &screen, area.GetX(), area.GetY());
  }
  const std::string path = options_.artefacts + "/" + name;
  check(bitmap.ConvertToImage().SaveFile(path, wxBITMAP_TYPE_PNG), "window shot " + path);
}

void SelfTest::onStep(wxTimerEvent&) {
  if (!step()) finish();
}

void SelfTest::finish() {
  timer_.Stop();
  openGate();  // a worker still waiting must not hold up the window's closing
  std::cerr << (passed_ ? "self-test passed\n" : "self-test FAILED\n");
  frame_.Close(true);
}

// One stage per call; false when the script is over.
bool SelfTest::step() {
  Shell& shell = frame_.shell();
  const Session& session = shell.session();
  const auto displayMode = [&] { return session.handoff.displayMode.load(); };
  switch (stage_++) {
    case 0: {
      char number[16];
      std::snprintf(number, sizeof number, "%.4f", 12.5);
      const char* ctype = std::setlocale(LC_CTYPE, nullptr);
      std::cerr << "locale: LC_CTYPE " << (ctype ? ctype : "?") << "\n";
      check(std::string(number) == "12.5000", "numbers keep the decimal point in the user's locale");
      dataDir_ = options_.artefacts + "/data";
      fs::create_directories(dataDir_);
      std::string source = options_.trialFile;
      if (!loadFirstSheet(source)) {
        const std::string csv = fs::path(source).replace_extension(".csv").string();
        std::cerr << "note: " << source << " cannot be read yet; using " << csv << "\n";
        source = csv;
      }
      trialCopy_ = dataDir_ + "/" + fileNameOf(source);
      fs::copy_file(source, trialCopy_, fs::copy_options::overwrite_existing);
      return true;
    }
    case 1:
      frame_.sendCommand(command::kModelIII);
      expectMessages({"The data is not appropriate to this model."}, "analysis refused without data");
      frame_.sendCommand(command::kSaveAs);
      expectMessages({"Please perform computing!"}, "Save As refused without a report");
      testPorts->answers.push_back(std::nullopt);
      frame_.sendCommand(command::kOpen);
      expectMessages({"File cannot be opened!"}, "cancelled Open");
      return true;
    case 2: {
      testPorts->answers.push_back(trialCopy_);
      frame_.sendCommand(command::kOpen);
      const std::vector<std::string> said = testPorts->messages;
      if (!said.empty() && said[0].rfind(messages::kPreviewNotWritten, 0) == 0) {
        std::cerr << "note: the preview writer is not built yet; the rest of the script needs it\n";
        testPorts->messages.clear();
        return false;
      }
      expectMessages({}, "Open " + trialCopy_);
      check(displayMode() == kDisplayPreview, "the view shows the preview");
      check(session.dataDirectory == dataDir_ + "/", "dataDirectory is the trial's folder");
      auto preview = readLines(dataDir_ + "/tmp.txt");
      check(preview && !preview->empty(), "tmp.txt written");
      check(preview && drawnTexts(shell.linesInArea(0, 1 << 30)) == *preview, "the view draws tmp.txt line by line");
      const TrialData& trial = session.trial;
      check(shell.scrollSize() == ScrollSize{trial.usedColumns * 120 + 340, trial.usedRows * 20 + 400},
            "the preview's scroll size");
      frame_.view()->Refresh();
      return true;
    }
    case 3:
      screenshot("preview.png");
      frame_.sendCommand(command::kModelIII);
      check(displayMode() == kDisplayProgress, "the analysis started");
      expectMessages({}, "Model III accepted");
      waited_ = 0;
      return true;
    case 4:
      // A few timer ticks, each drawing one more dot.
      if (++waited_ < 8) {
        --stage_;
        return true;
      }
      check(displayMode() == kDisplayProgress, "the progress display is shown while the run waits");
      screenshot("progress.png");
      testPorts->answers.push_back(trialCopy_);
      frame_.sendCommand(command::kOpen);
      frame_.sendCommand(command::kModelIII);
      expectMessages({messages::kAnalysisRunning, messages::kAnalysisRunning}, "Open and analysis refused while it runs");
      check(testPorts->answers.size() == 1, "no dialog shown for the refused Open");
      testPorts->answers.clear();
      openGate();
      waited_ = 0;
      return true;
    case 5:
      if (shell.analysisActive() && ++waited_ < kAnalysisTimeoutSteps) {
        --stage_;
        return true;
      }
      check(!shell.analysisActive(), "the analysis ended");
      return true;
    case 6: {
      if (displayMode() != kDisplayReport) {
        std::cerr << "note: no report; the run said: "
                  << (testPorts->messages.empty() ? std::string("nothing") : testPorts->messages[0]) << "\n";
        check(testPorts->messages.size() == 1 && testPorts->messages[0].find("not available yet") != std::string::npos,
              "a run that is not available yet says so");
        check(displayMode() == kDisplayPreview, "back to the preview");
        testPorts->messages.clear();
        frame_.sendCommand(command::kSaveAs);
        expectMessages({"Please perform computing!"}, "Save As still refused");
        stage_ = 8;
        return true;
      }
      expectMessages({}, "the analysis completed without messages");
      auto report = readLines(dataDir_ + "/result.txt");
      check(report && !report->empty(), "result.txt written");
      if (!report) return true;
      int longest = 0;
      for (const auto& line : *report) longest = std::max(longest, static_cast<int>(line.size()));
      check(shell.scrollSize() ==
                ScrollSize{std::max(longest * 10 + 140, 1100), static_cast<int>(report->size()) * 20 + 50},
            "the report's scroll size");
      check(drawnTexts(shell.linesInArea(0, 1 << 30)) == *report, "the view draws result.txt line by line");
      const int height = frame_.view()->GetClientSize().GetHeight();
      const auto visible = shell.linesInArea(0, height);
      check(!visible.empty() && visible.size() <= report->size() && visible[0].y == 20 &&
                drawnTexts(visible) == std::vector<std::string>(report->begin(), report->begin() + visible.size()),
            "the visible area draws the report's first lines");
      const std::string all = readBytes(dataDir_ + "/result.txt");
      check(!std::regex_search(all, std::regex("[0-9],[0-9]{4}")), "the report has no decimal commas");
      screenshot("report.png");
      windowShot("window-report.png");
      return true;
    }
    case 7: {
      const std::string copy = options_.artefacts + "/copy.txt";
      testPorts->answers.push_back(copy);
      frame_.sendCommand(command::kSaveAs);
      expectMessages({}, "Save As");
      std::string expected;
      const auto report = readLines(dataDir_ + "/result.txt");
      for (const auto& line : report.value_or(std::vector<std::string>{})) expected += line + "\r\n";
      check(readBytes(copy) == expected, "the copy holds the report's lines with CR LF");
      const std::string before = readBytes(session.reportPath);
      testPorts->answers.push_back(session.reportPath);
      frame_.sendCommand(command::kSaveAs);
      check(readBytes(session.reportPath) == before, "Save As onto the report keeps it");
      check(session.dialogDirectory == dataDir_ + "/", "the dialogs start where the copy went");
      return true;
    }
    case 8: {
      frame_.sendCommand(command::kHelp);
      const std::string manual = session.programDirectory + "/" + kManualFileName;
      const bool present = fs::exists(manual);
      check(present ? testPorts->documents == std::vector<std::string>{manual} : testPorts->documents.empty(),
            present ? "Help opens " + manual : "Help without a manual does nothing");
      frame_.sendCommand(command::kNew);
      check(shell.scrollSize() == ScrollSize{100, 100}, "New shrinks the scroll area");
      check(session.dialogDirectory == session.programDirectory, "New resets the dialogs' folder");
      frame_.sendCommand(command::kCopy);  // a key without a handler: nothing happens
      expectMessages({}, "keys without a command do nothing");
      return true;
    }
    default:
      return false;
  }
}
