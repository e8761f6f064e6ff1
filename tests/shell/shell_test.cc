#include "shell/shell.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/csv_grid.h"
#include "shell/fake_ports.h"

namespace fs = std::filesystem;

namespace {

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "pedivar-shell-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  // The folder with a trailing separator, as dataDirectory holds it.
  std::string dir() const { return path_ + "/"; }
  std::string file(const std::string& name) const { return dir() + name; }

 private:
  std::string path_;
};

const char* const kModelThreeCsv =
    "Male,Female,Trait1,Trait2\n"
    "1,1,12.5,3\n1,2,11,4\n2,1,9.75,5\n2,2,12.25,6\n";

// A preview writer that needs nothing but the data set's shape.
bool fakePreview(const TrialData& data, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "\r\n   preview of " << data.observationCount << " observations\r\n";
  for (int i = 0; i < data.observationCount; ++i) out << "   row " << i << "\r\n";
  return static_cast<bool>(out);
}

// Writes `lines` lines, the first `longest` characters long, then hands over like a real run.
RunOutcome fakeRunWriting(int lines, int longest, const RunTarget& target) {
  std::string report;
  for (int i = 0; i < lines; ++i) report += std::string(i == 0 ? longest : 10, 'x') + "\r\n";
  writeBytes(target.reportPath, report);
  HandOff& h = *target.handoff;
  h.reportLineCount.store(lines, std::memory_order_release);
  h.reportMaxLineLength.store(longest, std::memory_order_release);
  h.displayMode.store(kDisplayReport, std::memory_order_release);
  h.completionTick.store(h.timerTicks.load(std::memory_order_acquire), std::memory_order_release);
  return {};
}

struct ShellFixture : ::testing::Test {
  ShellFixture() { resetShell(); }

  void resetShell() {
    ShellServices services = ShellServices::standard();
    services.writePreview = [this](const TrialData& d, const std::string& p) { return previewWorks && fakePreview(d, p); };
    services.runAnalysis = [this](ModelKind m, const TrialData& d, const RunTarget& t) {
      ++runs;
      ranModel = m;
      ranObservations = d.observationCount;
      return run(m, d, t);
    };
    services.programDirectory = [this] { return programDir.dir().substr(0, programDir.dir().size() - 1); };
    shell = std::make_unique<Shell>(session, ports, services);
    shell->initialUpdate();
  }

  std::string writeTrial(const std::string& name, const std::string& csv) {
    writeBytes(data.file(name), csv);
    return data.file(name);
  }

  void openOk(const std::string& path) {
    ports.answers.push_back(path);
    shell->open();
    ASSERT_EQ(session.trial.modelKind, ModelKind::ModelIII) << (ports.messages.empty() ? "" : ports.messages.back());
  }

  // Ticks until the timer stops (bounded), returning the number of ticks.
  int tickUntilIdle() {
    int ticks = 0;
    while (ports.timerRunning && ticks < 100) {
      shell->timerTick();
      ++ticks;
    }
    return ticks;
  }

  TempDir data, programDir;
  Session session;
  FakePorts ports;
  bool previewWorks = true;
  int runs = 0;
  ModelKind ranModel = ModelKind::None;
  int ranObservations = 0;
  std::function<RunOutcome(ModelKind, const TrialData&, const RunTarget&)> run =
      [](ModelKind, const TrialData&, const RunTarget& t) { return fakeRunWriting(3, 40, t); };
  std::unique_ptr<Shell> shell;
};

// --- Open -------------------------------------------------------------------------------------

