// The desktop program's decisions, free of any window system: the commands, the analysis
// hand-off over the timer, the scroll sizes and what the view draws.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "analysis/run.h"
#include "data/trial_data.h"
#include "shell/ports.h"
#include "shell/progress_display.h"
#include "shell/session.h"
#include "shell/text_lines.h"
#include "workbook/sheet_grid.h"

// The library routines the commands call, replaceable in tests.
struct ShellServices {
  std::function<std::optional<SheetGrid>(const std::string& path)> loadSheet;
  std::function<std::optional<std::string>(const SheetGrid& grid, TrialData& out)> buildTrial;
  std::function<bool(const TrialData& data, const std::string& path)> writePreview;
  std::function<RunOutcome(ModelKind model, const TrialData& data, const RunTarget& target)> runAnalysis;
  std::function<std::string()> programDirectory;

  // The real routines of the library.
  static ShellServices standard();
};

namespace messages {
inline constexpr const char* kFileCannotBeOpened = "File cannot be opened!";
inline constexpr const char* kPerformComputing = "Please perform computing!";
inline constexpr const char* kAnalysisRunning =
    "An analysis is running. Please wait until it has finished.";
inline constexpr const char* kPreviewNotWritten = "The data preview cannot be written:\n";
inline constexpr const char* kCopyNotWritten = "The report cannot be saved as:\n";
inline constexpr const char* kDocumentNotWritten = "The document cannot be saved as:\n";
inline constexpr const char* kAnalysisFailed = "The analysis failed: ";
}  // namespace messages

// The dialogs the commands show.
FileDialogRequest openWorkbookDialog(const std::string& initialDirectory);
FileDialogRequest saveReportDialog(const std::string& initialDirectory);
FileDialogRequest saveDocumentDialog(const std::string& initialDirectory);

inline constexpr int kTimerPeriodMilliseconds = 200;
// Repaints after the completion signal before the fifth tick sizes the view.
inline constexpr int kTicksAfterCompletion = 5;
inline constexpr const char* kManualFileName = "Manual.pdf";

// What one repaint draws, in the view's logical coordinates.
struct PaintRequest {
  int clientWidth = 0;
  int clientHeight = 0;
  // The logical rows being repainted, [top, bottom); lines wholly outside are not drawn.
  int areaTop = 0;
  int areaBottom = 0;
  // The logical position of the client area's top left corner (the scroll position).
  int originX = 0;
  int originY = 0;
};

struct ScrollSize {
  int width = 0;
  int height = 0;
  bool operator==(const ScrollSize&) const = default;
};

// Copies a report line by line, every line ending in CR LF. A target naming the report itself is
// left as it is. False when nothing could be written.
bool copyReportLines(const std::string& reportPath, const std::string& targetPath);

class Shell {
 public:
  static constexpr int kLineX = 40;
  static constexpr int kLineHeight = 20;

  Shell(Session& session, ShellPorts& ports, ShellServices services = ShellServices::standard());
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  // The view's (re)initialisation: at start-up and for every new document.
  void initialUpdate();

  void open();
  void runModel(ModelKind model);
  void saveReportAs();
  void saveDocument();
  void help();
  void newDocument() { initialUpdate(); }

  // The view's timer.
  void timerTick();
  // Called on the user interface thread once the worker's job has returned.
  void workerFinished();

  // Consumes one frame of the progress display while it is shown.
  std::vector<DrawnText> paint(const PaintRequest& request);
  // The lines of the file on show inside [top, bottom), without advancing any animation.
  std::vector<DrawnText> linesInArea(int areaTop, int areaBottom);
  // The number of lines of the file on show (for printing).
  int shownLineCount();

  // True from an accepted analysis command until its report is sized and its worker has ended.
  bool analysisActive() const { return timerRunning_ || workerRunning_; }
  ScrollSize scrollSize() const { return scroll_; }
  int dotCounter() const { return progress_.counter(); }
  const Session& session() const { return session_; }

 private:
  bool refuseWhileActive();
  void setScrollSize(int width, int height);
  void sizeForPreview();
  void sizeForReport();
  void finishAnalysisTimer();
  // The file the view shows now, or "" when it shows none.
  std::string shownFile() const;
  static void handOffFailure(HandOff& handoff);

  Session& session_;
  ShellPorts& ports_;
  ShellServices services_;
  ProgressDisplay progress_;
  CachedTextFile shownText_;
  ScrollSize scroll_;
  bool timerRunning_ = false;
  bool workerRunning_ = false;
  std::mutex outcomeMutex_;
  std::optional<RunOutcome> outcome_;  // written by the worker, taken by workerFinished
};
