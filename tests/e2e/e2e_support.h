// Running Ticker.exe and the helper programs as a user would: in a program folder of their own,
// as separate processes, found again by their windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Paths given on the test's command line (--ticker=, --helpers=) as Windows paths.
std::string TickerExePath();
std::string HelperPath(const char* exeName);

// A new, empty program folder under C:\ (ends with a backslash).
std::string MakeProgramFolder(const char* name);

bool CopyInto(const std::string& from, const std::string& to);
bool FileExists(const std::string& path);
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Starts a program with arguments in its own folder; the process is ended by EndStartedPrograms.
PROCESS_INFORMATION StartProgram(const std::string& exe, const std::string& arguments = "");
void EndStartedPrograms();

DWORD ProcessOfWindow(HWND window);
// The running ticker's frame: the "SSBar" window titled "MyVexlo! Newsrail" with a Ticker child.
HWND FindTickerFrame();
// Every top-level window of the class.
std::vector<HWND> TopLevelWindows(const char* className);
// Waits for a process to end; its exit code, or STILL_ACTIVE when it did not end in time.
DWORD WaitForExit(const PROCESS_INFORMATION& process, DWORD timeoutMs);
