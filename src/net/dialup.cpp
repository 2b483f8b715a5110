// Dial-up connection management.
#include "net/dialup.h"

#include <cstring>

namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (FoldCase(*a) != FoldCase(*b)) return false;
  }
  return *a == *b;
}

}  // namespace

int32_t FindDialEntry(const char (*names)[kDialEntryNameSize], int32_t count, const char* profile) {
  if (profile == nullptr || profile[0] == '\0') return -1;
  for (int32_t i = 0; i < count; ++i) {
    // A name that fills its record without a terminator is not trusted to match.
    if (std::memchr(names[i], '\0', kDialEntryNameSize) == nullptr) continue;
    if (SameName(names[i], profile)) return i;
  }
  return -1;
}

void DialupSession::DialIfNeeded(DialupEnvironment& env, bool firstCycle) {
  if (!env.HangupSettingOn() || loaded_.load() != 0) return;
  if (!env.LoadServiceLibrary()) return;
  loaded_ = 1;
  if (!env.FindDialFunctions()) return;
  // Already connected: the connection is the user's, so it is neither dialled nor hung up, and
  // the library stays loaded so that no later fetch asks again.
  if (env.CountConnections() > 0) return;

  char profile[kDialProfileSize] = "";
  env.ReadProfile(profile);
  profile[kDialProfileSize - 1] = '\0';
  char names[kDialListRoom][kDialEntryNameSize] = {};
  int32_t count = env.ListEntries(names);
  if (count <= 0) return;
  if (count > kDialListRoom) count = kDialListRoom;
  // No entry of that name: dialling some other entry could run up a call the user never chose.
  const int32_t entry = FindDialEntry(names, count, profile);
  if (entry < 0) return;

  if (firstCycle) env.ShowDialingStatus(profile);
  // A failed dial is not tried again within the cycle (the library stays loaded): the fetches
  // that follow fail in their usual ways.
  if (env.Dial(names[entry])) {
    dialled_ = 1;
  } else {
    dialFailed_ = 1;
  }
}

void DialupSession::HangUpIfDialled(DialupEnvironment& env) {
  if (dialled_.load() != 0) {
    if (!env.FindHangUpFunctions()) return;
    env.HangUpDialled();
    dialled_ = 0;
  } else if (dialFailed_.load() == 0) {
    return;
  }
  dialFailed_ = 0;
  env.UnloadServiceLibrary();
  loaded_ = 0;
}
