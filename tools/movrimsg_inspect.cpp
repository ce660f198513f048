// movrimsg-inspect: shows what an application receives from message documents.
#include "inspect_system.h"
#include "movrimsg.hpp"
#include "render_length.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inspect {
namespace {

constexpr std::string_view kProgram = "movrimsg-inspect";

constexpr std::string_view kHelp = R"(NAME
    movrimsg-inspect - show the message a movrimsg document carries

SYNOPSIS
    movrimsg-inspect [-r | --render] [FILE...]
    movrimsg-inspect -h | --help | --version

DESCRIPTION
    Reads each FILE (standard input when there is none, or for "-"), parses
    it with the movrimsg library and prints what the receiving application
    sees: every element of the message in position order, header first, as a
    table of position, tag, name and value.

    Texts are shown in double quotes; an absent text is shown as a bare "-".
    Bytes outside printable ASCII, '"' and '\' are escaped as \xNN, so a
    Latin-1 e-acute shows as \xE9. With more than one FILE, each table is
    preceded by a line "==> FILE <==".

OPTIONS
    -r, --render   print the message re-rendered as its document instead of
                   the table (what movri_msg_to_str gives for it)
    -h, --help     print this help and exit
    --version      print the library version and exit
    --             end of options; later arguments are files

EXIT STATUS
    0   every document parsed (and, with --render, rendered)
    1   a document failed to parse; the library's diagnostic line
        "<reason> at line <n>" is on standard error. Also for a document
        holding a zero byte, and with --render for a message that cannot be
        rendered: its document would be longer than 4000 characters (the
        message says by how much) or not well-formed
    2   bad usage, a FILE that cannot be opened or read (the message gives
        the system's reason), or standard output that cannot be written
)";

struct Options {
    bool render = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> files;
};

enum Status { kOk = 0, kFailed = 1, kTrouble = 2 };

bool is_shown_verbatim(unsigned char byte) {
    return byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\';
}

std::string shown(movrimsg::text text) {
    if (!text) return "-";
    std::string out = "\"";
    for (const char c : *text) {
        const auto byte = static_cast<unsigned char>(c);
        if (is_shown_verbatim(byte)) {
            out += c;
            continue;
        }
        std::array<char, 5> escaped{};
        std::snprintf(escaped.data(), escaped.size(), "\\x%02X", byte);
        out += escaped.data();
    }
    return out + "\"";
}

using Row = std::array<std::string, 4>;

std::vector<Row> table_of(const movrimsg::message &msg) {
    std::vector<Row> rows = {{"pos", "tag", "name", "value"}};
    for (const movrimsg::element_view element : msg.elements()) {
        rows.push_back({std::to_string(element.position()), shown(element.tag()),
                        shown(element.name()), shown(element.value())});
    }
    return rows;
}

std::string table_text(const std::vector<Row> &rows) {
    std::array<std::size_t, 3> widths{};
    for (const Row &row : rows) {
        for (std::size_t column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    std::string text;
    for (const Row &row : rows) {
        for (std::size_t column = 0; column < widths.size(); ++column)
            text += row[column] + std::string(widths[column] - row[column].size() + 2, ' ');
        text += row[3] + '\n';
    }
    return text;
}

Status complain(const std::string &file, std::string_view what, Status status) {
    std::cerr << kProgram << ": " << file << ": " << what << '\n';
    return status;
}

std::string why_not_rendered(const movrimsg::message &msg) {
    const std::optional<std::size_t> length = rendered_length(msg);
    if (!length || *length <= MOVRI_TEXT_LIMIT)
        return "the message cannot be rendered: its document would not be well-formed";
    return "the message cannot be rendered: its document would be " + std::to_string(*length) +
           " characters, " + std::to_string(*length - MOVRI_TEXT_LIMIT) + " over the limit of " +
           std::to_string(MOVRI_TEXT_LIMIT);
}

Status show(const movrimsg::message &msg, const std::string &file, const Options &options) {
    if (!options.render) {
        write_output(table_text(table_of(msg)));
        return kOk;
    }
    const std::optional<std::string> document = msg.render();
    if (!document) return complain(file, why_not_rendered(msg), kFailed);
    write_output(*document + '\n');
    return kOk;
}

Status inspect(const std::string &file, const Options &options) {
    const Input input = read_input(file);
    if (input.error != 0)
        return complain(file, std::string("cannot be read: ") + std::strerror(input.error),
                        kTrouble);
    if (input.bytes.find('\0') != std::string::npos)
        return complain(file, "holds a zero byte, which no document may hold", kFailed);
    flush_output();  // what came before shows before the library's diagnostic line
    const auto msg = movrimsg::message::parse(input.bytes);
    if (!msg) return complain(file, "is not a message document", kFailed);
    return show(*msg, file, options);
}

std::optional<Options> parse_arguments(const std::vector<std::string> &arguments) {
    Options options;
    bool files_only = false;
    for (const std::string &argument : arguments) {
        const std::string_view arg = argument;
        if (files_only || arg == "-" || arg.empty() || arg.front() != '-') {
            options.files.emplace_back(arg);
        } else if (arg == "--") {
            files_only = true;
        } else if (arg == "-r" || arg == "--render") {
            options.render = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else {
            std::cerr << kProgram << ": unknown option '" << arg << "'\n";
            return std::nullopt;
        }
    }
    if (options.files.empty()) options.files.emplace_back("-");
    return options;
}

Status inspect_all(const Options &options) {
    if (options.help) {
        write_output(kHelp);
        return kOk;
    }
    if (options.version) {
        write_output(std::string(kProgram) + ' ' + std::to_string(MOVRIMSG_VERSION_MAJOR) + '.' +
                     std::to_string(MOVRIMSG_VERSION_MINOR) + '.' +
                     std::to_string(MOVRIMSG_VERSION_PATCH) + '\n');
        return kOk;
    }
    Status worst = kOk;
    for (const std::string &file : options.files) {
        if (options.files.size() > 1) write_output("==> " + file + " <==\n");
        worst = std::max(worst, inspect(file, options));
    }
    return worst;
}

}  // namespace

int run(const std::vector<std::string> &arguments) {
    const std::optional<Options> options = parse_arguments(arguments);
    if (!options) {
        std::cerr << "usage: " << kProgram << " [-r | --render] [FILE...]; see --help\n";
        return kTrouble;
    }
    const Status status = inspect_all(*options);
    if (const int error = flush_output(); error != 0) {
        std::cerr << kProgram << ": standard output: " << std::strerror(error) << '\n';
        return kTrouble;
    }
    return status;
}

}  // namespace inspect
