// The output files of a run, created together and published together. Each
// output is written under a temporary name beside its final one; commit
// finishes every file (each write, sync and close checked), renames them into
// place and makes the renames durable. Destroyed without a commit, the
// transaction removes every file it created and, as opening it for writing
// would have done, an earlier file of a final name: after a failed run no image
// of that name exists. Two kinds of output behave otherwise: a device or a pipe
// is written in place and never deleted, and the ID report is created under its
// own name and kept.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "common/cancel.h"
#include "output/fileSink.h"
#include "output/outputSet.h"

class OutputTransaction final : public OutputSet {
public:
    // `cancel`: a write that fails once it is raised ends the run as an interrupt.
    explicit OutputTransaction(const CancelFlags &cancel) : cancel(cancel) {}
    ~OutputTransaction();

    // Creates the output of `role` (error 2 when it cannot be made, or when the
    // file of that name is one this user could not write).
    OutputSink &create(OutputRole role, const std::string &name) override;
    // Creates the ID report under its own name; it stays after a failed run.
    OutputSink &createKept(OutputRole role, const std::string &name) override;

    // Where the bytes of `role` go; nullptr when the run has no such output.
    OutputSink *stream(OutputRole role) const override { return slot(role).sink.get(); }

    // Finishes every output (error 3 with its name), then, unless the run was
    // cancelled by now, renames each into place (error 2) and syncs the
    // directories that received them (error 3).
    void commit() override;
    // The error path: closes every output without looking at the result and
    // removes what the run created; the ID report stays.
    void rollback() override;

private:
    struct Output {
        std::string name;                // the name the user sees in messages
        std::unique_ptr<FileSink> sink;  // until finished
        bool created = false;
        bool kept = false;               // the ID report
        std::string temporaryName;       // empty: written in place (a device or a pipe, or kept)
        std::string target;              // the file renamed onto: name, or the file a link leads to
    };
    Output &slot(OutputRole role) { return outputs[static_cast<std::size_t>(role)]; }
    const Output &slot(OutputRole role) const { return outputs[static_cast<std::size_t>(role)]; }
    OutputSink &openInPlace(Output &output);

    const CancelFlags cancel;
    std::array<Output, 5> outputs;
    bool finished = false;
};
