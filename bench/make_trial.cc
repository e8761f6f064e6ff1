// Writes a random Model III trial as CSV: make_trial MALES FEMALES REPS TRAITS [SEED] > trial.csv
// Every cross is present with REPS observations; the traits follow a random model with unit
// male, female, cross and error variances.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: make_trial MALES FEMALES REPS TRAITS [SEED]\n");
    return 2;
  }
  const int males = std::atoi(argv[1]), females = std::atoi(argv[2]), reps = std::atoi(argv[3]),
            traits = std::atoi(argv[4]);
  std::mt19937 rng(argc > 5 ? static_cast<unsigned>(std::atoi(argv[5])) : 1u);
  std::normal_distribution<double> normal;
  std::vector<std::vector<double>> male(traits, std::vector<double>(males)), female(traits, std::vector<double>(females));
  for (int t = 0; t < traits; ++t) {
    for (auto& v : male[t]) v = normal(rng);
    for (auto& v : female[t]) v = normal(rng);
  }
  std::printf("Male,Female");
  for (int t = 1; t <= traits; ++t) std::printf(",Trait%d", t);
  std::printf("\n");
  for (int i = 0; i < males; ++i)
    for (int j = 0; j < females; ++j) {
      std::vector<double> cross(traits);
      for (auto& v : cross) v = normal(rng);
      for (int r = 0; r < reps; ++r) {
        std::printf("%d,%d", i + 1, j + 1);
        for (int t = 0; t < traits; ++t)
          std::printf(",%.4f", 50.0 + 10 * t + male[t][i] + female[t][j] + cross[t] + normal(rng));
        std::printf("\n");
      }
    }
  return 0;
}
