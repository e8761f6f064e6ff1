#include "support/trial_builder.h"

#include "kernels/levels.h"

TrialData model3Trial(const std::vector<std::int32_t>& males, const std::vector<std::int32_t>& females,
                      const std::vector<std::vector<double>>& traits) {
  TrialData d;
  d.columnNames[0] = "Male";
  d.columnNames[1] = "Female";
  for (std::size_t t = 0; t < traits.size(); ++t) d.columnNames[2 + t] = "Trait" + std::to_string(t + 1);
  for (std::size_t t = traits.size() + 2; t < d.columnNames.size(); ++t) d.columnNames[t].clear();
  d.modelKind = ModelKind::ModelIII;
  d.factorCodes = {males, females};
  d.traitValues = traits;
  d.observationCount = static_cast<std::int32_t>(males.size());
  d.traitCount = static_cast<std::int32_t>(traits.size());
  d.usedRows = d.observationCount + 1;
  d.usedColumns = 2 + d.traitCount;
  for (int k = 0; k < 2; ++k) {
    d.factorLevels.push_back(distinctLevels(d.factorCodes[k]));
    d.factorLevelCounts[k] = static_cast<std::int32_t>(d.factorLevels[k].size());
  }
  return d;
}

TrialData randomModel3Trial(int males, int females, const std::vector<int>& repsPerCell, int traits,
                            const EffectSizes& sizes, std::mt19937& rng) {
  std::normal_distribution<double> normal(0.0, 1.0);
  std::vector<std::int32_t> m, f;
  std::vector<std::vector<double>> y(traits);
  std::vector<std::vector<double>> maleEffect(traits), femaleEffect(traits);
  for (int t = 0; t < traits; ++t) {
    for (int i = 0; i < males; ++i) maleEffect[t].push_back(sizes.male * normal(rng));
    for (int j = 0; j < females; ++j) femaleEffect[t].push_back(sizes.female * normal(rng));
  }
  for (int i = 0; i < males; ++i) {
    for (int j = 0; j < females; ++j) {
      const int reps = repsPerCell[static_cast<std::size_t>(i * females + j) % repsPerCell.size()];
      std::vector<double> crossEffect;
      for (int t = 0; t < traits; ++t) crossEffect.push_back(sizes.cross * normal(rng));
      for (int r = 0; r < reps; ++r) {
        m.push_back(i + 1);
        f.push_back(j + 1);
        for (int t = 0; t < traits; ++t)
          y[t].push_back(10.0 * (t + 1) + maleEffect[t][i] + femaleEffect[t][j] + crossEffect[t] +
                         sizes.error * normal(rng));
      }
    }
  }
  return model3Trial(m, f, y);
}

TrialData balancedModel3Trial(int males, int females, int reps, int traits, std::uint32_t seed) {
  std::mt19937 rng(seed);
  return randomModel3Trial(males, females, {reps}, traits, EffectSizes{}, rng);
}
