#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/cli_runner.h"

namespace {

const char* const kTrial =
    "Male,Female,Trait1,Trait2\n"
    "1,1,10.5,3\n1,1,11.0,3.5\n1,2,12.5,4\n1,2,12.0,4.5\n2,1,9.0,2\n2,1,9.5,2.5\n2,2,14.0,6\n2,2,13.0,5.5\n"
    "3,1,8.0,1\n3,1,8.5,1.5\n3,2,11.0,3\n3,2,11.5,3.5\n";

TEST(CliAnalyze, WritesTheReportNextToTheData) {
  std::string dir = testing::TempDir() + "analyze_cli/";
  mkdir(dir.c_str(), 0755);
  std::string csv = dir + "trial.csv";
  std::remove((dir + "result.txt").c_str());
  writeCsv("analyze_cli/trial.csv", kTrial);
  CliRun run = runCli("analyze " + csv);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, dir + "result.txt\n");
  std::string report = readFile(dir + "result.txt");
  EXPECT_NE(report.find("   Testing the model for trait 2:\r\n"), std::string::npos);
  EXPECT_NE(report.find("   Genetic correlation matrix of male x female effects with std. in brackets\r\n"),
            std::string::npos);

  CliRun explicitModel = runCli("analyze --model III --report " + dir + "other.txt " + csv);
  EXPECT_EQ(explicitModel.status, 0) << explicitModel.err;
  EXPECT_EQ(explicitModel.out, dir + "other.txt\n");
}

TEST(CliAnalyze, FailuresExitOneWithAMessage) {
  std::string csv = writeCsv("analyze_fail.csv", kTrial);
  CliRun wrongModel = runCli("analyze --model II " + csv);
  EXPECT_EQ(wrongModel.status, 1);
  EXPECT_EQ(wrongModel.err, "The data is not appropriate to this model.\n");
  CliRun unwritable = runCli("analyze --report /nonexistent-dir/r.txt " + csv);
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.err, "The report cannot be written to /nonexistent-dir/r.txt.\n");
  CliRun blocks = runCli("analyze " + writeCsv("blocks.csv", "Block,Male,Female,Trait1\n1,1,1,1\n1,1,2,2\n1,2,1,3\n1,2,2,4\n"));
  EXPECT_EQ(blocks.status, 1);
  EXPECT_EQ(blocks.err, "The Model II analysis is not available yet.\n");
  CliRun badData = runCli("analyze " + writeCsv("bad.csv", "Male,Female,Trait1\n1,1,1\n"));
  EXPECT_EQ(badData.status, 1);
  EXPECT_EQ(badData.err, "Data Error!\n");
}

}  // namespace
