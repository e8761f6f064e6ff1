// The analysis run: the report file, its determinism, and the hand-off to the shell.
#include "analysis/run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <thread>

#include "support/cli_runner.h"
#include "support/trial_builder.h"

namespace {

std::string tempReport(const std::string& name) { return testing::TempDir() + name; }

TEST(AnalysisRun, WritesTheReportAndHandsOver) {
  TrialData trial = balancedModel3Trial(3, 4, 2, 2, 1);
  HandOff handoff;
  handoff.timerTicks = 17;
  std::atomic<std::int64_t> start{0};
  RunTarget target{tempReport("run_result.txt"), &start, &handoff, {}, 0};
  RunOutcome outcome = runAnalysis(ModelKind::ModelIII, trial, target);
  ASSERT_EQ(outcome.status, RunStatus::Complete) << outcome.message;
  EXPECT_NE(start.load(), 0);
  std::string text = readFile(target.reportPath);
  int lines = 0;
  std::size_t longest = 0, begin = 0;
  for (std::size_t pos; (pos = text.find('\n', begin)) != std::string::npos; begin = pos + 1) {
    ASSERT_EQ(text[pos - 1], '\r');
    longest = std::max(longest, pos - 1 - begin);
    ++lines;
  }
  EXPECT_EQ(begin, text.size());  // every line ends in CR LF
  EXPECT_EQ(handoff.reportLineCount.load(), lines);
  EXPECT_EQ(handoff.reportMaxLineLength.load(), static_cast<int>(longest));
  EXPECT_EQ(handoff.displayMode.load(), kDisplayReport);
  EXPECT_EQ(handoff.completionTick.load(), 17);
}

TEST(AnalysisRun, SameDataSameReport) {
  TrialData trial = balancedModel3Trial(4, 3, 2, 3, 4);
  RunTarget a{tempReport("same_a.txt"), nullptr, nullptr, {}, 1700000000};
  RunTarget b{tempReport("same_b.txt"), nullptr, nullptr, {}, 1700000000};
  ASSERT_EQ(runAnalysis(ModelKind::ModelIII, trial, a).status, RunStatus::Complete);
  ASSERT_EQ(runAnalysis(ModelKind::ModelIII, trial, b).status, RunStatus::Complete);
  EXPECT_EQ(readFile(a.reportPath), readFile(b.reportPath));
}

// The desktop runs under the user's locale; the report must not follow a decimal comma.
TEST(AnalysisRun, ReportIgnoresTheProcessLocale) {
  TrialData trial = balancedModel3Trial(3, 3, 2, 2, 6);
  RunTarget plain{tempReport("locale_c.txt"), nullptr, nullptr, {}, 1700000000};
  ASSERT_EQ(runAnalysis(ModelKind::ModelIII, trial, plain).status, RunStatus::Complete);
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  RunTarget german{tempReport("locale_de.txt"), nullptr, nullptr, {}, 1700000000};
  RunOutcome outcome = runAnalysis(ModelKind::ModelIII, trial, german);
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_EQ(std::string(probe), "1,5");  // the locale really has a decimal comma
  ASSERT_EQ(outcome.status, RunStatus::Complete);
  const std::string report = readFile(german.reportPath);
  EXPECT_EQ(report, readFile(plain.reportPath));
  EXPECT_NE(report.find(".0000"), std::string::npos);
}

TEST(AnalysisRun, RefusalsHandOverWithoutAReport) {
  TrialData trial = balancedModel3Trial(3, 3, 2, 1, 2);
  struct Case {
    ModelKind model;
    std::string path;
    RunStatus status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {ModelKind::ModelII, tempReport("refused.txt"), RunStatus::NotAppropriate,
       "The data is not appropriate to this model."},
      {ModelKind::ModelIII, "/nonexistent-dir/result.txt", RunStatus::ReportNotWritten,
       "The report cannot be written to /nonexistent-dir/result.txt."},
  };
  for (const Case& c : cases) {
    HandOff handoff;
    handoff.displayMode = kDisplayProgress;
    RunOutcome outcome = runAnalysis(c.model, trial, {c.path, nullptr, &handoff, {}, 0});
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.message, c.message);
    EXPECT_EQ(handoff.displayMode.load(), kDisplayPreview);
    EXPECT_EQ(handoff.completionTick.load(), 0);
    EXPECT_EQ(handoff.reportLineCount.load(), 0);
  }
}

TEST(AnalysisRun, DisconnectedCrossesAreRefused) {
  TrialData trial = model3Trial({1, 1, 2, 2, 3, 3, 4, 4}, {1, 2, 1, 2, 3, 4, 3, 4}, {{1, 2, 3, 4, 5, 6, 7, 9}});
  std::string path = tempReport("disconnected.txt");
  std::remove(path.c_str());
  RunOutcome outcome = runAnalysis(ModelKind::ModelIII, trial, {path, nullptr, nullptr, {}, 0});
  EXPECT_EQ(outcome.status, RunStatus::Disconnected);
  EXPECT_NE(outcome.message.find("not connected"), std::string::npos);
  struct stat st;
  EXPECT_NE(stat(path.c_str(), &st), 0);  // no report of meaningless numbers
}

// The worker stores the measures and displayMode before completionTick: a reader that sees the
// new completionTick also sees the rest.
TEST(AnalysisRun, HandOffOrder) {
  TrialData trial = balancedModel3Trial(2, 2, 2, 1, 3);
  for (int round = 0; round < 20; ++round) {
    HandOff handoff;
    std::atomic<bool> seen{false};
    std::thread watcher([&] {
      while (handoff.completionTick.load(std::memory_order_acquire) == kNoCompletionAtStart) std::this_thread::yield();
      EXPECT_EQ(handoff.displayMode.load(std::memory_order_relaxed), kDisplayReport);
      EXPECT_GT(handoff.reportLineCount.load(std::memory_order_relaxed), 0);
      EXPECT_GT(handoff.reportMaxLineLength.load(std::memory_order_relaxed), 0);
      seen = true;
    });
    RunTarget target{tempReport("order.txt"), nullptr, &handoff, {}, 0};
    ASSERT_EQ(runAnalysis(ModelKind::ModelIII, trial, target).status, RunStatus::Complete);
    watcher.join();
    EXPECT_TRUE(seen.load());
  }
}

}  // namespace
