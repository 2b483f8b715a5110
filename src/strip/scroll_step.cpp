// The speed table of the scroll tick.
#include "strip/scroll_step.h"

ScrollStep ComputeScrollStep(int32_t tickerSpeed, int32_t smoothScrolling) {
  int32_t speed = tickerSpeed;
  if (speed < 1) speed = 1;
  if (speed > 8) speed = 8;
  if (smoothScrolling != 0) return ScrollStep{speed, 1};
  switch (speed) {
    case 1: return ScrollStep{1, 1};
    case 2:
    case 3: return ScrollStep{1, 2};
    case 4: return ScrollStep{2, 2};
    case 5:
    case 6: return ScrollStep{2, 3};
    default: return ScrollStep{2, 4};
  }
}
