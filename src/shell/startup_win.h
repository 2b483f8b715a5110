// Program entry and start-up: giving way to a running ticker, the window classes, the update
// hand-off, the frame and ticker windows, and the message loop.
#pragma once

#include <windows.h>

constexpr const char* kFrameClass = "SSBar";
constexpr const char* kTickerClass = "Ticker";
constexpr const char* kFrameTitle = "MyVexlo! Newsrail";

int RunTickerProgram(HINSTANCE instance, char* commandLine);
HWND FindRunningTicker();
bool RegisterWindowClasses(HINSTANCE instance);
bool StartInstance(HINSTANCE instance);
