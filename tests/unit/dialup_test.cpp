// Dial-up decisions: what each fetch and each end of a cycle asks of the Remote Access Service,
// traced call by call over a scripted service.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "net/dialup.h"

namespace {

struct Service {
  bool hangup = true;
  bool loads = true;
  bool dialFunctions = true;
  bool hangUpFunctions = true;
  int32_t connections = 0;
  const char* profile = "";
  std::vector<std::string> entries;
  bool dialFails = false;
};

class ScriptedEnvironment : public DialupEnvironment {
 public:
  explicit ScriptedEnvironment(const Service& s) : s_(s) {}
  std::string trace;

  bool HangupSettingOn() override { return s_.hangup; }
  bool LoadServiceLibrary() override {
    Note("load");
    return s_.loads;
  }
  bool FindDialFunctions() override { return s_.dialFunctions; }
  int32_t CountConnections() override {
    Note("connections");
    return s_.connections;
  }
  void ReadProfile(char (&profile)[kDialProfileSize]) override {
    std::strncpy(profile, s_.profile, kDialProfileSize);
  }
  int32_t ListEntries(char (*names)[kDialEntryNameSize]) override {
    Note("entries");
    int32_t n = 0;
    for (const std::string& e : s_.entries) {
      if (n == kDialListRoom) break;
      std::strncpy(names[n++], e.c_str(), kDialEntryNameSize - 1);
    }
    return static_cast<int32_t>(s_.entries.size());  // as a service that has more than room
  }
  void ShowDialingStatus(const char* profile) override { Note(std::string("status ") + profile); }
  bool Dial(const char* entry) override {
    Note(std::string("dial ") + entry + (s_.dialFails ? " (failed)" : ""));
    if (s_.dialFails) return false;
    ++s_.connections;
    return true;
  }
  bool FindHangUpFunctions() override { return s_.hangUpFunctions; }
  void HangUpDialled() override {
    Note("hangup");
    --s_.connections;
  }
  void UnloadServiceLibrary() override { Note("unload"); }

 private:
  void Note(const std::string& call) { trace += (trace.empty() ? "" : ", ") + call; }
  Service s_;
};

struct Row {
  const char* name;
  Service service;
  // Each character one call: 'F' fetch on the first cycle, 'f' fetch on a later one, 'e' end of
  // a cycle.
  const char* calls;
  const char* trace;
  int32_t dialledAfter;
};

TEST(Dialup, EachFetchAndCycleEndAsksTheServiceOnlyWhatItMust) {
  const std::vector<std::string> isp = {"Work", "My ISP"};
  const Row rows[] = {
      {"the setting off loads nothing", {false, true, true, true, 0, "My ISP", isp}, "FFe", "", 0},
      {"no library: asked again at the next fetch",
       {true, false, true, true, 0, "My ISP", isp}, "FF", "load, load", 0},
      {"a function missing: loaded once, never asked again",
       {true, true, false, true, 0, "My ISP", isp}, "FFe", "load", 0},
      {"already connected: no dial, no hang-up for the rest of the process",
       {true, true, true, true, 1, "My ISP", isp}, "FfeFfe", "load, connections", 0},
      {"no entries", {true, true, true, true, 0, "My ISP", {}}, "Ff", "load, connections, entries", 0},
      {"no entry matches the profile: none is dialled",
       {true, true, true, true, 0, "Office", isp}, "Ffe", "load, connections, entries", 0},
      {"an empty profile matches nothing",
       {true, true, true, true, 0, "", {"", "Work"}}, "F", "load, connections, entries", 0},
      {"the first cycle shows the status, dials once and hangs up at its end",
       {true, true, true, true, 0, "my isp", isp}, "FFe",
       "load, connections, entries, status my isp, dial My ISP, hangup, unload", 0},
      {"a later cycle dials without the status",
       {true, true, true, true, 0, "MY ISP", isp}, "ffe",
       "load, connections, entries, dial My ISP, hangup, unload", 0},
      {"after the hang-up the next cycle dials afresh",
       {true, true, true, true, 0, "Work", isp}, "Fefe",
       "load, connections, entries, status Work, dial Work, hangup, unload, "
       "load, connections, entries, dial Work, hangup, unload", 0},
      {"no hang-up functions: stays dialled and loaded",
       {true, true, true, false, 0, "Work", isp}, "Fefe",
       "load, connections, entries, status Work, dial Work", 1},
      {"a failed dial: not tried again in the cycle, nothing hung up, the next cycle dials",
       {true, true, true, true, 0, "Work", isp, true}, "FFefe",
       "load, connections, entries, status Work, dial Work (failed), unload, "
       "load, connections, entries, dial Work (failed), unload", 0},
      {"the end of a cycle that dialled nothing does nothing",
       {true, true, true, true, 0, "Home", isp}, "e", "", 0},
      {"more entries than room: only the first ten are looked at",
       {true, true, true, true, 0, "e10",
        {"e0", "e1", "e2", "e3", "e4", "e5", "e6", "e7", "e8", "e9", "e10"}},
       "f", "load, connections, entries", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DialupSession session;
    ScriptedEnvironment env(row.service);
    for (const char* c = row.calls; *c != '\0'; ++c) {
      if (*c == 'e') {
        session.HangUpIfDialled(env);
      } else {
        session.DialIfNeeded(env, *c == 'F');
      }
    }
    EXPECT_EQ(env.trace, row.trace);
    EXPECT_EQ(session.DialledByProgram() ? 1 : 0, row.dialledAfter);
  }
}

TEST(Dialup, EntryNamesMatchWithoutRegardToCaseAndNeverPastTheirRecord) {
  char names[4][kDialEntryNameSize] = {"Work", "my isp", "MY ISP", ""};
  std::memset(names[3], 'A', kDialEntryNameSize);  // no terminator in the record
  const std::string unterminated(kDialEntryNameSize, 'A');
  const struct {
    const char* profile;
    int32_t count;
    int32_t expected;
  } rows[] = {
      {"MY ISP", 4, 1},  // the first of two equal names
      {"work", 4, 0},
      {"Work ", 4, -1},
      {"Wor", 4, -1},
      {"my isp", 1, -1},  // beyond the count
      {"", 4, -1},
      {nullptr, 4, -1},
      {unterminated.c_str(), 4, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.profile == nullptr ? "(null)" : row.profile);
    EXPECT_EQ(FindDialEntry(names, row.count, row.profile), row.expected);
  }
}

}  // namespace
