// The program's own resources: the module that carries them, and the texts of its string table.
#pragma once

#include <windows.h>

#include <cstddef>

#include "res/program_text.h"

// The program's module, which holds the dialogs, menus, texts, pictures, cursors and sounds.
HINSTANCE ProgramInstance();

// The text of string-table entry `id` (res/string_table.inc), NUL-terminated and cut to
// capacity; the empty text when the entry is missing.
void LoadProgramText(int id, char* out, size_t capacity);
