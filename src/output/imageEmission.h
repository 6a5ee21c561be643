// Writes the memory image in ascending address order from the unit trees.
#pragma once

#include <cstdint>

void emitImage();
