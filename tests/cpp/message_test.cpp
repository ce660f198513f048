// The C++ layer as an application uses it, over the shipped library.
#include <gtest/gtest.h>

#include "movrimsg.hpp"

#include <algorithm>
#include <iterator>
#include <ranges>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

using movrimsg::message;
using movrimsg::text;
using namespace std::string_view_literals;

static_assert(std::forward_iterator<movrimsg::element_iterator>);
static_assert(std::same_as<std::iter_reference_t<movrimsg::element_iterator>,
                           decltype(*movrimsg::element_iterator())>);
static_assert(std::ranges::forward_range<movrimsg::element_range>);
static_assert(std::ranges::borrowed_range<movrimsg::element_range>);
static_assert(std::is_convertible_v<movrimsg::optional_message, std::optional<message>>);
static_assert(!std::is_copy_constructible_v<message>);
static_assert(std::is_nothrow_move_constructible_v<message>);

namespace {

message make_message() {
    std::optional<message> made = message::create();
    EXPECT_TRUE(made.has_value());
    return std::move(*made);
}

struct Row {
    std::int32_t pos;
    text tag, name, value;
    bool operator==(const Row &) const = default;
};

std::vector<Row> rows_of(const message &msg) {
    std::vector<Row> rows;
    for (const movrimsg::element_view element : msg.elements())
        rows.push_back({element.position(), element.tag(), element.name(), element.value()});
    return rows;
}

// An order with a header, an escaped value, a Latin-1 byte and texts that are
// absent or empty.
message make_order() {
    message msg = make_message();
    EXPECT_EQ(msg.set_msgname("order"), 0);
    EXPECT_EQ(msg.set_id("7"), 0);
    EXPECT_EQ(msg.append("ele", "item", "caf\xE9"), 2);
    EXPECT_EQ(msg.append("ele", "note", "a<b & 'c'"), 3);
    EXPECT_EQ(msg.append("ele", "", std::nullopt), 4);
    return msg;
}

constexpr std::string_view kOrderDocument =
    "<?xml version='1.0' encoding='ISO-8859-1'?><movrimsg><id>7</id><msgname>order</msgname>"
    "<ele name='item'>caf\xE9</ele><ele name='note'>a&lt;b &amp; &apos;c&apos;</ele>"
    "<ele name=''></ele></movrimsg>";

}  // namespace

TEST(CppMessage, CreatesAnEmptyMessageWithTheDocumentDefaults) {
    const message msg = make_message();
    EXPECT_EQ(msg.version(), "1.0");
    EXPECT_EQ(msg.encoding(), "ISO-8859-1");
    EXPECT_EQ(msg.dtd(), "movrimsg.dtd");
    EXPECT_EQ(msg.size(), 0);
    EXPECT_TRUE(msg.elements().empty());
    EXPECT_EQ(msg.id(), std::nullopt);
}

TEST(CppMessage, KeepsHeaderElementsInTheirOrderWhateverOrderTheyAreSetIn) {
    message msg = make_message();
    EXPECT_EQ(msg.set_msgname("n"), 0);
    EXPECT_EQ(msg.set_total("3"), 0);
    EXPECT_EQ(msg.set_id("i"), 0);
    EXPECT_EQ(msg.set_msgmode("m"), 2);
    EXPECT_EQ(msg.set_sn("s"), 1);
    EXPECT_EQ(msg.set_total("4"), 2);
    const std::vector<Row> expected = {{0, "id", std::nullopt, "i"},
                                       {1, "sn", std::nullopt, "s"},
                                       {2, "total", std::nullopt, "4"},
                                       {3, "msgmode", std::nullopt, "m"},
                                       {4, "msgname", std::nullopt, "n"}};
    EXPECT_EQ(rows_of(msg), expected);
    EXPECT_EQ(std::make_tuple(msg.id(), msg.sn(), msg.total(), msg.msgmode(), msg.msgname()),
              std::make_tuple(text("i"), text("s"), text("4"), text("m"), text("n")));
}

