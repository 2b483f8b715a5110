// Whether a module (the program, or the desk band library) belongs to a copy installed for the
// current user alone: its file lies inside the user's local application data. And where the
// program keeps the files it writes: beside itself, unless it was installed for all users, whose
// program folder only an administrator may change.
#pragma once

#include <windows.h>

#include <cstddef>

// module null: the program itself.
bool IsPerUserInstall(HMODULE module);

// True when the machine's Add/Remove Programs entry names the program's own folder: the setup
// installed it for every user. Such a copy does not replace itself; an administrator updates it.
bool IsAllUsersInstall();

// The path of the program's own file `name` (caches, the sponsor's picture, an update's manifest
// while it is checked): in the program's folder, or for a copy installed for all users in
// "%LOCALAPPDATA%\Newsrail", which is made when missing. False (buffer empty) when the path does
// not fit or the folder cannot be had.
bool DataFilePath(const char* name, char* buffer, size_t capacity);
