// Dial-up connection management: when to bring up the user's dial-up connection before a fetch,
// which phonebook entry to dial, and when to take the connection down again. The Remote Access
// Service itself is behind DialupEnvironment; the Windows side loads it at run time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// Phonebook entry names hold up to 256 characters; the default entry's name in the registry up
// to 259.
constexpr size_t kDialEntryNameSize = 257;
constexpr size_t kDialProfileSize = 260;
// Entries and connections asked for in one call.
constexpr int32_t kDialListRoom = 10;

// The first entry whose name equals the profile without regard to (ASCII) case, or -1. An empty
// profile matches nothing.
int32_t FindDialEntry(const char (*names)[kDialEntryNameSize], int32_t count, const char* profile);

// What DialupSession asks of the system, in the order it asks.
class DialupEnvironment {
 public:
  virtual ~DialupEnvironment() = default;
  virtual bool HangupSettingOn() = 0;
  // Loads the service library; false when it is not there.
  virtual bool LoadServiceLibrary() = 0;
  // The functions that dialling needs; false when one is missing (the library stays loaded).
  virtual bool FindDialFunctions() = 0;
  // Active connections; any failure to tell counts as none.
  virtual int32_t CountConnections() = 0;
  // The default entry's name, empty when there is none.
  virtual void ReadProfile(char (&profile)[kDialProfileSize]) = 0;
  // Fills up to kDialListRoom NUL-terminated names; the number filled.
  virtual int32_t ListEntries(char (*names)[kDialEntryNameSize]) = 0;
  virtual void ShowDialingStatus(const char* profile) = 0;
  // Dials the entry with its stored user name and password; blocks until up or failed. True when
  // the connection is up; on failure the half-made connection has been hung up already.
  virtual bool Dial(const char* entryName) = 0;
  virtual bool FindHangUpFunctions() = 0;
  // Hangs up the connection that Dial made, and no other: the first of the user's connections
  // may be one the ticker never made (a VPN).
  virtual void HangUpDialled() = 0;
  virtual void UnloadServiceLibrary() = 0;
};

// The process's dial-up state. Runs on the refresh worker, one cycle at a time; the flags are
// atomics because successive cycles run on different threads.
class DialupSession {
 public:

  // Before every fetch: dials the default entry unless the setting is off, the library is already
  // loaded (dialled this cycle, or the user was found connected), or there is nothing to dial.
  // The dialling status goes to the strip on the first cycle only.
  void DialIfNeeded(DialupEnvironment& env, bool firstCycle);
  // At the end of a cycle: hangs up what this session dialled and unloads the library. After a
  // dial that failed, only unloads it, so that the next cycle dials again.
  void HangUpIfDialled(DialupEnvironment& env);

  bool LibraryLoaded() const { return loaded_.load() != 0; }
  // The ticker dialled the connection and hangs it up (`dialledByTicker`).
  bool DialledByProgram() const { return dialled_.load() != 0; }

 private:
  std::atomic<int32_t> dialled_{0};
  std::atomic<int32_t> loaded_{0};
  std::atomic<int32_t> dialFailed_{0};
};
