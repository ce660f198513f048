// A C++ program using movrimsg.hpp: renders a message, parses the document
// back and checks that every element came back as it was sent.
#include <movrimsg.hpp>

#include <cstdio>
#include <optional>
#include <string>

namespace {

std::optional<movrimsg::message> make_order() {
    std::optional<movrimsg::message> msg = movrimsg::message::create();
    if (!msg || !msg->set_id("42") || !msg->append("ele", "item", "caf\xE9 & cr\xE8me"))
        return std::nullopt;
    return msg;
}

bool same_elements(const movrimsg::message &a, const movrimsg::message &b) {
    if (a.size() != b.size()) return false;
    for (const movrimsg::element_view element : a.elements()) {
        const auto other = b.at(element.position());
        if (!other || other->tag() != element.tag() || other->name() != element.name() ||
            other->value() != element.value())
            return false;
    }
    return true;
}

}  // namespace

int main() {
    const std::optional<movrimsg::message> sent = make_order();
    const std::optional<std::string> document = sent ? sent->render() : std::nullopt;
    const std::optional<movrimsg::message> received =
        document ? movrimsg::message::parse(*document) : std::nullopt;
    const bool ok = received && same_elements(*sent, *received) && received->id() == "42";
    std::puts(ok ? "cpp-cmake consumer: ok" : "cpp-cmake consumer: FAILED");
    return ok ? 0 : 1;
}
