// The outputs of a run held in memory, for a program that converts in process:
// no file is touched. Published by commit; a failed run leaves none.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/cancel.h"
#include "output/outputSet.h"

class MemoryOutputs final : public OutputSet {
public:
    explicit MemoryOutputs(const CancelFlags &cancel) : cancel_(cancel) {}

    OutputSink &create(OutputRole role, const std::string &name) override;
    OutputSink &createKept(OutputRole role, const std::string &name) override { return create(role, name); }
    OutputSink *stream(OutputRole role) const override;
    void commit() override;
    void rollback() override;

    struct Output {
        OutputRole role;
        std::string name;
        std::vector<std::uint8_t> bytes;
    };
    // What commit published, in role order.
    std::vector<Output> take();

private:
    struct Block final : OutputSink {
        std::string name;
        std::vector<std::uint8_t> bytes;
        void write(std::span<const std::uint8_t> block) override { bytes.insert(bytes.end(), block.begin(), block.end()); }
    };
    const CancelFlags cancel_;
    std::array<std::unique_ptr<Block>, 5> blocks_;
    bool committed_ = false;
};