TEST_F(ShellFixture, OpenShowsTheDialogAndThenThePreview) {
  session.dialogDirectory = "/some/where/";
  ports.answers.push_back(writeTrial("trial.csv", kModelThreeCsv));
  shell->open();

  ASSERT_EQ(ports.openRequests.size(), 1u);
  const FileDialogRequest& dialog = ports.openRequests[0];
  EXPECT_EQ(dialog.defaultExtension, "xls");
  EXPECT_EQ(dialog.initialFileName, "*.xls");
  EXPECT_EQ(dialog.filter, "Excel files(*.xls)|*.xls|All files(*.*)|*.*||");
  EXPECT_EQ(dialog.initialDirectory, "/some/where/");
  EXPECT_TRUE(dialog.hideReadOnly && dialog.promptOverwrite);

  EXPECT_TRUE(ports.messages.empty());
  EXPECT_EQ(session.dataDirectory, data.dir());
  EXPECT_EQ(session.workbookFileName, "trial.csv");
  EXPECT_EQ(session.dialogDirectory, "/some/where/");  // Open never moves the dialogs
  EXPECT_EQ(session.trial.observationCount, 4);
  EXPECT_EQ(session.handoff.displayMode.load(), kDisplayPreview);
  // 4 used columns and 5 used rows.
  EXPECT_EQ(shell->scrollSize(), (ScrollSize{4 * 120 + 340, 5 * 20 + 400}));
  EXPECT_EQ(ports.scrollSizes.back(), std::make_pair(820, 500));
  EXPECT_EQ(ports.invalidations, 1);
  EXPECT_TRUE(fs::exists(data.file("tmp.txt")));
}

TEST_F(ShellFixture, FailedOpensKeepThePreviousDataSetWhole) {
  openOk(writeTrial("good.csv", kModelThreeCsv));
  TempDir other;
  writeBytes(other.file("traits.csv"), "Male,Female,Trait1,Trait3\n1,1,1,1\n1,2,1,1\n2,1,1,1\n2,2,1,1\n");
  writeBytes(other.file("names.csv"), "male,Female,Trait1\n1,1,1\n1,2,1\n2,1,1\n2,2,1\n");
  writeBytes(other.file("cell.csv"), "Male,Female,Trait1\n1,1,1\nx,2,1\n2,1,1\n2,2,1\n");
  writeBytes(other.file("fine.csv"), kModelThreeCsv);
  struct Case {
    std::optional<std::string> answer;
    bool previewWorks;
    std::string message;
  };
  const Case cases[] = {
      {std::nullopt, true, "File cannot be opened!"},
      {other.file("missing.xls"), true, "Data Error!"},
      {other.file("traits.csv"), true, "Trait Name Error!\n At Row 1 Col 4 "},
      {other.file("names.csv"), true, " Data Error With Factor Names!\n"},
      {other.file("cell.csv"), true, "Data Error!\n At Row 3 Col 1 "},
      {other.file("fine.csv"), false, "The data preview cannot be written:\n" + other.file("tmp.txt")},
  };
  const int invalidations = ports.invalidations;
  const auto scroll = shell->scrollSize();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ports.messages.clear();
    ports.answers.push_back(c.answer);
    previewWorks = c.previewWorks;
    shell->open();
    EXPECT_EQ(ports.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(session.dataDirectory, data.dir());
    EXPECT_EQ(session.workbookFileName, "good.csv");
    EXPECT_EQ(session.trial.modelKind, ModelKind::ModelIII);
    EXPECT_EQ(session.trial.traitCount, 2);
    EXPECT_EQ(session.handoff.displayMode.load(), kDisplayPreview);
    EXPECT_EQ(shell->scrollSize(), scroll);
    EXPECT_EQ(ports.invalidations, invalidations);
  }
}

// --- Analysis commands and the hand-off -------------------------------------------------------

TEST_F(ShellFixture, AnalysisOfTheWrongModelIsRefused) {
  shell->runModel(ModelKind::ModelIII);  // nothing loaded yet
  openOk(writeTrial("t.csv", kModelThreeCsv));
  shell->runModel(ModelKind::ModelI);
  shell->runModel(ModelKind::ModelII);
  EXPECT_EQ(ports.messages, std::vector<std::string>(3, "The data is not appropriate to this model."));
  EXPECT_FALSE(ports.timerRunning);
  EXPECT_FALSE(ports.workerWaiting());
  EXPECT_EQ(session.handoff.displayMode.load(), kDisplayPreview);
  EXPECT_EQ(runs, 0);
}

