// ID code and protect byte carried as text attributes in the module.
#pragma once

struct Conversion;

void readModuleIdSettings(Conversion &conv);
void applyModuleIdSettings(Conversion &conv);
