// The values through which an analysis worker hands its finished report to the shell.
#pragma once

#include <atomic>
#include <cstdint>

// What the view draws.
inline constexpr std::int32_t kDisplayNothing = 0;
inline constexpr std::int32_t kDisplayPreview = 3;
inline constexpr std::int32_t kDisplayProgress = 100;
inline constexpr std::int32_t kDisplayReport = 300;

inline constexpr std::int32_t kNoCompletionAtStart = 1000000000;
inline constexpr std::int32_t kNoCompletion = 10000000;

// Each value is one 32-bit word with one writer at a time. The worker stores the report measures,
// then displayMode, then completionTick, with release order; the timer loads completionTick with
// acquire order before it reads the others.
struct HandOff {
  std::atomic<std::int32_t> displayMode{kDisplayNothing};
  std::atomic<std::int32_t> timerTicks{0};
  std::atomic<std::int32_t> completionTick{kNoCompletionAtStart};
  std::atomic<std::int32_t> reportLineCount{0};
  std::atomic<std::int32_t> reportMaxLineLength{0};
};