TEST_F(ShellFixture, AnalysisRunsOnTheWorkerAndTheFifthTickSizesTheReport) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  const int before = ports.invalidations;
  shell->runModel(ModelKind::ModelIII);
  EXPECT_EQ(session.handoff.displayMode.load(), kDisplayProgress);
  EXPECT_TRUE(ports.timerRunning);
  EXPECT_EQ(ports.timerPeriod, 200);
  EXPECT_EQ(ports.invalidations, before + 1);
  EXPECT_EQ(session.reportPath, data.file("result.txt"));
  ASSERT_TRUE(ports.workerWaiting());

  for (int i = 0; i < 3; ++i) shell->timerTick();  // the worker is still busy
  EXPECT_EQ(ports.invalidations, before + 4);
  ports.runWorker();
  EXPECT_EQ(ranModel, ModelKind::ModelIII);
  EXPECT_EQ(ranObservations, 4);
  EXPECT_EQ(session.handoff.completionTick.load(), 3);

  const auto sizesBefore = ports.scrollSizes.size();
  for (int i = 0; i < 4; ++i) shell->timerTick();  // ticks 4..7 repaint the report
  EXPECT_EQ(ports.invalidations, before + 8);
  EXPECT_TRUE(ports.timerRunning);
  EXPECT_EQ(ports.scrollSizes.size(), sizesBefore);

  shell->timerTick();  // tick 8 = completionTick + 5 only sizes
  EXPECT_EQ(ports.invalidations, before + 8);
  EXPECT_FALSE(ports.timerRunning);
  EXPECT_EQ(shell->scrollSize(), (ScrollSize{1100, 3 * 20 + 50}));
  EXPECT_EQ(session.handoff.completionTick.load(), kNoCompletion);
  EXPECT_EQ(session.handoff.timerTicks.load(), 0);
  EXPECT_EQ(session.handoff.displayMode.load(), kDisplayReport);
  EXPECT_FALSE(shell->analysisActive());
  EXPECT_TRUE(ports.messages.empty());
}

TEST_F(ShellFixture, ReportSizeFollowsItsLongestLineAndLineCount) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  struct Case {
    int lines, longest, width, height;
  };
  for (const Case c : {Case{300, 40, 1100, 6050}, Case{10, 120, 1340, 250}, Case{1, 96, 1100, 70},
                       Case{2, 97, 1110, 90}, Case{5, 200, 2140, 150}}) {
    SCOPED_TRACE(c.longest);
    run = [c](ModelKind, const TrialData&, const RunTarget& t) { return fakeRunWriting(c.lines, c.longest, t); };
    shell->runModel(ModelKind::ModelIII);
    ports.runWorker();
    tickUntilIdle();
    EXPECT_EQ(shell->scrollSize(), (ScrollSize{c.width, c.height}));
  }
}

TEST_F(ShellFixture, OpenAndAnalysesAreRefusedWhileAnAnalysisRuns) {
  const std::string trial = writeTrial("t.csv", kModelThreeCsv);
  openOk(trial);
  shell->runModel(ModelKind::ModelIII);
  ports.answers.push_back(trial);
  shell->open();
  shell->runModel(ModelKind::ModelIII);
  shell->runModel(ModelKind::ModelI);
  EXPECT_EQ(ports.messages, std::vector<std::string>(3, messages::kAnalysisRunning));
  EXPECT_TRUE(ports.openRequests.size() == 1u);  // no dialog for the refused Open

  ports.runWorker();
  shell->timerTick();  // the signal is seen, but the report is not sized yet
  shell->runModel(ModelKind::ModelIII);
  EXPECT_EQ(ports.messages.size(), 4u);
  tickUntilIdle();

  ports.messages.clear();
  shell->runModel(ModelKind::ModelIII);  // idle again: accepted
  EXPECT_TRUE(ports.messages.empty());
  EXPECT_TRUE(ports.workerWaiting());
  EXPECT_EQ(runs, 1);
}

TEST_F(ShellFixture, AnalysisStaysActiveUntilItsWorkerHasEnded) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  shell->runModel(ModelKind::ModelIII);
  // The run signals from the worker, the worker's completion arrives late.
  auto job = std::move(ports.pendingJob);
  auto finished = std::move(ports.pendingFinished);
  job();
  tickUntilIdle();
  EXPECT_TRUE(shell->analysisActive());
  finished();
  EXPECT_FALSE(shell->analysisActive());
}

