// Parses arbitrary bytes into a message, empty or already filled; whenever the
// result renders, its document must parse back into the same elements.
#include "fuzz_support.h"

#include <string>

namespace {

constexpr const char *kEncodings[] = {"ISO-8859-1", "US-ASCII", "UTF-8", "utf-8"};

void fill(movri_msg *msg) {
    fuzz::require(movri_msg_set_id(msg, "7") == 0, "the first header goes to the front");
    fuzz::require(movri_msg_set_msgname(msg, "status") == 1, "msgname follows id");
    fuzz::require(movri_msg_append_element(msg, "ele", "a", "x<y") == 2, "append gives count-1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Input input(data, size);
    const uint8_t mode = input.byte();
    const std::string document = input.rest();
    movri_msg *msg = nullptr;
    fuzz::require(movri_msg_init(&msg) == 0, "init succeeds");
    if (mode & 1) fill(msg);
    const auto before = fuzz::elements_of(msg);
    const int32_t parsed = movri_msg_parse(msg, document.c_str());
    fuzz::require(parsed == 0 || parsed == -1, "parse gives 0 or -1");
    const auto after = fuzz::elements_of(msg);
    fuzz::require(after.size() >= before.size(), "parse never removes elements");
    fuzz::require(movri_msg_set_encoding(msg, kEncodings[(mode >> 1) % 4]) == 0,
                  "the encoding can be set");
    fuzz::check_round_trip(msg);
    movri_msg_free(msg);
    return 0;
}
