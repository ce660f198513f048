// message_demo_cpp: the road of a message, in C++ with movrimsg.hpp.
//
// A sender builds a message (header and body), renders it as its document and
// prints it. A receiver parses the document, prints the header and the body,
// finds an element with a ranges algorithm, and adds an element of its own
// that an exact copy keeps and a clone through the document loses. Messages
// release themselves; failures come back as empty optionals.
#include <movrimsg.hpp>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace {

// Texts are single-byte ISO-8859-1; this prints them on a UTF-8 terminal.
void print_latin1(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            std::putchar(byte);
        } else {
            std::putchar(0xC0 | (byte >> 6));
            std::putchar(0x80 | (byte & 0x3F));
        }
    }
}

void print_field(std::string_view label, movrimsg::text value) {
    std::printf("  %.*s: ", static_cast<int>(label.size()), label.data());
    print_latin1(value.value_or("(absent)"));
    std::putchar('\n');
}

std::optional<std::string> send_order() {
    std::optional<movrimsg::message> msg = movrimsg::message::create();
    if (!msg || !msg->set_id("1001") || !msg->set_sn("1") || !msg->set_total("1") ||
        !msg->set_msgmode("request") || !msg->set_msgname("order"))
        return std::nullopt;
    // The writer escapes ' & < > " in values; 0xE9 is e-acute in ISO-8859-1.
    if (!msg->append("ele", "customer", "O'Brien & Sons") ||
        !msg->append("ele", "item", "caf\xE9 au lait") ||
        !msg->append("ele", "note", "deliver if total < 20"))
        return std::nullopt;
    return msg->render();
}

void print_copies(const movrimsg::message &msg) {
    // copy() duplicates every element; clone() goes through the document,
    // which carries only header elements and "ele" elements with a name.
    const auto copy = msg.copy();
    const auto clone = msg.clone();
    std::printf("elements: %d, in a copy: %d, in a clone: %d\n", msg.size(),
                copy ? copy->size() : -1, clone ? clone->size() : -1);
}

bool receive_order(std::string_view document) {
    // Kept in a variable: message::parse(document)->elements() does not
    // compile, since that message would be gone before the loop ran.
    auto msg = movrimsg::message::parse(document);
    if (!msg) return false;
    std::printf("header\n");
    print_field("id", msg->id());
    print_field("sn", msg->sn());
    print_field("total", msg->total());
    print_field("msgmode", msg->msgmode());
    print_field("msgname", msg->msgname());
    std::printf("body\n");
    // Texts are borrowed from the message: valid while it lives.
    for (const movrimsg::element_view element : msg->elements()) {
        if (element.tag() == "ele")
            print_field(element.name().value_or("(absent)"), element.value());
    }
    const auto note = std::ranges::find_if(
        msg->elements(), [](movrimsg::element_view element) { return element.name() == "note"; });
    if (note == msg->elements().end()) return false;
    std::printf("note at position %d\n", note->position());
    // A null text, as C functions give for an absent one, is stored as absent.
    const char *no_name = nullptr;
    if (!msg->append("received", no_name, "by the demo")) return false;
    print_copies(*msg);
    return true;
}

}  // namespace

int main() {
    const std::optional<std::string> document = send_order();
    if (!document) {
        std::fprintf(stderr, "message_demo_cpp: the message could not be built\n");
        return 1;
    }
    std::printf("document (%zu bytes)\n  ", document->size());
    print_latin1(*document);
    std::printf("\n");
    return receive_order(*document) ? 0 : 1;
}
