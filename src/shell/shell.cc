#include "shell/shell.h"

#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <fstream>
#include <utility>

#include "data/preview.h"
#include "data/trial_file.h"
#include "shell/program_directory.h"

ShellServices ShellServices::standard() {
  ShellServices services;
  services.loadSheet = loadFirstSheet;
  services.buildTrial = buildTrialData;
  services.writePreview = writePreviewFile;
  services.runAnalysis = ::runAnalysis;
  services.programDirectory = executableDirectory;
  return services;
}

FileDialogRequest openWorkbookDialog(const std::string& initialDirectory) {
  return {"xls", "*.xls", "Excel files(*.xls)|*.xls|All files(*.*)|*.*||", initialDirectory};
}

FileDialogRequest saveReportDialog(const std::string& initialDirectory) {
  return {"txt", "*.txt", "Text files(*.txt)|*.txt|All files(*.*)|*.*||", initialDirectory};
}

FileDialogRequest saveDocumentDialog(const std::string& initialDirectory) {
  return {"", "Untitled", "All files(*.*)|*.*||", initialDirectory};
}

namespace {

// True when both paths name one existing file (through links, "..", or another spelling).
bool sameFile(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool copyReportLines(const std::string& reportPath, const std::string& targetPath) {
  // Opening the target for writing would truncate the report being read.
  if (sameFile(reportPath, targetPath)) return true;
  std::ifstream in(reportPath, std::ios::binary);
  if (!in) return false;
  std::ofstream out(targetPath, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out << line << "\r\n";
  }
  out.close();
  return !in.bad() && !out.fail();
}

Shell::Shell(Session& session, ShellPorts& ports, ShellServices services)
    : session_(session), ports_(ports), services_(std::move(services)) {}

void Shell::initialUpdate() {
  session_.programDirectory = services_.programDirectory();
  session_.dialogDirectory = session_.programDirectory;
  setScrollSize(100, 100);
}

bool Shell::refuseWhileActive() {
  if (!analysisActive()) return false;
  ports_.showMessage(messages::kAnalysisRunning);
  return true;
}

void Shell::setScrollSize(int width, int height) {
  scroll_ = {width, height};
  ports_.setScrollSizes(width, height);
}

void Shell::sizeForPreview() {
  const TrialData& trial = session_.trial;
  setScrollSize(trial.usedColumns * 120 + 340, trial.usedRows * 20 + 400);
}

void Shell::sizeForReport() {
  const HandOff& handoff = session_.handoff;
  const int longest = handoff.reportMaxLineLength.load(std::memory_order_acquire);
  const int lines = handoff.reportLineCount.load(std::memory_order_acquire);
  setScrollSize(std::max(longest * 10 + 140, 1100), lines * 20 + 50);
}

// Nothing of the session changes until the new data set has passed every check and its preview
// is on disk: a failed Open leaves the previous data, directory and file name whole.
void Shell::open() {
  if (refuseWhileActive()) return;
  auto chosen = ports_.chooseFileToOpen(openWorkbookDialog(session_.dialogDirectory));
  if (!chosen || chosen->empty()) {
    ports_.showMessage(messages::kFileCannotBeOpened);
    return;
  }
  const std::string directory = directoryWithSeparator(*chosen);
  const std::string fileName = fileNameOf(*chosen);
  auto grid = services_.loadSheet(directory + fileName);
  if (!grid) {
    ports_.showMessage(messages::kDataError);
    return;
  }
  TrialData loaded;
  if (auto error = services_.buildTrial(*grid, loaded)) {
    ports_.showMessage(*error);
    return;
  }
  const std::string previewPath = directory + kPreviewFileName;
  if (!services_.writePreview(loaded, previewPath)) {
    ports_.showMessage(messages::kPreviewNotWritten + previewPath);
    return;
  }
  session_.trial = std::move(loaded);
  session_.dataDirectory = directory;
  session_.workbookFileName = fileName;
  sizeForPreview();
  session_.handoff.displayMode.store(kDisplayPreview, std::memory_order_release);
  ports_.invalidateView();
}

void Shell::handOffFailure(HandOff& handoff) {
  handoff.reportMaxLineLength.store(0, std::memory_order_release);
  handoff.reportLineCount.store(0, std::memory_order_release);
  handoff.displayMode.store(kDisplayPreview, std::memory_order_release);
  handoff.completionTick.store(handoff.timerTicks.load(std::memory_order_acquire), std::memory_order_release);
}

void Shell::runModel(ModelKind model) {
  if (refuseWhileActive()) return;
  if (session_.trial.modelKind != model) {
    ports_.showMessage(messages::kNotAppropriate);
    return;
  }
  session_.reportPath = session_.dataDirectory + kReportFileName;
  HandOff& handoff = session_.handoff;
  handoff.displayMode.store(kDisplayProgress, std::memory_order_release);
  timerRunning_ = true;
  ports_.startTimer(kTimerPeriodMilliseconds);
  workerRunning_ = true;
  {
    std::lock_guard<std::mutex> lock(outcomeMutex_);
    outcome_.reset();
  }
  // The worker reads the session's data set in place: Open, the only command that replaces it,
  // is refused until the worker has ended.
  RunTarget target;
  target.reportPath = session_.reportPath;
  target.startTime = &session_.analysisStartTime;
  target.handoff = &handoff;
  auto job = [this, model, target] {
    RunOutcome outcome;
    try {
      outcome = services_.runAnalysis(model, session_.trial, target);
    } catch (const std::exception& error) {
      outcome = {RunStatus::ReportNotWritten, std::string(messages::kAnalysisFailed) + error.what()};
    }
    // A run that ended without signalling would leave the timer waiting for ever.
    if (session_.handoff.completionTick.load(std::memory_order_acquire) >= kNoCompletion)
      handOffFailure(session_.handoff);
    std::lock_guard<std::mutex> lock(outcomeMutex_);
    outcome_ = std::move(outcome);
  };
  ports_.startWorker(std::move(job), [this] { workerFinished(); });
  ports_.invalidateView();
}

void Shell::workerFinished() {
  std::optional<RunOutcome> outcome;
  {
    std::lock_guard<std::mutex> lock(outcomeMutex_);
    outcome = std::move(outcome_);
    outcome_.reset();
  }
  workerRunning_ = false;
  if (outcome && outcome->status != RunStatus::Complete) ports_.showMessage(outcome->message);
}

void Shell::timerTick() {
  HandOff& handoff = session_.handoff;
  const int ticks = handoff.timerTicks.load(std::memory_order_relaxed) + 1;
  handoff.timerTicks.store(ticks, std::memory_order_release);
  const long long completion = handoff.completionTick.load(std::memory_order_acquire);
  if (ticks < completion + kTicksAfterCompletion) {
    ports_.invalidateView();
    return;
  }
  finishAnalysisTimer();
}

void Shell::finishAnalysisTimer() {
  HandOff& handoff = session_.handoff;
  // A failed run goes back to the preview, which keeps the preview's size.
  if (handoff.displayMode.load(std::memory_order_acquire) == kDisplayReport) {
    sizeForReport();
  } else if (session_.trial.modelKind != ModelKind::None) {
    sizeForPreview();
  }
  ports_.stopTimer();
  timerRunning_ = false;
  handoff.completionTick.store(kNoCompletion, std::memory_order_release);
  handoff.timerTicks.store(0, std::memory_order_release);
}

void Shell::saveReportAs() {
  if (session_.handoff.displayMode.load(std::memory_order_acquire) != kDisplayReport) {
    ports_.showMessage(messages::kPerformComputing);
    return;
  }
  auto chosen = ports_.chooseFileToSave(saveReportDialog(session_.dialogDirectory));
  if (!chosen || chosen->empty()) return;
  const bool copied = copyReportLines(session_.reportPath, *chosen);
  session_.dialogDirectory = directoryWithSeparator(*chosen);
  if (!copied) ports_.showMessage(messages::kCopyNotWritten + *chosen);
}

void Shell::saveDocument() {
  auto chosen = ports_.chooseFileToSave(saveDocumentDialog(session_.dialogDirectory));
  if (!chosen || chosen->empty()) return;
  // The document holds nothing of its own, so its file is empty.
  std::ofstream out(*chosen, std::ios::binary | std::ios::trunc);
  if (!out) ports_.showMessage(messages::kDocumentNotWritten + *chosen);
}

void Shell::help() {
  const std::string manual = session_.programDirectory + "/" + kManualFileName;
  if (isRegularFile(manual)) ports_.openDocument(manual);
}

std::string Shell::shownFile() const {
  switch (session_.handoff.displayMode.load(std::memory_order_acquire)) {
    case kDisplayPreview:
      return session_.dataDirectory + kPreviewFileName;
    case kDisplayReport:
      return session_.dataDirectory + kReportFileName;
    default:
      return {};
  }
}

std::vector<DrawnText> Shell::linesInArea(int areaTop, int areaBottom) {
  std::vector<DrawnText> drawn;
  const std::string path = shownFile();
  if (path.empty()) return drawn;
  const auto& lines = shownText_.lines(path);
  // Line k stands at y = 20 (k + 1) and is one line high.
  const long long count = static_cast<long long>(lines.size());
  long long first = std::max(0LL, static_cast<long long>(areaTop) / kLineHeight - 1);
  long long last = std::min(count, static_cast<long long>(areaBottom) / kLineHeight + 1);
  for (long long k = first; k < last; ++k) {
    const int y = static_cast<int>((k + 1) * kLineHeight);
    if (y + kLineHeight <= areaTop || y >= areaBottom) continue;
    drawn.push_back({lines[static_cast<std::size_t>(k)], kLineX, y, false});
  }
  return drawn;
}

int Shell::shownLineCount() {
  const std::string path = shownFile();
  return path.empty() ? 0 : static_cast<int>(shownText_.lines(path).size());
}

std::vector<DrawnText> Shell::paint(const PaintRequest& request) {
  if (session_.handoff.displayMode.load(std::memory_order_acquire) != kDisplayProgress)
    return linesInArea(request.areaTop, request.areaBottom);
  // Centred in what the user sees, however far the preview before it was scrolled.
  auto frame = progress_.nextFrame(request.clientWidth, request.clientHeight);
  for (DrawnText& item : frame) {
    item.x += request.originX;
    item.y += request.originY;
  }
  return frame;
}
