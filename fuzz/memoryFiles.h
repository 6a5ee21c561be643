// The files of the fuzzing target: a file system held in memory, which the
// core reaches through its platform interface (memoryFiles.cpp implements it
// for the fuzzing build in place of the system's), so that a run touches no
// disk and the target reads the outputs where they were written.
#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace memoryFiles {

// Makes `name` a file holding `bytes`, replacing one of that name.
void store(const std::string &name, std::string_view bytes);

// The bytes of the file `name`; nullptr when there is none.
const std::string *find(const std::string &name);

// Every file's name, in name order.
std::vector<std::string> names();

// Takes every file out of the file system, with its bytes.
std::map<std::string, std::string> takeAll();

// Removes every file. Streams still open keep their bytes until closed.
void removeAll();

// The number of streams opened and not yet closed, which a run must leave at 0.
int openStreams();

// Raises `cancel` once more than `budget` bytes have been written since this
// call, so that a run asked for megabytes of output ends early, as an
// interrupt ends it.
void limitWrites(std::size_t budget, std::atomic<bool> *cancel);

}  // namespace memoryFiles
