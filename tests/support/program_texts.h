// The program's texts as the tests see them: the rows the resource script's string table is made
// from, read natively.
#pragma once

#include <cstddef>

#include "res/resource.h"

struct ProgramTextRow {
  int id;
  const char* text;
};

inline constexpr ProgramTextRow kProgramTexts[] = {
#define PROGRAM_TEXT(id, text) {id, text},
#include "res/string_table.inc"
#undef PROGRAM_TEXT
};

// The text of entry `id`, or "" when the table has none.
inline const char* ProgramText(int id) {
  for (const ProgramTextRow& row : kProgramTexts) {
    if (row.id == id) return row.text;
  }
  return "";
}