TEST_F(ShellFixture, AFailedRunIsReportedAndTheViewGoesBackToThePreview) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  const auto previewSize = shell->scrollSize();
  struct Case {
    std::function<RunOutcome(ModelKind, const TrialData&, const RunTarget&)> run;
    std::string message;
  };
  const Case cases[] = {
      // Hands over like the real run does on failure.
      {[](ModelKind, const TrialData&, const RunTarget& t) {
         t.handoff->displayMode.store(kDisplayPreview);
         t.handoff->completionTick.store(t.handoff->timerTicks.load());
         return RunOutcome{RunStatus::ReportNotWritten, "The report cannot be written."};
       },
       "The report cannot be written."},
      // Returns without handing over at all.
      {[](ModelKind, const TrialData&, const RunTarget&) {
         return RunOutcome{RunStatus::Unavailable, "The Model III analysis is not available yet."};
       },
       "The Model III analysis is not available yet."},
      {[](ModelKind, const TrialData&, const RunTarget&) -> RunOutcome { throw std::bad_alloc(); },
       std::string("The analysis failed: ") + std::bad_alloc().what()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ports.messages.clear();
    run = c.run;
    shell->runModel(ModelKind::ModelIII);
    ports.runWorker();
    EXPECT_EQ(ports.messages, std::vector<std::string>{c.message});
    EXPECT_GT(tickUntilIdle(), 0);
    EXPECT_FALSE(ports.timerRunning);
    EXPECT_FALSE(shell->analysisActive());
    EXPECT_EQ(session.handoff.displayMode.load(), kDisplayPreview);
    EXPECT_EQ(shell->scrollSize(), previewSize);
  }
}

// --- The progress display ---------------------------------------------------------------------

TEST(ProgressDisplay, ShowsOneMoreDotPerFrameAndStartsAgainAfterSix) {
  ProgressDisplay display;
  std::vector<std::size_t> dots;
  for (int frame = 0; frame < 9; ++frame) dots.push_back(display.nextFrame(800, 600).size() - 1);
  EXPECT_EQ(dots, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 0, 1}));
}

TEST(ProgressDisplay, DrawsAroundTheCentreInMagenta) {
  ProgressDisplay display;
  for (int i = 0; i < 6; ++i) display.nextFrame(0, 0);
  auto frame = display.nextFrame(801, 601);  // cx 400, cy 300
  ASSERT_EQ(frame.size(), 7u);
  EXPECT_EQ(frame[0].text, "Please wait");
  EXPECT_EQ(frame[0].x, 250);
  EXPECT_EQ(frame[0].y, 280);
  for (std::size_t i = 1; i < frame.size(); ++i) {
    EXPECT_EQ(frame[i].text, ".");
    EXPECT_EQ(frame[i].x, 400 - 37 + 7 * static_cast<int>(i - 1));
    EXPECT_EQ(frame[i].y, 280);
  }
  for (const auto& item : frame) EXPECT_TRUE(item.magenta);
}

TEST_F(ShellFixture, TheDotCycleContinuesAcrossAnalyses) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  PaintRequest request{800, 600, 0, 600};
  shell->runModel(ModelKind::ModelIII);
  for (int i = 0; i < 4; ++i) shell->paint(request);  // 0..3 dots
  ports.runWorker();
  tickUntilIdle();
  EXPECT_EQ(shell->paint(request)[0].text, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");  // the report, no frame used

  shell->runModel(ModelKind::ModelIII);
  EXPECT_EQ(shell->paint(request).size(), 1u + 4u);
  EXPECT_EQ(shell->paint(request).size(), 1u + 5u);
  ports.runWorker();
  tickUntilIdle();
}

TEST_F(ShellFixture, TheProgressDisplayStaysInViewWhenThePreviewWasScrolled) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  shell->runModel(ModelKind::ModelIII);
  PaintRequest request{800, 600, 1000, 1600, 30, 1000};
  auto frame = shell->paint(request);
  ASSERT_EQ(frame.size(), 1u);
  EXPECT_EQ(frame[0].x, 30 + 400 - 150);
  EXPECT_EQ(frame[0].y, 1000 + 300 - 20);
  ports.runWorker();
  tickUntilIdle();
}

