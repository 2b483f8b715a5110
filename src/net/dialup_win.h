// Dial-up connection management: dial before a fetch when asked to, hang up after the cycle.
#pragma once

// What dialling needs from the rest of the program: whether this is the program's first refresh
// cycle, and a place to say that it dials.
class DialupHost {
 public:
  virtual bool FirstCycle() = 0;
  virtual void ShowDialingStatus(const char* caption, const char* message) = 0;

 protected:
  ~DialupHost() = default;
};

void DialIfNeeded(DialupHost& host);
void HangUpIfDialled();
