// The output files of a run, created together and published together. Each
// output is written under a temporary name beside its final one; commit
// closes every file (each close checked), has the bytes on the disk and then
// renames them into place. Destroyed without a commit, the transaction removes
// every file it created and, as opening it for writing would have done, an
// earlier file of a final name: after a failed run no image of that name exists.
// Two kinds of output behave otherwise: a device or a pipe is written in place
// and never deleted, and the ID report is created under its own name and kept.
#pragma once

#include <array>
#include <cstdio>
#include <string>

struct CancelFlags;

// Every output a run can have, in the order they are closed and renamed.
enum class OutputRole { image, code, romdata, listing, idReport };

class OutputTransaction {
public:
    OutputTransaction() = default;
    OutputTransaction(const OutputTransaction &) = delete;
    OutputTransaction &operator=(const OutputTransaction &) = delete;
    ~OutputTransaction();

    // Creates the output of `role` for writing (error 2 when it cannot be made).
    // Every output is written in binary mode, so that a text output ends its
    // lines with "\n" on every system and the bytes are the same everywhere.
    std::FILE *create(OutputRole role, const std::string &name);
    // Creates the ID report under its own name; it stays after a failed run.
    std::FILE *createKept(OutputRole role, const std::string &name);

    // The stream of `role`; nullptr when the run has no such output.
    std::FILE *stream(OutputRole role) const { return slot(role).stream; }

    // Closes every output, each close checked (error 3 with its name), then,
    // unless `cancel` is raised by now, renames each into place (error 2).
    void commit(const CancelFlags &cancel);
    // The error path: closes every output without looking at the result and
    // removes what the run created; the ID report stays.
    void rollback();

private:
    struct Output {
        std::string name;           // the name the user sees in messages
        std::FILE *stream = nullptr;
        bool created = false;
        bool kept = false;          // the ID report
        std::string temporaryName;  // empty: written in place (a device or a pipe, or kept)
        std::string target;         // the file renamed onto: name, or the file a link leads to
    };
    Output &slot(OutputRole role) { return outputs[static_cast<std::size_t>(role)]; }
    const Output &slot(OutputRole role) const { return outputs[static_cast<std::size_t>(role)]; }

    std::array<Output, 5> outputs;
    bool finished = false;
};
