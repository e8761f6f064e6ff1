// The desktop toolkit switches the process to the user's locale; numbers written and parsed by
// the program must not follow it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "analysis/run.h"
#include "data/csv_grid.h"
#include "data/preview.h"
#include "data/trial_data.h"

namespace fs = std::filesystem;

namespace {

const char* const kDecimalCommaLocale = "de_DE.UTF-8";

// Switches to a decimal-comma locale, compiling one into a private folder when the system has
// none installed. False when neither works.
bool useDecimalCommaLocale() {
  if (std::setlocale(LC_ALL, kDecimalCommaLocale)) return true;
  // Shared by the test processes of one user; each compiles into its own folder and the first
  // to finish moves its folder into place.
  const fs::path shared = fs::temp_directory_path() / ("pedivar-locales-" + std::to_string(getuid()));
  if (!fs::exists(shared / kDecimalCommaLocale)) {
    const fs::path own = shared.string() + "." + std::to_string(getpid());
    fs::create_directories(own);
    const std::string command =
        "localedef -i de_DE -f UTF-8 " + (own / kDecimalCommaLocale).string() + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    std::error_code ignored;
    if (fs::exists(own / kDecimalCommaLocale)) fs::rename(own, shared, ignored);
    fs::remove_all(own, ignored);
    if (status != 0 && !fs::exists(shared / kDecimalCommaLocale)) return false;
  }
  setenv("LOCPATH", shared.c_str(), 1);
  return std::setlocale(LC_ALL, kDecimalCommaLocale) != nullptr;
}

class DecimalCommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!useDecimalCommaLocale()) GTEST_SKIP() << "no de_DE.UTF-8 locale and localedef could not make one";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", 12.5);
    ASSERT_STREQ(buf, "12,5000") << "the locale is not in effect";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }

  static TrialData smallTrial() {
    auto grid = parseCsvGrid("Male,Female,Trait1,Trait2\n1,1,12.5,3.25\n1,2,11,4\n2,1,9.75,5\n2,2,12.25,6.5\n"
                             "1,1,13.5,3\n1,2,10,4\n2,1,9.5,5.5\n2,2,12,6\n");
    TrialData data;
    EXPECT_TRUE(grid.has_value());
    if (grid) {
      EXPECT_EQ(buildTrialData(*grid, data), std::nullopt);
    }
    return data;
  }
};

// "12,5000" or "-0,1234": a number written with the decimal comma.
const std::regex kCommaNumber("[0-9],[0-9]{4}");

TEST_F(DecimalCommaLocale, CsvNumbersParseWithTheDecimalPoint) {
  TrialData data = smallTrial();
  ASSERT_EQ(data.traitCount, 2);
  EXPECT_EQ(data.traitValues[0][0], 12.5);
  EXPECT_EQ(data.traitValues[1][0], 3.25);
}

TEST_F(DecimalCommaLocale, PreviewWritesTheDecimalPoint) {
  TrialData data = smallTrial();
  const std::string text = previewText(data);
  if (text.empty()) GTEST_SKIP() << "the preview writer is not built yet";
  EXPECT_NE(text.find("12.5000"), std::string::npos);
  EXPECT_FALSE(std::regex_search(text, kCommaNumber));
}

TEST_F(DecimalCommaLocale, ReportWritesTheDecimalPoint) {
  TrialData data = smallTrial();
  const std::string path = (fs::temp_directory_path() / ("pedivar-locale-" + std::to_string(getpid()) + ".txt")).string();
  RunTarget target;
  target.reportPath = path;
  target.fixedStartTime = 1;
  RunOutcome outcome = runAnalysis(ModelKind::ModelIII, data, target);
  if (outcome.status == RunStatus::Unavailable) GTEST_SKIP() << outcome.message;
  ASSERT_EQ(outcome.status, RunStatus::Complete) << outcome.message;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream report;
  report << in.rdbuf();
  fs::remove(path);
  EXPECT_FALSE(report.str().empty());
  EXPECT_FALSE(std::regex_search(report.str(), kCommaNumber));
  EXPECT_NE(report.str().find("."), std::string::npos);
}

}  // namespace
