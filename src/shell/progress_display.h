// The animated "Please wait" shown while an analysis runs: one more dot on every repaint.
#pragma once

#include <string>
#include <vector>

struct DrawnText {
  std::string text;
  int x = 0;
  int y = 0;
  bool magenta = false;  // the progress display's colour; everything else is black
};

class ProgressDisplay {
 public:
  static constexpr int kFirstCounter = 100;
  static constexpr int kCounterStep = 7;
  static constexpr int kLastCounter = 142;

  // The texts of one repaint for a client area of the given size; advances the dot cycle.
  std::vector<DrawnText> nextFrame(int clientWidth, int clientHeight);
  int counter() const { return counter_; }

 private:
  // Never reset after creation, so a second analysis continues the cycle of the first.
  int counter_ = kFirstCounter;
};
