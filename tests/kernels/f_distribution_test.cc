#include "kernels/f_distribution.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(FProbability, FivePercentPointsGiveFivePercent) {
  struct Case {
    int df1, df2;
    double f;
  };
  // One point of every parity: even/any, odd/even, odd/odd with b > 1 and b = 1.
  for (const Case& c : {Case{1, 10, 4.9646}, Case{2, 10, 4.1028}, Case{3, 10, 3.7083}, Case{5, 7, 3.9715},
                        Case{1, 1, 161.45}, Case{2, 2, 19.0}, Case{3, 1, 215.71}}) {
    EXPECT_NEAR(0.05, fProbability(c.df1, c.df2, c.f), 0.00005) << c.df1 << "," << c.df2;
  }
}

// Reference values: the regularised incomplete beta function I_y(df2/2, df1/2) with
// y = df2 / (df2 + df1 F), evaluated by an arbitrary-precision library at 40 digits.
struct Reference {
  int df1, df2;
  double f, probability;
};
const Reference kReferences[] = {
    {1, 10, 4.9646, 0.050000052192913772},
    {2, 10, 4.1028, 0.05000057716382416},
    {3, 10, 3.7083, 0.049998833510300748},
    {5, 7, 3.9715, 0.050000672719598263},
    {1, 1, 161.45, 0.049999635875962893},
    {2, 2, 19.0, 0.05},
    {3, 1, 215.71, 0.049999692969896862},
    {4, 6, 2.5, 0.151611328125},
    {4, 7, 1.3, 0.35653115461535985},
    {7, 4, 0.8, 0.6273084477124271},
    {7, 9, 2.2, 0.13429093475721481},
    {1, 2, 0.5, 0.55278640450004206},
    {2, 1, 3.0, 0.37796447300922723},
    {9, 9, 1.0, 0.5},
    {1, 25, 0.03, 0.86388497445179432},
    {6, 120, 1.7, 0.1267410966501273},
    {120, 6, 1.7, 0.26082896148692124},
    {35, 48, 1.4, 0.13845563407223619},
    {48, 35, 1.4, 0.15013316257159896},
    {51, 49, 0.9, 0.6452432661433426},
    {400, 1200, 1.1, 0.1170881568175897},
    {441, 2000, 1.05, 0.24988130401382464},
    {441, 2001, 1.2, 0.0059800582836378655},
    {441, 2000, 0.8, 0.99820104283229358},
    {1, 3000, 3.84, 0.050135986744725623},
    {1, 3001, 3.84, 0.05013595592924613},
    {2, 5000, 3.0, 0.04987669403647884},
    {3, 4999, 2.6, 0.050450757180038628},
    {200, 201, 1.0, 0.49995312498716674},
    {999, 1001, 1.1, 0.065986250154570714},
    {1000, 1000, 1.0, 0.5},
    {1, 10, 400.0, 0.0000000021460623172042518},
    {4, 20, 30.0, 0.000000033884131814425169},
};

TEST(FProbability, MatchesHighPrecisionReferencesInEveryParity) {
  for (const Reference& r : kReferences) {
    const double p = fProbability(r.df1, r.df2, r.f);
    EXPECT_NEAR(r.probability, p, 1e-12 + 1e-9 * r.probability) << "F(" << r.df1 << ", " << r.df2 << ") at " << r.f;
  }
}

TEST(FProbability, ZeroGivesOneAndHugeValuesApproachZeroFromAbove) {
  for (int a = 1; a <= 6; ++a)
    for (int b = 1; b <= 6; ++b) {
      EXPECT_EQ(1.0, fProbability(a, b, 0.0)) << a << "," << b;
      const double tail = fProbability(a, b, 1e12);
      EXPECT_GE(tail, 0.0) << a << "," << b;
      EXPECT_LT(tail, 1e-5) << a << "," << b;
      EXPECT_NEAR(0.0, fProbability(a, b, HUGE_VAL), 1e-15) << a << "," << b;
    }
}

TEST(FProbability, NegativeRoundingResidueCountsAsZero) {
  EXPECT_EQ(1.0, fProbability(3, 5, -1e-13));
  EXPECT_EQ(1.0, fProbability(2, 8, -4.0));
}

TEST(FProbability, UndefinedArgumentsGiveNaN) {
  EXPECT_TRUE(std::isnan(fProbability(0, 5, 1.0)));
  EXPECT_TRUE(std::isnan(fProbability(3, 0, 1.0)));
  EXPECT_TRUE(std::isnan(fProbability(3, 5, NAN)));
}

}  // namespace
