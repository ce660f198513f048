// The tool's entry point and its input and output. On Windows the arguments
// arrive as UTF-16 (wmain) and files are opened by their UTF-16 names, so
// names in any script work, and standard input and output are switched to
// binary mode, so that the bytes read and written are those of the files, as
// elsewhere (text mode would end input at a 0x1A byte and turn line feeds
// into CR LF).
#include "inspect_system.h"

#include <array>
#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace inspect {
namespace {

int first_output_error = 0;

void note_output_error() {
    if (first_output_error == 0) first_output_error = errno != 0 ? errno : EIO;
}

#ifdef _WIN32
std::string utf8_of(const wchar_t *wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();  // the terminator
    return utf8;
}

std::wstring wide_of(const std::string &utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    if (size <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), size);
    wide.pop_back();
    return wide;
}

std::FILE *open_for_reading(const std::string &file) {
    return _wfopen(wide_of(file).c_str(), L"rb");
}
#else
std::FILE *open_for_reading(const std::string &file) { return std::fopen(file.c_str(), "rb"); }
#endif

Input read_all(std::FILE *stream) {
    Input input;
    std::array<char, 16384> block{};
    std::size_t got = 0;
    errno = 0;
    while ((got = std::fread(block.data(), 1, block.size(), stream)) > 0)
        input.bytes.append(block.data(), got);
    if (std::ferror(stream) != 0) input.error = errno != 0 ? errno : EIO;
    return input;
}

}  // namespace

Input read_input(const std::string &file) {
    if (file == "-") {
        std::clearerr(stdin);
        return read_all(stdin);
    }
    errno = 0;
    std::FILE *stream = open_for_reading(file);
    if (stream == nullptr) return {{}, errno != 0 ? errno : ENOENT};
    Input input = read_all(stream);
    std::fclose(stream);
    return input;
}

void write_output(std::string_view bytes) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) note_output_error();
}

int flush_output() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) note_output_error();
    return first_output_error;
}

}  // namespace inspect

#ifdef _WIN32
int wmain(int argc, wchar_t **argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(inspect::utf8_of(argv[i]));
    return inspect::run(arguments);
}
#else
int main(int argc, char **argv) {
    return inspect::run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
