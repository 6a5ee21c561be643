// The ".dbg" listing of the section and unit trees ("+debug").
#pragma once

void listSectionTrees();
void listUnitTrees();
