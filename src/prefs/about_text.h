// The About tab's version line, from the texts of the program's version resource.
#pragma once

#include <cstddef>

// The product name, then `between`, then the product version with every ',' turned into '.' and
// the spaces after the commas left out ("2, 0, 1, 0" reads "2.0.1.0"). Cut to fit capacity.
void FormatVersionLine(const char* name, const char* between, const char* version, char* out,
                       size_t capacity);
