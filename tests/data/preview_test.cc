#include "data/preview.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <variant>

#include "support/xls_builder.h"

namespace {

// A trial converted the way the Open command converts it, from rows of cells.
TrialData trialFrom(const std::vector<std::vector<xls::Cell>>& rows) {
  SheetGrid grid;
  for (std::uint32_t r = 0; r < rows.size(); ++r)
    for (std::uint32_t c = 0; c < rows[r].size(); ++c) {
      GridCell* cell = grid.cell(r, c);
      if (auto* i = std::get_if<std::int32_t>(&rows[r][c])) cell->setInteger(*i);
      if (auto* d = std::get_if<double>(&rows[r][c])) cell->setReal(*d);
      if (auto* s = std::get_if<std::string>(&rows[r][c])) cell->setText(*s);
    }
  TrialData data;
  auto error = buildTrialData(grid, data);
  EXPECT_FALSE(error) << *error;
  return data;
}

using C = xls::Cell;
C s(const char* text) { return C{std::string(text)}; }
C i(std::int32_t v) { return C{v}; }
C d(double v) { return C{v}; }

TrialData smallModelIII() {
  return trialFrom({{s("Male"), s("Female"), s("Trait1")},
                    {i(1), i(1), d(12.5)},
                    {i(1), i(2), i(13)},
                    {i(2), i(1), d(-0.25)},
                    {i(2), i(2), d(1234.56789)}});
}

TEST(PreviewTest, WritesTheModelTheLevelsAndEveryObservation) {
  const std::string expected =
      "\r\n"
      "   The data can be analyzed with the following model: \r\n"
      "\r\n"
      "   yijk = u + Mi + Fj + (MF)ij + eijk. \r\n"
      "\r\n"
      "   Factor Levels:\r\n"
      "\r\n"
      "   Male: 1 2 \r\n"
      "   Female: 1 2 \r\n"
      "\r\n"
      "\r\n"
      "   Individual data: \r\n"
      "\r\n"
      "\r\n"
      "\r\n"
      "   Male   Female            Trait1\r\n"
      "       1       1           12.5000  \r\n"
      "       1       2           13.0000  \r\n"
      "       2       1           -0.2500  \r\n"
      "       2       2         1234.5679  \r\n";
  EXPECT_EQ(previewText(smallModelIII()), expected);
}

std::string lineOf(const std::string& text, int number) {
  std::size_t start = 0;
  for (int n = 1; n < number; ++n) start = text.find("\r\n", start) + 2;
  return text.substr(start, text.find("\r\n", start) - start);
}

TEST(PreviewTest, CutsFieldsThatNeedMoreThanTheirWidth) {
  TrialData data = trialFrom({{s("Male"), s("Female"), s("Trait1"), s("Trait2")},
                              {i(123456789), i(-12345678), d(0.00004), d(1e20)},
                              {i(3), i(1), d(-0.00004), d(-123456789012.5)},
                              {i(2), i(1), i(0), d(2.7)},
                              {i(1), i(1), i(0), d(2.7)}});
  data.columnNames[3] = "Trait2_with_a_very_long_name";  // longer headings contribute 18 characters
  const std::string text = previewText(data);
  EXPECT_EQ(lineOf(text, 8), "   Male: 1 2 3 123456789 ");
  EXPECT_EQ(lineOf(text, 16), "   Male   Female            Trait1Trait2_with_a_very");
  EXPECT_EQ(lineOf(text, 17), "12345678-1234567            0.0000  100000000000000000");
  EXPECT_EQ(lineOf(text, 18), "       3       1           -0.0000  -123456789012.5000");
}

TEST(PreviewTest, EquationsOfTheThreeModels) {
  const TrialData modelII = trialFrom({{s("Block"), s("Male"), s("Female"), s("Trait1")},
                                       {i(3), i(1), i(1), d(1)},
                                       {i(1), i(1), i(2), d(2)},
                                       {i(2), i(2), i(1), d(3)},
                                       {i(1), i(2), i(2), d(4)}});
  const std::string text = previewText(modelII);
  EXPECT_EQ(lineOf(text, 4), "   yijkl = u + Bi + Mj + Fk +(MF)jk + eijkl. ");
  EXPECT_EQ(lineOf(text, 8), "   Block: 1 2 3 ");  // ascending whatever the order of the rows
  EXPECT_EQ(lineOf(text, 17), "   Block   Male   Female            Trait1");

  const TrialData modelI = trialFrom({{s("Site"), s("Block"), s("Male"), s("Female"), s("Trait1")},
                                      {i(1), i(1), i(1), i(1), d(1)},
                                      {i(1), i(2), i(1), i(2), d(2)},
                                      {i(2), i(1), i(2), i(1), d(3)},
                                      {i(2), i(2), i(2), i(2), d(4)}});
  EXPECT_EQ(lineOf(previewText(modelI), 4),
            "   yijklm = u + Si + SBij + Mk + Fl + (MF)kl + SMik + SFil + (SMF)ikl + (SBMF)ijkl + eijklm. ");
}

// Makes a locale with a decimal comma available to this process, or says why it cannot.
bool useCommaLocale(std::string& why) {
  const std::string dir = xls::tempPath("locales");
  std::filesystem::create_directories(dir);
  const std::string command = "localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0 && !std::filesystem::exists(dir + "/de_DE.UTF-8")) {
    why = "localedef could not build de_DE.UTF-8";
    return false;
  }
  setenv("LOCPATH", dir.c_str(), 1);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
    why = "de_DE.UTF-8 cannot be selected";
    return false;
  }
  char probe[32];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  if (std::string(probe) != "1,5") {
    std::setlocale(LC_ALL, "C");
    why = "the locale has no decimal comma";
    return false;
  }
  return true;
}

