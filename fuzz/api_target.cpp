// Drives one or two messages through sequences of calls and checks every
// result, position and order against a plain reference model of the message.
#include "fuzz_support.h"

#include <array>
#include <strings.h>
#include <utility>

namespace {

using fuzz::c_str;
using fuzz::ElementCopy;
using fuzz::require;
using fuzz::Text;

constexpr std::array<const char *, 15> kTexts = {
    "ele", "id",  "ID",       "sn",     "total",     "msgmode",  "msgname", "",
    "a",   "Ele", "x<y&'\">", "\t\n\r", "\xe9t\xe9", "\xc3\xa9", "\x01"};
constexpr std::array<const char *, 8> kEncodings = {"ISO-8859-1", "UTF-8", "us-ascii", "UTF-16",
                                                    "x-unknown",  "",      "9",        "bad name"};
constexpr std::array<const char *, 5> kHeaderTags = {"id", "sn", "total", "msgmode", "msgname"};
constexpr int kMaxCalls = 256;

bool same_text(const Text &stored, const Text &wanted) {
    return stored && wanted && stored->size() == wanted->size() &&
           strcasecmp(stored->c_str(), wanted->c_str()) == 0;
}

bool valid_tag(const Text &tag) { return tag && !tag->empty(); }

// What the message should hold.
struct Model {
    std::vector<ElementCopy> elements;
    Text version = "1.0";
    Text encoding = "ISO-8859-1";
    Text dtd = "movrimsg.dtd";

    int32_t count() const { return static_cast<int32_t>(elements.size()); }

    int32_t find(const Text &tag, const Text &name) const {
        if (!valid_tag(tag)) return -1;
        for (int32_t pos = 0; pos < count(); ++pos) {
            const ElementCopy &e = elements[pos];
            if (same_text(e.tag, tag) && (name ? same_text(e.name, name) : !e.name)) return pos;
        }
        return count();
    }

    int32_t find_tag(const Text &tag) const {
        for (int32_t pos = 0; pos < count(); ++pos) {
            if (same_text(elements[pos].tag, tag)) return pos;
        }
        return count();
    }

    int32_t insert(int32_t pos, const Text &tag, const Text &name, const Text &value) {
        elements.insert(elements.begin() + pos, ElementCopy{tag, name, value});
        return pos;
    }

