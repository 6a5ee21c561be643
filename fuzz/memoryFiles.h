// The files of the fuzzing target: a file system held in memory, which the
// core reaches through its platform interface (memoryFiles.cpp implements it
// for the fuzzing build in place of the system's), so that a run touches no
// disk and the target reads the outputs where they were written.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace memoryFiles {

// Makes `name` a file holding `bytes`, replacing one of that name.
void store(std::string_view name, std::string_view bytes);

// A file as it was when taken out of the file system.
struct FileCopy {
    std::string name;
    std::string bytes;
};

// Takes every file but `kept` out of the file system, each with a copy of its
// bytes, in no particular order.
std::vector<FileCopy> takeAllBut(std::string_view kept);

// Removes every file. Streams still open keep their bytes until closed.
void removeAll();

// The number of streams opened and not yet closed, which a run must leave at 0.
int openStreams();

// Raises `cancel` once more than `budget` bytes have been written since this
// call, so that a run asked for megabytes of output ends early, as an
// interrupt ends it.
void limitWrites(std::size_t budget, std::atomic<bool> *cancel);

}  // namespace memoryFiles
