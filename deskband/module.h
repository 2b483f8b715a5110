// The library's own module handle and its count of what keeps it loaded (live band objects,
// references to the class factory and LockServer locks).
#pragma once

#include <windows.h>

HINSTANCE ModuleInstance();
void LockModule();
void UnlockModule();
