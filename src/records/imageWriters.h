// The writer of each output form, chosen by the run's settings.
#pragma once

#include <memory>

#include "records/imageWriter.h"
#include "output/outputSink.h"

struct Conversion;

// The writer of the run's output form for `sink`, which nothing has been
// written to yet; `mayHoldProtect` is false for the CODE file of a dual-area run.
// The one place where the form is chosen.
std::unique_ptr<ImageWriter> makeImageWriter(Conversion &conv, OutputSink *sink, bool mayHoldProtect);
