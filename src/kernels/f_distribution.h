// Upper tail probability of the F distribution with integer degrees of freedom.
#pragma once

// P(F(df1, df2) > f), computed exactly by the finite series chosen by the parity of the degrees
// of freedom. Results below 0 are returned as 0. F <= 0 gives 1 (a negative F only comes from
// rounding in a difference of two nearly equal sums of squares). Degrees of freedom below 1 or a
// NaN F give NaN: the probability is undefined there.
double fProbability(int df1, int df2, double f);
