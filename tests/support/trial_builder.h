// Builds trial data sets directly, without a sheet, for tests of the analyses.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "data/trial_data.h"

// A Model III data set from parallel columns; traits[t][i] is trait t of observation i.
TrialData model3Trial(const std::vector<std::int32_t>& males, const std::vector<std::int32_t>& females,
                      const std::vector<std::vector<double>>& traits);

// Every cross of m males and f females with `reps` observations, traits drawn from a random
// model with the given standard deviations of male, female, cross and error effects.
struct EffectSizes {
  double male = 1, female = 1, cross = 1, error = 1;
};
TrialData randomModel3Trial(int males, int females, const std::vector<int>& repsPerCell, int traits,
                            const EffectSizes& sizes, std::mt19937& rng);
TrialData balancedModel3Trial(int males, int females, int reps, int traits, std::uint32_t seed);
