// Parses one document of a shape and size once, for callgrind to count the
// instructions of movri_msg_parse: linear_cost.cmake compares the counts per
// unit across sizes.
//   movrimsg_linear_cost_probe <shape> <units>
#include "linear_documents.h"

#include "movrimsg.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <shape> <units>\n", argv[0]);
        return 2;
    }
    const std::string document = linear::document(argv[1], std::strtoul(argv[2], nullptr, 10));
    if (document.empty()) {
        std::fprintf(stderr, "unknown shape %s\n", argv[1]);
        return 2;
    }
    movri_msg *msg = nullptr;
    const bool parsed = movri_msg_init(&msg) == 0 && movri_msg_parse(msg, document.c_str()) == 0;
    movri_msg_free(msg);
    return parsed ? 0 : 1;
}