// --- The view's lines -------------------------------------------------------------------------

TEST_F(ShellFixture, TheViewDrawsTheShownFileLineByLineInsideTheRepaintedArea) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  std::string report;
  for (int i = 0; i < 1000; ++i) report += "line " + std::to_string(i) + "\r\n";
  writeBytes(data.file("result.txt"), report + "last without end");
  session.handoff.displayMode.store(kDisplayReport);

  auto all = shell->linesInArea(0, 1 << 30);
  ASSERT_EQ(all.size(), 1001u);
  EXPECT_EQ(all[0].text, "line 0");
  EXPECT_EQ(all[0].x, 40);
  EXPECT_EQ(all[0].y, 20);
  EXPECT_EQ(all[1].y, 40);
  EXPECT_EQ(all[1000].text, "last without end");
  EXPECT_EQ(all[1000].y, 20020);

  // Rows 1000..1099 touch the lines at y = 980 (reaching 1000 exclusive) .. 1080.
  auto some = shell->linesInArea(1000, 1100);
  ASSERT_EQ(some.size(), 5u);
  EXPECT_EQ(some.front().y, 1000);
  EXPECT_EQ(some.front().text, "line 49");
  EXPECT_EQ(some.back().y, 1080);
  EXPECT_TRUE(shell->linesInArea(0, 20).empty());
  EXPECT_EQ(shell->linesInArea(0, 21).size(), 1u);
  EXPECT_TRUE(shell->linesInArea(30000, 31000).empty());
  EXPECT_EQ(shell->shownLineCount(), 1001);

  session.handoff.displayMode.store(kDisplayPreview);
  EXPECT_EQ(shell->linesInArea(0, 1000)[1].text, "   preview of 4 observations");
  session.handoff.displayMode.store(kDisplayNothing);
  EXPECT_TRUE(shell->linesInArea(0, 1000).empty());
}

