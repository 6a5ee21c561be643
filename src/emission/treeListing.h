// The ".dbg" listing of the section and unit trees ("+debug").
#pragma once

struct Conversion;

void listSectionTrees(Conversion &conv);
void listUnitTrees(Conversion &conv);
