// Micro-benchmarks of the numerical kernels at the sizes the analyses meet.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "../tests/kernels/design_builders.h"
#include "kernels/householder.h"
#include "kernels/hypothesis_tests.h"
#include "kernels/inversion.h"
#include "kernels/jacobi.h"

namespace {

// B B' + n I for a random n x n matrix B.
RealMatrix positiveDefinite(std::size_t n, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> z;
  RealMatrix b(n, n), a(n, n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) b[i][j] = z(rng);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j <= i; ++j) {
      long double s = i == j ? static_cast<long double>(n) : 0.0L;
      for (std::size_t k = 0; k < n; ++k) s += static_cast<long double>(b[i][k]) * b[j][k];
      a[i][j] = a[j][i] = static_cast<double>(s);
    }
  return a;
}

// Crossed design of m males and f females, all cells, `reps` observations each.
testdesign::Design crossed(int males, int females, int reps) {
  return testdesign::modelThree(testdesign::fullFactorial(1, 1, males, females, reps));
}

int crossSide(std::int64_t order) { return order <= 100 ? 9 : order <= 400 ? 19 : 31; }

void BM_InvertSymmetric(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const RealMatrix a0 = positiveDefinite(n, 1);
  RealMatrix a = a0;
  for (auto _ : state) {
    state.PauseTiming();
    a = a0;
    state.ResumeTiming();
    benchmark::DoNotOptimize(invertSymmetric(a, n));
  }
}
BENCHMARK(BM_InvertSymmetric)->Arg(100)->Arg(400)->Arg(1000)->Unit(benchmark::kMillisecond);

// Rank of a crossed design with 2 observations per cell: p = 100, 400, 1024 columns.
void BM_IntegerRankDesign(benchmark::State& state) {
  const int side = crossSide(state.range(0));
  const IntMatrix x0 = crossed(side, side, 2).X;
  IntMatrix x = x0;
  for (auto _ : state) {
    state.PauseTiming();
    x = x0;
    state.ResumeTiming();
    benchmark::DoNotOptimize(integerRank(x.cols(), x, x.rows()));
  }
  state.counters["rows"] = static_cast<double>(x0.rows());
  state.counters["cols"] = static_cast<double>(x0.cols());
}
BENCHMARK(BM_IntegerRankDesign)->Arg(100)->Arg(400)->Arg(1000)->Unit(benchmark::kMillisecond);

// [C; H] of a factor test on the multi-site design: 3 sites, 2 blocks, 5 x 5, all cells
// (C has 168 rows, 300 columns; H the 150 unit rows of the block x cross cells).
void BM_IntegerRankRestrictions(benchmark::State& state) {
  const auto d = testdesign::modelOne(testdesign::fullFactorial(3, 2, 5, 5, 1));
  const std::size_t first = d.groupStart[9], n = d.groupEnd(9) - first;
  IntMatrix l0(d.C.rows() + n, d.C.cols());
  for (std::size_t r = 0; r < d.C.rows(); ++r) std::copy(d.C[r], d.C[r] + d.C.cols(), l0[r]);
  for (std::size_t i = 0; i < n; ++i) l0[d.C.rows() + i][first + i] = 1;
  IntMatrix m = l0;
  for (auto _ : state) {
    state.PauseTiming();
    m = l0;
    state.ResumeTiming();
    benchmark::DoNotOptimize(integerRank(m.cols(), m, m.rows()));
  }
}
BENCHMARK(BM_IntegerRankRestrictions)->Unit(benchmark::kMillisecond);

RealMatrix traits(std::size_t n, std::size_t t) {
  std::mt19937_64 rng(3);
  std::normal_distribution<double> z(10, 2);
  RealMatrix y(n, t);
  for (std::size_t r = 0; r < n; ++r)
    for (std::size_t c = 0; c < t; ++c) y[r][c] = z(rng);
  return y;
}