    int32_t set_header(size_t field, const Text &value) {
        const int32_t found = find_tag(kHeaderTags[field]);
        if (found < count()) {
            elements[found].value = value;
            return found;
        }
        int32_t slot = 0;
        for (size_t earlier = field; earlier-- > 0;) {
            const int32_t pos = find(kHeaderTags[earlier], std::nullopt);
            if (pos < count()) {
                slot = pos + 1;
                break;
            }
        }
        return insert(slot, kHeaderTags[field], std::nullopt, Text(value));
    }
};

class Session {
public:
    explicit Session(const uint8_t *data, size_t size) : input_(data, size) {
        for (movri_msg *&msg : msgs_)
            require(movri_msg_init(&msg) == 0, "init succeeds");
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
    ~Session() {
        for (movri_msg *msg : msgs_)
            movri_msg_free(msg);
    }

    void run() {
        for (int call = 0; call < kMaxCalls && !input_.empty(); ++call) {
            step(input_.byte() % 16);
            check_matches_model();
        }
    }

private:
    fuzz::Input input_;
    std::array<movri_msg *, 2> msgs_{};
    std::array<Model, 2> models_{};
    size_t active_ = 0;

    movri_msg *msg() { return msgs_[active_]; }
    Model &model() { return models_[active_]; }

    Text text() {
        const uint8_t choice = input_.byte() % (kTexts.size() + 2);
        if (choice == kTexts.size()) return std::nullopt;
        if (choice == kTexts.size() + 1) return input_.text();
        return kTexts[choice];
    }

    int32_t position() { return static_cast<int32_t>(input_.byte() % 20) - 2; }

    void step(uint8_t op) {
        switch (op) {
            case 0:
                return append();
            case 1:
                return insert_by_name(false);
            case 2:
                return insert_by_name(true);
            case 3:
                return insert_by_position();
            case 4:
                return set_header();
            case 5:
                return set_value_by_name();
            case 6:
                return set_value_by_position();
            case 7:
                return set_fetched_element();
            case 8:
                return set_property();
            case 9:
                fuzz::check_round_trip(msg());
                return;
            case 10:
                return parse();
            case 11:
                return clone();
            case 12:
                return look_up();
            case 13:
                return read_header();
            case 14:
                return check_end_of_list();
            default:
                active_ = 1 - active_;
        }
    }

    void append() {
        const Text tag = text(), name = text(), value = text();
        const int32_t expected =
            valid_tag(tag) ? model().insert(model().count(), tag, name, value) : -1;
        require(movri_msg_append_element(msg(), c_str(tag), c_str(name), c_str(value)) == expected,
                "append gives count - 1, or -1 for a bad tag");
    }

    void insert_by_name(bool after) {
        const Text ref_tag = text(), ref_name = text(), tag = text(), name = text(), value = text();
        const int32_t ref = model().find(ref_tag, ref_name);
        int32_t expected = -1;
        if (valid_tag(tag) && ref >= 0 && ref < model().count())
            expected = model().insert(ref + (after ? 1 : 0), tag, name, value);
        const auto insert =
            after ? movri_msg_insert_element_after_name : movri_msg_insert_element_before_name;
        require(insert(msg(), c_str(ref_tag), c_str(ref_name), c_str(tag), c_str(name),
                       c_str(value)) == expected,
                "insertion next to a reference gives its position");
    }

    void insert_by_position() {
        const int32_t pos = position();
        const Text tag = text(), name = text(), value = text();
        int32_t expected = -1;
        if (valid_tag(tag) && pos >= 0 && (pos == 0 || pos < model().count()))
            expected = model().insert(pos, tag, name, value);
        require(movri_msg_insert_element_bypos(msg(), pos, c_str(tag), c_str(name), c_str(value)) ==
                    expected,
                "insertion by position gives the position");
    }

    void set_header() {
        static constexpr std::array setters = {movri_msg_set_id, movri_msg_set_sn,
                                               movri_msg_set_total, movri_msg_set_msgmode,
                                               movri_msg_set_msgname};
        const size_t field = input_.byte() % setters.size();
        const Text value = text();
        const int32_t expected = model().set_header(field, value);
        require(setters[field](msg(), c_str(value)) == expected,
                "a header setter gives the header element's position");
    }

    void set_value_by_name() {
        const Text tag = text(), name = text(), value = text();
        const int32_t pos = model().find(tag, name);
        int32_t expected = -1;
        if (pos >= 0 && pos < model().count()) {
            model().elements[pos].value = value;
            expected = pos;
        }
        require(movri_msg_set_element_value_byname(msg(), c_str(tag), c_str(name), c_str(value)) ==
                    expected,
                "a value update by name gives the position");
    }

    void set_value_by_position() {
        const int32_t pos = position();
        const Text value = text();
        int32_t expected = -1;
        if (pos >= 0 && pos < model().count()) {
            model().elements[pos].value = value;
            expected = pos;
        }
        require(movri_msg_set_element_value_bypos(msg(), pos, c_str(value)) == expected,
                "a value update by position gives the position");
    }

    void set_fetched_element() {
        const int32_t pos = position();
        const uint8_t field = input_.byte() % 3;
        const Text value = text();
        movri_element *element = nullptr;
        const bool inside = pos >= 0 && pos < model().count();
        require(movri_msg_get_element_bypos(msg(), pos, &element) == (inside ? pos : -1),
                "fetching by position gives the position or -1");
        require((element != nullptr) == inside, "an element is stored only inside the list");
        if (!inside) return;
        static constexpr std::array setters = {movri_element_set_tag, movri_element_set_name,
                                               movri_element_set_value};
        require(setters[field](element, c_str(value)) == 0, "an element setter succeeds");
        ElementCopy &copy = model().elements[pos];
        (field == 0 ? copy.tag : field == 1 ? copy.name : copy.value) = value;
    }

    void set_property() {
        const uint8_t field = input_.byte() % 3;
        const uint8_t choice = input_.byte();
        Text value = choice % 9 == 8 ? Text() : Text(kEncodings[choice % 9]);
        if (field == 0)
            value = choice % 3 == 0 ? Text("1.0") : choice % 3 == 1 ? Text("1.1") : text();
        static constexpr std::array setters = {movri_msg_set_version, movri_msg_set_encoding,
                                               movri_msg_set_dtd};
        require(setters[field](msg(), c_str(value)) == 0, "a property setter succeeds");
        (field == 0 ? model().version : field == 1 ? model().encoding : model().dtd) = value;
    }

    // The elements present before a parse stay, in their order; only header
    // elements may get a new value.
    void parse() {
        const bool own_document = input_.byte() & 1;
        std::string document;
        char *rendered = nullptr;
        if (!own_document && movri_msg_to_str(msgs_[1 - active_], &rendered) == 0) {
            document = rendered;
            movri_free(rendered);
        } else {
            document = input_.text();
        }
        std::vector<const movri_element *> before;
        for (int32_t pos = 0; pos < model().count(); ++pos)
            before.push_back(element_at(pos));
        const int32_t result = movri_msg_parse(msg(), document.c_str());
        require(result == 0 || result == -1, "parse gives 0 or -1");
        size_t next = 0;
        for (int32_t pos = 0; movri_msg_eol(msg(), pos) == 0 && next < before.size(); ++pos) {
            if (element_at(pos) != before[next]) continue;
            const ElementCopy &old = model().elements[next];
            if (!is_header_tag(old.tag))
                require(fuzz::text_of(before[next]->value) == old.value,
                        "parse changes no value outside the header");
            ++next;
        }
        require(next == before.size(), "parse keeps the elements present before, in order");
        model().elements = fuzz::elements_of(msg());
    }

    void clone() {
        movri_msg *copy = nullptr;
        char *text = nullptr;
        const bool renders = movri_msg_to_str(msg(), &text) == 0;
        movri_free(text);
        const bool expected = renders && fuzz::expat_knows_encoding(msg()->encoding);
        require((movri_msg_clone(msg(), &copy) == 0) == expected,
                "clone succeeds exactly for documents that parse");
        require((copy != nullptr) == expected, "a failed clone leaves no message");
        if (copy == nullptr) return;
        const auto elements = fuzz::elements_of(copy);
        if (fuzz::survives_document(model().elements))
            require(elements == fuzz::as_read_back(model().elements, msg()->encoding),
                    "a clone holds the source's elements");
        const size_t other = 1 - active_;
        movri_msg_free(msgs_[other]);
        msgs_[other] = copy;
        models_[other] = Model{elements};
    }

    void look_up() {
        const Text tag = text(), name = text();
        const int32_t expected = model().find(tag, name);
        require(movri_msg_find_element(msg(), c_str(tag), c_str(name)) == expected,
                "find gives the first match, the count, or -1");
        movri_element *element = nullptr;
        require(movri_msg_get_element_byname(msg(), c_str(tag), c_str(name), &element) == expected,
                "get by name gives what find gives");
        const bool found = expected >= 0 && expected < model().count();
        require((element != nullptr) == found, "get by name stores an element when one matches");
        if (found) require(element == element_at(expected), "get by name stores that element");
    }

    void read_header() {
        static constexpr std::array getters = {movri_msg_get_id, movri_msg_get_sn,
                                               movri_msg_get_total, movri_msg_get_msgmode,
                                               movri_msg_get_msgname};
        const size_t field = input_.byte() % getters.size();
        const int32_t pos = model().find_tag(kHeaderTags[field]);
        const Text expected = pos < model().count() ? model().elements[pos].value : Text();
        require(fuzz::text_of(getters[field](msg())) == expected,
                "a header getter gives the first such element's value");
    }

    void check_end_of_list() {
        const int32_t pos = position();
        require(movri_msg_eol(msg(), pos) == (pos >= model().count() ? 1 : 0),
                "eol tells whether pos is at or past the end");
    }

    const movri_element *element_at(int32_t pos) {
        movri_element *element = nullptr;
        movri_msg_get_element_bypos(msg(), pos, &element);
        return element;
    }

    static bool is_header_tag(const Text &tag) {
        for (const char *header : kHeaderTags) {
            if (same_text(tag, header)) return true;
        }
        return false;
    }

    void check_matches_model() {
        for (size_t i = 0; i < msgs_.size(); ++i) {
            require(fuzz::elements_of(msgs_[i]) == models_[i].elements,
                    "the message holds the model's elements in the model's order");
            require(fuzz::text_of(movri_msg_get_version(msgs_[i])) == models_[i].version &&
                        fuzz::text_of(movri_msg_get_encoding(msgs_[i])) == models_[i].encoding &&
                        fuzz::text_of(movri_msg_get_dtd(msgs_[i])) == models_[i].dtd,
                    "the properties are the ones set");
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Session session(data, size);
    session.run();
    return 0;
}
