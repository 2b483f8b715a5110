// Room for one text of the program's string table, on either side of the portable line.
#pragma once

#include <cstddef>

constexpr size_t kProgramTextSize = 256;