// 1200 x 441 (20 x 20 cells, 3 observations each) and 2000 x 196 (13 x 13 cells, uneven).
void BM_HouseholderSolve(benchmark::State& state) {
  std::vector<testdesign::Codes> obs;
  if (state.range(0) == 1200) {
    obs = testdesign::fullFactorial(1, 1, 20, 20, 3);
  } else {
    for (int i = 0; obs.size() < 2000; ++i) obs.push_back({1, 1, 1 + i % 13, 1 + (i / 13) % 13});
  }
  const auto d = testdesign::modelThree(obs);
  const RealMatrix x0 = testdesign::toReal(d.X), y0 = traits(obs.size(), 3);
  RealMatrix x = x0, y = y0;
  for (auto _ : state) {
    state.PauseTiming();
    x = x0;
    y = y0;
    state.ResumeTiming();
    benchmark::DoNotOptimize(householderSolve(x, y, x.rows(), x.cols()));
  }
  state.counters["rows"] = static_cast<double>(x0.rows());
  state.counters["cols"] = static_cast<double>(x0.cols());
}
BENCHMARK(BM_HouseholderSolve)->Arg(1200)->Arg(2000)->Unit(benchmark::kMillisecond);

// Gram matrix of a random matrix, as the exact tests build them.
void BM_JacobiEigen(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  const RealMatrix a0 = positiveDefinite(n, 2);
  RealMatrix a = a0, v(n, n);
  for (auto _ : state) {
    state.PauseTiming();
    a = a0;
    state.ResumeTiming();
    jacobiEigen(a, n, v, 1e-6);
  }
}
BENCHMARK(BM_JacobiEigen)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

// One trait of a 20 x 20 crossed design with 3 observations per cell: p = 441, h = 42.
struct CrossedFit {
  testdesign::Design d = crossed(20, 20, 3);
  std::vector<double> xty;
  RealMatrix a, ainv;
  FittedModel model;
  CrossedFit() {
    const std::size_t n = d.X.rows(), p = d.X.cols();
    const RealMatrix y = traits(n, 1);
    a.reset(p, p);
    xty.assign(p, 0.0);
    double yty = 0;
    for (std::size_t r = 0; r < n; ++r) {
      yty += y[r][0] * y[r][0];
      for (std::size_t i = 0; i < p; ++i) {
        if (d.X[r][i] == 0) continue;
        xty[i] += y[r][0];
        for (std::size_t j = 0; j < p; ++j) a[i][j] += static_cast<double>(d.X[r][j]);
      }
    }
    for (std::size_t k = 0; k < d.C.rows(); ++k)
      for (std::size_t i = 0; i < p; ++i)
        for (std::size_t j = 0; j < p; ++j) a[i][j] += static_cast<double>(d.C[k][i] * d.C[k][j]);
    ainv = a;
    invertSymmetric(ainv, p);
    double sse = yty;
    for (std::size_t i = 0; i < p; ++i)
      for (std::size_t j = 0; j < p; ++j) sse -= xty[i] * ainv[i][j] * xty[j];
    model.C = &d.C;
    model.Xty = &xty;
    model.yty = yty;
    model.sse = sse;
    model.rankX = 400;
    model.observations = static_cast<int>(n);
  }
};

void BM_EstimateParameter(benchmark::State& state) {
  const CrossedFit fit;
  HypothesisWork work(fit.d.C.rows(), fit.d.X.cols());
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(estimateParameter(fit.model, fit.ainv, 1 + k, work));
    k = (k + 1) % 40;
  }
}
BENCHMARK(BM_EstimateParameter)->Unit(benchmark::kMillisecond);

void BM_TestDifference(benchmark::State& state) {
  const CrossedFit fit;
  HypothesisWork work(fit.d.C.rows(), fit.d.X.cols());
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(testDifference(fit.model, fit.ainv, 41 + k, 42 + k, work));
    k = (k + 1) % 300;
  }
}
BENCHMARK(BM_TestDifference)->Unit(benchmark::kMillisecond);

void BM_TestFactor(benchmark::State& state) {
  const CrossedFit fit;
  for (auto _ : state) benchmark::DoNotOptimize(testFactor(fit.model, fit.a, 41, 400));
}
BENCHMARK(BM_TestFactor)->Unit(benchmark::kMillisecond);

}  // namespace
