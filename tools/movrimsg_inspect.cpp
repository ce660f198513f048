// movrimsg-inspect: shows what an application receives from message documents.
#include "movrimsg.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

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
        rendered (longer than 4000 characters or not well-formed)
    2   bad usage, or a FILE that cannot be read
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

void print_table(const std::vector<Row> &rows) {
    std::array<std::size_t, 3> widths{};
    for (const Row &row : rows) {
        for (std::size_t column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    for (const Row &row : rows) {
        for (std::size_t column = 0; column < widths.size(); ++column)
            std::cout << row[column] << std::string(widths[column] - row[column].size() + 2, ' ');
        std::cout << row[3] << '\n';
    }
}

std::optional<std::string> read_all(std::istream &in) {
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return std::move(content).str();
}

std::optional<std::string> read_input(const std::string &file) {
    if (file == "-") {
        std::cin.clear();
        return read_all(std::cin);
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return read_all(in);
}

Status complain(const std::string &file, std::string_view what, Status status) {
    std::cerr << kProgram << ": " << file << ": " << what << '\n';
    return status;
}

Status show(const movrimsg::message &msg, const std::string &file, const Options &options) {
    if (!options.render) {
        print_table(table_of(msg));
        return kOk;
    }
    const std::optional<std::string> document = msg.render();
    if (!document) {
        return complain(file,
                        "the message cannot be rendered (over 4000 characters or not well-formed)",
                        kFailed);
    }
    std::cout << *document << '\n';
    return kOk;
}

Status inspect(const std::string &file, const Options &options) {
    const std::optional<std::string> content = read_input(file);
    if (!content) return complain(file, "cannot be read", kTrouble);
    if (content->find('\0') != std::string::npos)
        return complain(file, "holds a zero byte, which no document may hold", kFailed);
    std::cout.flush();
    const std::optional<movrimsg::message> msg = movrimsg::message::parse(*content);
    if (!msg) return complain(file, "is not a message document", kFailed);
    return show(*msg, file, options);
}

std::optional<Options> parse_arguments(int argc, char **argv) {
    Options options;
    bool files_only = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
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

}  // namespace

int main(int argc, char **argv) {
    const std::optional<Options> options = parse_arguments(argc, argv);
    if (!options) {
        std::cerr << "usage: " << kProgram << " [-r | --render] [FILE...]; see --help\n";
        return kTrouble;
    }
    if (options->help) {
        std::cout << kHelp;
        return kOk;
    }
    if (options->version) {
        std::cout << kProgram << ' ' << MOVRIMSG_VERSION_MAJOR << '.' << MOVRIMSG_VERSION_MINOR
                  << '.' << MOVRIMSG_VERSION_PATCH << '\n';
        return kOk;
    }
    Status worst = kOk;
    for (const std::string &file : options->files) {
        if (options->files.size() > 1) std::cout << "==> " << file << " <==\n";
        worst = std::max(worst, inspect(file, *options));
    }
    return worst;
}
