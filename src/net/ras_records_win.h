// The Remote Access Service's records in their first published layouts, which every version of
// "RASAPI32.DLL" accepts: later layouts only add fields at the end, and an older library refuses a
// size it does not know.
#pragma once

#include <windows.h>

#include <cstddef>

typedef HANDLE RasConnectionHandle;

struct RasConnectionRecord {
  DWORD dwSize;
  RasConnectionHandle hrasconn;
  char szEntryName[257];
  char szDeviceType[17];
  char szDeviceName[129];
};

struct RasEntryNameRecord {
  DWORD dwSize;
  char szEntryName[257];
};

struct RasDialParamsRecord {
  DWORD dwSize;
  char szEntryName[257];
  char szPhoneNumber[129];
  char szCallbackNumber[129];
  char szUserName[257];
  char szPassword[257];
  char szDomain[16];
};

// 412 bytes on 32-bit Windows; the handle widens the connection record on 64-bit Windows.
static_assert(sizeof(RasConnectionRecord) == (sizeof(void*) == 4 ? 412 : 424), "RASCONN size");
static_assert(sizeof(RasEntryNameRecord) == 264, "RASENTRYNAME size");
static_assert(sizeof(RasDialParamsRecord) == 1052, "RASDIALPARAMS size");

typedef DWORD(WINAPI* RasEnumConnectionsFn)(RasConnectionRecord*, DWORD*, DWORD*);
typedef DWORD(WINAPI* RasEnumEntriesFn)(const char*, const char*, RasEntryNameRecord*, DWORD*,
                                        DWORD*);
typedef DWORD(WINAPI* RasGetEntryDialParamsFn)(const char*, RasDialParamsRecord*, BOOL*);
typedef DWORD(WINAPI* RasDialFn)(void*, const char*, RasDialParamsRecord*, DWORD, void*,
                                 RasConnectionHandle*);
typedef DWORD(WINAPI* RasHangUpFn)(RasConnectionHandle);
