// Process-level helpers of the shell: message pumping, window search across desktops, the
// program's folder and the system family.
#pragma once

#include <windows.h>

// Dispatches queued messages for the given time without blocking between them.
void PumpMessages(DWORD milliseconds);

// For the given time, answers only messages that other threads send to this one (the worker's
// window update and tooltip text wait for that) and takes nothing from the queue: no input, timer
// or posted command runs, so no handler can start another shutdown or restart meanwhile.
void AnswerSentMessages(DWORD milliseconds);

// A top-level window of the class on any desktop of this window station, or null. Moves the
// calling thread to the desktop where the window was found.
HWND FindWindowOnAnyDesktop(const char* className);

// True on the Windows 95 family (GetVersion's high bit).
bool IsWin95Family();

// The program's full path (at most MAX_PATH) and its folder up to and including the last
// backslash.
void GetProgramPath(char* path, size_t capacity);
void GetProgramDirectory(char* directory, size_t capacity);

// Joins the program's folder and a file name into buffer (MAX_PATH bytes); false if it does not fit.
bool ProgramFilePath(const char* fileName, char* buffer, size_t capacity);

// Creates the file at `path` anew with exactly these bytes: written beside it, then renamed over
// it with the write going through to the disk, so that nobody ever finds it half written. False,
// with the old file as it was, when that cannot be done.
bool ReplaceFileWith(const char* path, const char* bytes, size_t count);

// Starts the program at `path` (a full path, given as the application name, so that no other
// program is tried for a path with spaces) with the command line "<path>" arguments. True when the
// process was created.
bool StartProgramAt(const char* path, const char* arguments);

// Case-insensitive class name test of a window (names read up to 100 characters).
bool WindowHasClass(HWND window, const char* className);

// Ends the process. Code that must not go on after a shutdown calls this; it does not return.
// exit() runs once: a call made while it runs ends the process at once.
[[noreturn]] void EndProcess(int exitCode);

// A key of the [Sponsor] section of "sponsor.ini" beside the program, cut to capacity; fallback
// when the key, the file or the program's folder cannot be had.
void ReadSponsorKey(const char* key, const char* fallback, char* out, size_t capacity);
