// The outputs of a run, whatever holds them: files published together (the
// output transaction), or blocks of memory for a program that converts in
// process.
#pragma once

#include <string>

#include "output/outputSink.h"

// Every output a run can have, in the order they are closed and renamed.
enum class OutputRole { image, code, romdata, listing, idReport };

class OutputSet {
public:
    OutputSet() = default;
    virtual ~OutputSet() = default;
    OutputSet(const OutputSet &) = delete;
    OutputSet &operator=(const OutputSet &) = delete;

    // Creates the output of `role` under `name` (error 2 when it cannot be made).
    virtual OutputSink &create(OutputRole role, const std::string &name) = 0;
    // Creates the ID report, which stays after a failed run.
    virtual OutputSink &createKept(OutputRole role, const std::string &name) = 0;
    // Where the bytes of `role` go; nullptr when the run has no such output.
    virtual OutputSink *stream(OutputRole role) const = 0;
    // Publishes every output once the run has written them all.
    virtual void commit() = 0;
    // The error path: removes what the run created but the ID report.
    virtual void rollback() = 0;
};
