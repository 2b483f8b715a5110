// Stands in for a browser started by its command line: appends the command line it was given to
// "launches.txt" in its own folder, and the arguments the runtime split it into to
// "arguments.txt" (one launch a line: the count after the program's own, then each argument,
// separated by tabs).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Append(const char* folderPath, DWORD folderLength, const char* name, const char* line) {
  char path[MAX_PATH + 20];
  lstrcpynA(path, folderPath, folderLength + 1);
  lstrcatA(path, name);
  if (std::FILE* f = std::fopen(path, "ab")) {
    std::fprintf(f, "%s\n", line);
    std::fclose(f);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char folder[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, folder, MAX_PATH);
  while (n > 0 && folder[n - 1] != '\\') --n;
  Append(folder, n, "launches.txt", GetCommandLineA());

  char arguments[8192];
  std::snprintf(arguments, sizeof arguments, "%d", __argc - 1);
  for (int i = 1; i < __argc; ++i) {
    lstrcatA(arguments, "\t");
    if (lstrlenA(arguments) + lstrlenA(__argv[i]) + 2 > static_cast<int>(sizeof arguments)) break;
    lstrcatA(arguments, __argv[i]);
  }
  Append(folder, n, "arguments.txt", arguments);
  return 0;
}
