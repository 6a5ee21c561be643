// The writer of each output form, chosen by the run's settings.
#pragma once

#include <memory>

#include "output/outputSink.h"
#include "records/imageWriter.h"

// The writer of the run's output form for `sink`, which nothing has been
// written to yet; `mayHoldProtect` is false for the CODE file of a dual-area run.
// The one place where the form is chosen.
std::unique_ptr<ImageWriter> makeImageWriter(const ImagePlan &plan, const WriterContext &context, OutputSink &sink,
                                             bool mayHoldProtect);
