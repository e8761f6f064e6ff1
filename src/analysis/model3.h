// Model III, yijk = u + Mi + Fj + MFij + eijk: its parameters, design and restriction rows.
#pragma once

#include "analysis/linear_design.h"
#include "analysis/random_model.h"
#include "data/trial_data.h"

struct Model3Design {
  LinearDesign linear;
  StrataDesign strata;
};

// Levels in ascending code order: u, one parameter per male, per female and per male x female cell
// that occurs; the restriction rows set the male, female and each male's and female's cell
// effects to sum to zero.
Model3Design buildModel3Design(const TrialData& trial);
