// Where an output's bytes go. The writers know nothing else of an output: a
// block of bytes goes in, and a sink that cannot take it ends the run itself.
// A file is one kind of sink (fileSink.h); the interface stays this small so
// that a conversion into memory needs nothing but another kind.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

class OutputSink {
public:
    virtual ~OutputSink() = default;
    // Takes the whole block, or ends the run (it never returns having taken less).
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
};

// Text into a sink: the listing and the ID report are written a line at a time.
inline void writeText(OutputSink &sink, std::string_view text) {
    sink.write({reinterpret_cast<const std::uint8_t *>(text.data()), text.size()});
}
