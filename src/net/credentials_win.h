// The small modal dialogs that ask for credentials.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr size_t kCredentialSize = 200;  // 199 characters and the NUL

// "Enter Network Password" (dialog 154), modal, over owner: the realm (or nothing) and the
// current user name are shown; OK fills user and password (each kCredentialSize bytes). Escape
// leaves both as they were and returns false.
bool AskNetworkPassword(HWND owner, const char* realm, char* user, char* password);

// The account password prompt (dialog 180), modal. OK fills password (at most capacity-1
// characters) and returns true; Cancel leaves it empty and returns false.
bool AskAccountPassword(HWND owner, char* password, size_t capacity);
