// The opening of the input and output files.
#pragma once

#include <optional>
#include <string>

#include "platform/fileSystem.h"

struct NamesPlan;
struct Run;
struct RunSettings;

// Opens the input module (error 1 when it cannot be opened or is a directory)
// for its bytes to be read as the run reaches them, and notes which file it is.
void openInput(Run &run, const std::string &inputName);
// Names and creates the output files of the image and the listing, once the
// header decided whether there are two areas. Every name is checked before the
// first file is created: none may be the input module itself, under its own
// name or through a link (error 2), so that the user's module is never truncated.
void openOutputs(Run &run, const RunSettings &settings, const NamesPlan &names, bool dualArea);
// Creates the ID report beside the image; it stays whatever happens to the run.
void createIdReport(Run &run, const RunSettings &settings, const NamesPlan &names);
