// What create, parse, copy and clone give, used as a program would. As it is,
// this must compile without a warning in each C++ version the header takes;
// with one of the REFUSE_ macros defined it must not compile, because that
// form would use a message destroyed at the end of its statement.
#include <movrimsg.hpp>

#include <optional>
#include <string>
#include <string_view>

int use_results(std::string_view document, const std::string &name, const char *value) {
#if defined(REFUSE_ElementsOfATemporary)
    int notes = 0;
    for (movrimsg::element_view element : movrimsg::message::parse(document)->elements())
        notes += element.name() == "note" ? 1 : 0;
    return notes;
#elif defined(REFUSE_TextOfATemporary)
    const movrimsg::text id = movrimsg::message::parse(document)->id();
    return id ? 1 : 0;
#elif defined(REFUSE_PropertyOfATemporary)
    const movrimsg::text version = movrimsg::message::create()->version();
    return version ? 1 : 0;
#elif defined(REFUSE_ValueOfATemporary)
    return movrimsg::message::parse(document).value().size();
#elif defined(REFUSE_MessageOfATemporary)
    const movrimsg::message &parsed = *movrimsg::message::parse(document);
    return parsed.size();
#else
    auto parsed = movrimsg::message::parse(document);
    std::optional<movrimsg::message> created = movrimsg::message::create();
    if (!parsed || !created || !created->append("ele", name, value) ||
        !created->set_id(std::optional<std::string>(name)) || !created->set_dtd(nullptr))
        return -1;
    const auto copied = parsed.value().copy();
    const std::optional<movrimsg::message> cloned = copied ? copied->clone() : std::nullopt;
    int notes = 0;
    for (auto element = parsed->elements().begin(); element != parsed->elements().end(); ++element)
        notes += element->name() == "note" ? 1 : 0;
    return notes + (cloned && cloned->find("ele", name) ? 1 : 0) + (created->render() ? 1 : 0);
#endif
}
