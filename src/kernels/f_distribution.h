// Upper tail probability of the F distribution with integer degrees of freedom.
#pragma once

// P(F(df1, df2) > f), computed exactly by the finite series chosen by the parity of the degrees
// of freedom. Results below 0 are returned as 0.
double fProbability(int df1, int df2, double f);
