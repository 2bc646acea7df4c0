// The schematic drawing of a design on standard output, as the console
// commands print it: one line per drawn line, box-drawing characters as
// UTF-8 or (ascii) the plain fallback characters.
#pragma once

#include "design/design_record.h"

void printSchematic(const tanvex::Design& design, bool ascii);
