// What the converter needs of the operating system's file system, in one small
// interface with one implementation per system. Names are passed as the user
// typed them; only the implementation knows which characters separate
// directories there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace platform {

// How many leading characters of `name` name a drive ("C:" on Windows): a name
// with a drive but no separator is not in the working directory. Always 0 on
// systems without drives.
std::size_t drivePrefixLength(const std::string &name);

// The length of the directory part of `name`: up to its last "\" or "/" (users
// type either, on every system), or its drive ("C:app" lies in drive C's
// working directory).
std::size_t directoryLength(const std::string &name);

// Opens the file `name` as std::fopen would; `name` is UTF-8 on every system.
std::FILE *openFile(const std::string &name, const char *mode);

// Whether `name` exists and is neither a regular file nor a directory: a device
// or a pipe, which an output is written into in place.
bool isDeviceOrPipe(const std::string &name);

// The file that writing to `name` reaches: a symbolic link is followed to its
// target, also one that does not exist yet; nothing for links that cannot be
// read or that go round in a circle.
std::optional<std::string> followLinks(const std::string &name);

// Gives the file `from` the name `to`, replacing a file of that name at once.
bool replaceFile(const std::string &from, const std::string &to);

// Deletes the file `name`; a directory of that name is never deleted. True
// when the file is gone (also when there was none).
bool removeFile(const std::string &name);

// Which file an open stream is, so that no output ever replaces it.
struct FileIdentity {
    std::uint64_t device;
    std::uint64_t file;
};
// Nothing for a directory, which opens like a file but reads nothing, and for a
// stream the system cannot tell about.
std::optional<FileIdentity> identify(std::FILE *stream);

// Whether the file `name` is the file `identity` (through a link or another
// name included).
bool isSameFile(const FileIdentity &identity, const std::string &name);

}  // namespace platform
