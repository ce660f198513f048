// What movrimsg-inspect needs from the operating system: its arguments, the
// bytes of its inputs and a standard output whose failures are noticed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace inspect {

/// The tool itself, given its arguments (without the program name) as UTF-8;
/// its exit status.
int run(const std::vector<std::string> &arguments);

/// What reading an input gave: its bytes, or the errno value that says why
/// it could not be opened or read.
struct Input {
    std::string bytes;
    int error = 0;
};

/// Reads the whole of file, or of standard input for "-".
Input read_input(const std::string &file);

/// Writes bytes to standard output, as they are.
void write_output(std::string_view bytes);

/// Flushes standard output: 0, or the errno value of the first write that
/// failed, now or before.
int flush_output();

}  // namespace inspect