TEST(PreviewTest, NumbersKeepTheirDecimalPointUnderADecimalCommaLocale) {
  const TrialData data = smallModelIII();
  const std::string inC = previewText(data);
  std::string why;
  if (!useCommaLocale(why)) GTEST_SKIP() << why;
  const std::string inGerman = previewText(data);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(inGerman, inC);
  EXPECT_NE(inGerman.find("12.5000"), std::string::npos);
}

std::string fileContent(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(PreviewTest, TheFileHoldsTheTextByteForByteAndReplacesAnOlderOne) {
  const std::string path = xls::tempPath(kPreviewFileName);
  {
    std::ofstream old(path, std::ios::binary);
    old << std::string(10000, 'x');
  }
  const TrialData data = smallModelIII();
  ASSERT_TRUE(writePreviewFile(data, path));
  EXPECT_EQ(fileContent(path), previewText(data));
  std::remove(path.c_str());
  EXPECT_FALSE(writePreviewFile(data, "/nonexistent/pedivar/dir/tmp.txt"));
}

TEST(PreviewTest, PreviewCommandWritesAndPrintsTheFile) {
  const std::string csv = xls::tempPath("trial.csv");
  const std::string out = xls::tempPath("preview_out.txt");
  {
    std::ofstream f(csv, std::ios::binary);
    f << "Male,Female,Trait1\n1,1,12.5\n1,2,13\n2,1,-0.25\n2,2,1234.56789\n";
  }
  const std::string command = std::string(PEDIVAR_CLI) + " preview " + csv + " --output " + out + " > " + out + ".stdout";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(fileContent(out), previewText(smallModelIII()));
  EXPECT_EQ(fileContent(out + ".stdout"), fileContent(out));
  const std::string denied = std::string(PEDIVAR_CLI) + " preview " + csv + " --output /nonexistent/x/tmp.txt 2>/dev/null";
  EXPECT_NE(std::system(denied.c_str()), 0);
  for (const std::string& p : {csv, out, out + ".stdout"}) std::remove(p.c_str());
}

}  // namespace
