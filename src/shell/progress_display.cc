#include "shell/progress_display.h"

std::vector<DrawnText> ProgressDisplay::nextFrame(int clientWidth, int clientHeight) {
  const int cx = clientWidth / 2;
  const int cy = clientHeight / 2;
  std::vector<DrawnText> frame;
  frame.push_back({"Please wait", cx - 150, cy - 20, true});
  for (int offset = kFirstCounter; offset < kLastCounter; offset += kCounterStep) {
    if (counter_ > offset) frame.push_back({".", cx + offset - 137, cy - 20, true});
  }
  counter_ += kCounterStep;
  if (counter_ > kLastCounter) counter_ = kFirstCounter;
  return frame;
}
