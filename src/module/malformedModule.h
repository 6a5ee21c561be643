// The one error of a module that is no module: "Illegal file format".
#pragma once

// The malformed-module error, naming the input.
[[noreturn]] void rejectModule(const char *inputName);
