#include "output/memoryOutputs.h"

#include <utility>

OutputSink &MemoryOutputs::create(OutputRole role, const std::string &name) {
    std::unique_ptr<Block> &block = blocks_[static_cast<std::size_t>(role)];
    block = std::make_unique<Block>();
    block->name = name;
    return *block;
}

OutputSink *MemoryOutputs::stream(OutputRole role) const { return blocks_[static_cast<std::size_t>(role)].get(); }

void MemoryOutputs::commit() {
    // As with files: an interrupt while the outputs were finished still ends the run.
    checkInterrupt(cancel_);
    committed_ = true;
}

void MemoryOutputs::rollback() {
    for (std::unique_ptr<Block> &block : blocks_) block.reset();
}

std::vector<MemoryOutputs::Output> MemoryOutputs::take() {
    std::vector<Output> outputs;
    if (!committed_) return outputs;
    for (std::size_t role = 0; role < blocks_.size(); ++role) {
        if (!blocks_[role]) continue;
        outputs.push_back(Output{static_cast<OutputRole>(role), std::move(blocks_[role]->name),
                                 std::move(blocks_[role]->bytes)});
    }
    return outputs;
}