TEST(CppMessage, TellsAbsentTextsFromEmptyOnes) {
    message msg = make_message();
    ASSERT_EQ(msg.append("ele", std::nullopt, ""), 0);
    ASSERT_EQ(msg.append("ele", "", std::nullopt), 1);
    EXPECT_EQ(msg.at(0)->name(), std::nullopt);
    EXPECT_EQ(msg.at(0)->value(), ""sv);
    EXPECT_EQ(msg.at(1)->name(), ""sv);
    EXPECT_EQ(msg.at(1)->value(), std::nullopt);
    ASSERT_TRUE(msg.set_dtd(std::nullopt));
    EXPECT_EQ(msg.dtd(), std::nullopt);
}

TEST(CppMessage, TakesANullTextAsAnAbsentOne) {
    message msg = make_message();
    const char *null_text = nullptr;
    ASSERT_EQ(msg.append("ele", null_text, "a"), 0);
    const char *c_absent = movri_element_get_name(msg.at(0)->get());  // null
    EXPECT_EQ(msg.append("ele", "b", nullptr), 1);
    EXPECT_EQ(msg.insert(0, "ele", c_absent, c_absent), 0);
    EXPECT_EQ(msg.set_value(1, null_text), 1);
    EXPECT_EQ(msg.set_msgname(c_absent), 0);
    EXPECT_TRUE(msg.set_dtd(null_text));
    EXPECT_EQ(msg.append(null_text, "c", "c"), std::nullopt);  // a tag is required
    EXPECT_EQ(msg.append(nullptr, "c", "c"), std::nullopt);
    EXPECT_EQ(msg.find("ele", null_text)->position(), 1);
    EXPECT_EQ(msg.find(null_text, null_text), std::nullopt);
    const std::vector<Row> expected = {{0, "msgname", std::nullopt, std::nullopt},
                                       {1, "ele", std::nullopt, std::nullopt},
                                       {2, "ele", std::nullopt, std::nullopt},
                                       {3, "ele", "b", std::nullopt}};
    EXPECT_EQ(rows_of(msg), expected);
    EXPECT_EQ(msg.dtd(), std::nullopt);
    testing::internal::CaptureStderr();
    EXPECT_EQ(message::parse(null_text), std::nullopt);
    EXPECT_FALSE(msg.add_document(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(CppMessage, RefusesTextsHoldingAZeroByteAndKeepsWhatWasThere) {
    message msg = make_message();
    ASSERT_EQ(msg.set_id("kept"), 0);
    ASSERT_EQ(msg.append("ele", "a", "kept"), 1);
    const std::string_view cut = "be\0fore"sv;
    EXPECT_EQ(msg.set_id(cut), std::nullopt);
    EXPECT_FALSE(msg.set_encoding(cut));
    EXPECT_EQ(msg.set_value(1, cut), std::nullopt);
    EXPECT_EQ(msg.append("ele", cut, "v"), std::nullopt);
    EXPECT_EQ(msg.append(cut, "a", "v"), std::nullopt);
    EXPECT_EQ(msg.insert(0, "ele", "a", cut), std::nullopt);
    EXPECT_EQ(msg.find("ele", cut), std::nullopt);
    EXPECT_EQ(msg.id(), "kept");
    EXPECT_EQ(msg.encoding(), "ISO-8859-1");
    EXPECT_EQ(msg.size(), 2);
    EXPECT_EQ(msg.at(1)->value(), "kept");
}

TEST(CppMessage, RendersTheDocumentTheCFunctionWrites) {
    const message msg = make_order();
    const std::optional<std::string> document = msg.render();
    ASSERT_TRUE(document.has_value());
    EXPECT_EQ(*document, kOrderDocument);
    char *c_document = nullptr;
    ASSERT_EQ(movri_msg_to_str(msg.get(), &c_document), 0);
    EXPECT_EQ(*document, c_document);
    movri_free(c_document);
}

TEST(CppMessage, RendersUpToTheTextLimitAndNothingBeyond) {
    // An empty message renders in 64 bytes and "<ele></ele>" adds 11.
    const struct {
        std::size_t value_length;
        bool renders;
    } cases[] = {{MOVRI_TEXT_LIMIT - 75, true}, {MOVRI_TEXT_LIMIT - 74, false}};
    for (const auto &c : cases) {
        message msg = make_message();
        ASSERT_EQ(msg.append("ele", std::nullopt, std::string(c.value_length, 'v')), 0);
        const std::optional<std::string> document = msg.render();
        EXPECT_EQ(document.has_value(), c.renders) << c.value_length;
        if (document) {
            EXPECT_EQ(document->size(), std::size_t{MOVRI_TEXT_LIMIT});
        }
    }
}

TEST(CppMessage, RefusesToRenderADocumentThatWouldNotBeWellFormed) {
    message msg = make_message();
    ASSERT_EQ(msg.append("ele", "a", "bell\x07"), 0);
    EXPECT_EQ(msg.render(), std::nullopt);
    EXPECT_EQ(msg.clone(), std::nullopt);
}

TEST(CppMessage, ParsesADocumentIntoTheElementsItWasRenderedFrom) {
    const message sent = make_order();
    const std::optional<message> received = message::parse(*sent.render());
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(rows_of(*received), rows_of(sent));
    EXPECT_EQ(received->msgname(), "order");
}

TEST(CppMessage, ReportsAParseFailureAsAValueAfterTheDiagnosticLine) {
    testing::internal::CaptureStderr();
    const std::optional<message> parsed = message::parse("<movrimsg>\n<id>1</sn></movrimsg>");
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(parsed.has_value());
    EXPECT_EQ(diagnostic, "mismatched tag at line 2\n");
}

TEST(CppMessage, RefusesADocumentHoldingAZeroByteWithoutParsingIt) {
    testing::internal::CaptureStderr();
    const std::optional<message> parsed = message::parse("<movrimsg/>\0<x>"sv);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(parsed.has_value());
}

TEST(CppMessage, AddsDocumentsToWhatTheMessageHolds) {
    message msg = make_message();
    ASSERT_TRUE(msg.add_document("<movrimsg><ele name='a'>1</ele></movrimsg>"));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(msg.add_document("<movrimsg><ele name='b'>2</ele><ele>"));
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    const std::vector<Row> expected = {{0, "ele", "a", "1"}, {1, "ele", "b", "2"}};
    EXPECT_EQ(rows_of(msg), expected);
}

TEST(CppMessage, WalksElementsWithStandardAlgorithms) {
    const message msg = make_order();
    const movrimsg::element_range elements = msg.elements();
    EXPECT_EQ(std::distance(elements.begin(), elements.end()), 5);
    const auto note = std::find_if(elements.begin(), elements.end(),
                                   [](auto element) { return element.name() == "note"; });
    ASSERT_NE(note, elements.end());
    EXPECT_EQ((*note).position(), 3);
    auto it = elements.begin();
    EXPECT_EQ((*it++).tag(), "id");
    EXPECT_EQ(it->tag(), "msgname");
    // The range from elements() is a temporary here: its iterators stay usable.
    const auto item = std::ranges::find_if(
        msg.elements(), [](movrimsg::element_view element) { return element.name() == "item"; });
    EXPECT_EQ(item->value(), "caf\xE9");
    EXPECT_EQ(std::ranges::count(msg.elements(), "ele", &movrimsg::element_view::tag), 3);
}

TEST(CppMessage, FindsElementsByTagAndNameAsTheCFunctionsDo) {
    const message msg = make_order();
    const struct {
        std::string_view tag;
        text name;
        std::optional<std::int32_t> found;
    } cases[] = {
        {"ELE", "NOTE", 3},         // letter case is ignored
        {"id", std::nullopt, 0},    // an absent name matches elements without one
        {"ele", std::nullopt, {}},  // ... and no named element
        {"ele", "", 4},             // an empty name is a name
        {"ele", "missing", {}},     //
        {"", std::nullopt, {}},     // an empty tag matches nothing
    };
    for (const auto &c : cases) {
        const auto found = msg.find(c.tag, c.name);
        EXPECT_EQ(found ? std::optional(found->position()) : std::nullopt, c.found) << c.tag;
    }
    EXPECT_EQ(msg.at(-1), std::nullopt);
    EXPECT_EQ(msg.at(msg.size()), std::nullopt);
}

TEST(CppMessage, InsertsAndUpdatesElementsByPosition) {
    message msg = make_message();
    ASSERT_EQ(msg.append("ele", "b", "2"), 0);
    EXPECT_EQ(msg.insert(0, "ele", "a", "1"), 0);
    EXPECT_EQ(msg.insert(5, "ele", "z", "9"), std::nullopt);
    EXPECT_EQ(msg.set_value(1, "two"), 1);
    EXPECT_EQ(msg.set_value(2, "none"), std::nullopt);
    const std::vector<Row> expected = {{0, "ele", "a", "1"}, {1, "ele", "b", "two"}};
    EXPECT_EQ(rows_of(msg), expected);
}

TEST(CppMessage, MovingLeavesTheSourceEmptyAndEveryCallOnItFails) {
    message source = make_order();
    const movri_msg *raw = source.get();
    message target = std::move(source);
    EXPECT_EQ(target.get(), raw);
    EXPECT_EQ(source.get(), nullptr);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(source.size(), 0);
    EXPECT_TRUE(source.elements().empty());
    EXPECT_EQ(source.render(), std::nullopt);
    EXPECT_EQ(source.clone(), std::nullopt);
    EXPECT_EQ(source.set_id("x"), std::nullopt);
    EXPECT_FALSE(source.add_document("<movrimsg/>"));
    EXPECT_EQ(source.id(), std::nullopt);
    EXPECT_EQ(target.size(), 5);
}

TEST(CppMessage, MoveAssignmentReleasesTheMessageItReplaces) {
    message first = make_order();
    message second = make_message();
    ASSERT_EQ(second.set_id("second"), 0);
    first = std::move(second);
    EXPECT_EQ(first.id(), "second");
    EXPECT_EQ(first.size(), 1);
    message &same = first;
    first = std::move(same);
    EXPECT_EQ(first.id(), "second");
}

TEST(CppMessage, ReleasingHandsTheMessageToTheCaller) {
    message msg = make_order();
    movri_msg *raw = msg.release();
    EXPECT_EQ(msg.get(), nullptr);
    ASSERT_NE(raw, nullptr);
    EXPECT_STREQ(movri_msg_get_id(raw), "7");
    const message adopted(raw);
    EXPECT_EQ(adopted.id(), "7");
}

TEST(CppMessage, CopiesExactlyAMessageACloneCannotKeep) {
    message msg = make_order();
    ASSERT_TRUE(msg.set_encoding("UTF-8") && msg.set_dtd(std::nullopt));
    ASSERT_EQ(msg.append("ele", std::nullopt, "unnamed"), 5);
    ASSERT_EQ(msg.append("note", "n", ""), 6);
    ASSERT_EQ(msg.append("ele", "long", std::string(MOVRI_TEXT_LIMIT, 'v')), 7);
    movri_element *untagged = nullptr;  // a tag the append function refuses, taken in C
    ASSERT_EQ(movri_msg_get_element_bypos(msg.get(), *msg.append("t", "n", "v"), &untagged), 8);
    ASSERT_EQ(movri_element_set_tag(untagged, nullptr), 0);
    EXPECT_EQ(msg.clone(), std::nullopt);
    const auto copy = msg.copy();
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(rows_of(*copy), rows_of(msg));
    EXPECT_EQ(std::make_tuple(copy->version(), copy->encoding(), copy->dtd()),
              std::make_tuple(text("1.0"), text("UTF-8"), text()));
}

TEST(CppMessage, ClonesElementsButNotTheDocumentProperties) {
    message msg = make_order();
    ASSERT_TRUE(msg.set_version("1.1"));
    ASSERT_TRUE(msg.set_dtd("other.dtd"));
    const std::optional<message> copy = msg.clone();
    ASSERT_TRUE(copy.has_value());
    EXPECT_NE(copy->get(), msg.get());
    EXPECT_EQ(rows_of(*copy), rows_of(msg));
    EXPECT_EQ(copy->version(), "1.0");
    EXPECT_EQ(copy->dtd(), "movrimsg.dtd");
}
