// The ".dbg" listing of "+debug": the module's sections with their units, then
// the units in the order the image is written in.
#pragma once

#include "module/moduleLayout.h"

class Console;
class OutputSink;

// The sections of each kind, each with its own units; `console` gets the notice
// that the listing is made.
void listLayoutSections(OutputSink &listing, Console &console, const ModuleLayout &layout, bool dualArea);
// Every unit of each kind in address order.
void listLayoutUnits(OutputSink &listing, const ModuleLayout &layout, bool dualArea);