TEST(CachedTextFile, ReadsAgainOnlyWhenTheFileChanged) {
  TempDir dir;
  const std::string path = dir.file("result.txt");
  writeBytes(path, "a\r\nb\r\n");
  CachedTextFile cache;
  EXPECT_EQ(cache.lines(path), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(cache.lines(path).size(), 2u);
  EXPECT_EQ(cache.readCount(), 1);

  // A new report is renamed over the old one, as the analysis writes it.
  writeBytes(path + ".new", "c\r\n");
  fs::rename(path + ".new", path);
  EXPECT_EQ(cache.lines(path), (std::vector<std::string>{"c"}));
  EXPECT_EQ(cache.readCount(), 2);

  fs::remove(path);
  EXPECT_TRUE(cache.lines(path).empty());
}

TEST(SplitLines, KeepsTheTextAsReadWithoutItsLineEnds) {
  EXPECT_EQ(splitLines(""), std::vector<std::string>{});
  EXPECT_EQ(splitLines("\r\n"), std::vector<std::string>{""});
  EXPECT_EQ(splitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(splitLines("a\nb\n"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(splitLines("a\rb\r\n"), std::vector<std::string>{"a\rb"});
  EXPECT_EQ(splitLines(std::string("a\0b\n", 4)), std::vector<std::string>{std::string("a\0b", 3)});
}

// --- Save As, Save, Help, New -----------------------------------------------------------------

TEST_F(ShellFixture, SaveAsNeedsAReport) {
  shell->saveReportAs();
  openOk(writeTrial("t.csv", kModelThreeCsv));
  shell->saveReportAs();
  EXPECT_EQ(ports.messages, std::vector<std::string>(2, "Please perform computing!"));
  EXPECT_TRUE(ports.saveRequests.empty());
}

TEST_F(ShellFixture, SaveAsCopiesTheReportWithCrLfLineEnds) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  shell->runModel(ModelKind::ModelIII);
  ports.runWorker();
  tickUntilIdle();
  writeBytes(session.reportPath, "first\r\n\r\nunix\nlast");
  TempDir target;
  ports.answers.push_back(target.file("copy.txt"));
  shell->saveReportAs();

  ASSERT_EQ(ports.saveRequests.size(), 1u);
  const FileDialogRequest& dialog = ports.saveRequests[0];
  EXPECT_EQ(dialog.defaultExtension, "txt");
  EXPECT_EQ(dialog.initialFileName, "*.txt");
  EXPECT_EQ(dialog.filter, "Text files(*.txt)|*.txt|All files(*.*)|*.*||");
  EXPECT_EQ(dialog.initialDirectory, programDir.dir().substr(0, programDir.dir().size() - 1));
  EXPECT_EQ(readBytes(target.file("copy.txt")), "first\r\n\r\nunix\r\nlast\r\n");
  EXPECT_EQ(session.dialogDirectory, target.dir());
  EXPECT_TRUE(ports.messages.empty());

  // The next Open dialog starts where the copy went.
  shell->open();
  EXPECT_EQ(ports.openRequests.back().initialDirectory, target.dir());
}

TEST_F(ShellFixture, SaveAsOntoTheReportItselfKeepsIt) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  shell->runModel(ModelKind::ModelIII);
  ports.runWorker();
  tickUntilIdle();
  const std::string report = readBytes(session.reportPath);
  ASSERT_FALSE(report.empty());
  fs::create_symlink(session.reportPath, data.file("link.txt"));
  fs::create_hard_link(session.reportPath, data.file("hard.txt"));
  for (const std::string& same : {session.reportPath, data.dir() + "./result.txt", data.file("link.txt"),
                                  data.file("hard.txt")}) {
    SCOPED_TRACE(same);
    ports.answers.push_back(same);
    shell->saveReportAs();
    EXPECT_EQ(readBytes(session.reportPath), report);
  }
  EXPECT_TRUE(ports.messages.empty());
}

TEST_F(ShellFixture, SaveAsThatCannotWriteSaysSoAndStillMovesTheDialog) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  shell->runModel(ModelKind::ModelIII);
  ports.runWorker();
  tickUntilIdle();
  const std::string target = data.file("no/such/folder/copy.txt");
  ports.answers.push_back(target);
  shell->saveReportAs();
  EXPECT_EQ(ports.messages, std::vector<std::string>{"The report cannot be saved as:\n" + target});
  EXPECT_EQ(session.dialogDirectory, data.file("no/such/folder/"));

  ports.messages.clear();
  ports.answers.push_back(std::nullopt);  // cancelled: nothing happens
  shell->saveReportAs();
  EXPECT_TRUE(ports.messages.empty());
  EXPECT_EQ(session.dialogDirectory, data.file("no/such/folder/"));
}

TEST_F(ShellFixture, SaveWritesAnEmptyDocument) {
  writeBytes(data.file("doc"), "old");
  ports.answers.push_back(data.file("doc"));
  shell->saveDocument();
  EXPECT_EQ(readBytes(data.file("doc")), "");
  EXPECT_TRUE(ports.messages.empty());
}

TEST_F(ShellFixture, HelpOpensTheManualBesideTheProgramOnlyWhenItExists) {
  shell->help();
  EXPECT_TRUE(ports.openedDocuments.empty());
  writeBytes(programDir.file("Manual.pdf"), "%PDF-1.4\n");
  shell->help();
  EXPECT_EQ(ports.openedDocuments, std::vector<std::string>{programDir.file("Manual.pdf")});
  EXPECT_TRUE(ports.messages.empty());
}

TEST_F(ShellFixture, NewShrinksTheScrollAreaAndResetsTheDialogFolder) {
  openOk(writeTrial("t.csv", kModelThreeCsv));
  shell->runModel(ModelKind::ModelIII);
  ports.runWorker();
  tickUntilIdle();
  session.dialogDirectory = "/elsewhere/";
  shell->newDocument();
  EXPECT_EQ(shell->scrollSize(), (ScrollSize{100, 100}));
  EXPECT_EQ(session.dialogDirectory, session.programDirectory);
  EXPECT_EQ(session.handoff.displayMode.load(), kDisplayReport);
  EXPECT_FALSE(shell->linesInArea(0, 100).empty());
}

}  // namespace
