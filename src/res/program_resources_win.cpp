// The program's module and its string table.
#include "res/program_resources_win.h"

HINSTANCE ProgramInstance() { return GetModuleHandleA(nullptr); }

void LoadProgramText(int id, char* out, size_t capacity) {
  if (capacity == 0) return;
  out[0] = '\0';
  if (LoadStringA(ProgramInstance(), static_cast<UINT>(id), out, static_cast<int>(capacity)) <= 0) {
    out[0] = '\0';
  }
}
