// Makes the 1st, 2nd, 3rd ... allocation of every allocating operation fail in
// turn (and, in a second pass, every allocation from the k-th on) until the
// operation completes without meeting a failure. Each time the operation must
// give its documented failure result, leave the message unchanged or
// completely changed, and leave nothing allocated once all is released.
#include "support/message_copy.h"
#include "support/counting_heap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace hardening {
using namespace msgcopy;
namespace {

constexpr int64_t kMaxSteps = 100000;

const char *const kCanonicalDocument =
    "<?xml version='1.0' encoding='ISO-8859-1'?><movrimsg><id>42</id><sn>7</sn>"
    "<msgname>status</msgname><ele name='a'>x&lt;y</ele><ele name='b'>\xe9t\xe9</ele>"
    "</movrimsg>";

movri_msg *make_fixture() {
    movri_msg *msg = nullptr;
    EXPECT_EQ(movri_msg_init(&msg), 0);
    EXPECT_EQ(movri_msg_set_id(msg, "42"), 0);
    EXPECT_EQ(movri_msg_set_msgname(msg, "status"), 1);
    EXPECT_EQ(movri_msg_append_element(msg, "ele", "a", "x<y"), 2);
    EXPECT_EQ(movri_msg_append_element(msg, "ele", "b", nullptr), 3);
    return msg;
}

movri_msg *make_empty() {
    movri_msg *msg = nullptr;
    EXPECT_EQ(movri_msg_init(&msg), 0);
    return msg;
}

std::string long_document(int elements, const std::string &value) {
    std::string doc = "<?xml version='1.0'?><movrimsg>";
    for (int i = 0; i < elements; ++i)
        doc += "<ele name='n" + std::to_string(i) + "'>" + value + "</ele>";
    return doc + "</movrimsg>";
}

// True when failed is what a parse interrupted on its way to after may leave:
// elements of after, in after's order, each with its value or none.
bool is_partial_parse(const MessageCopy &failed, const MessageCopy &after) {
    size_t next = 0;
    for (const ElementCopy &e : failed.elements) {
        while (next < after.elements.size() &&
               !(after.elements[next].tag == e.tag && after.elements[next].name == e.name &&
                 (!e.value || e.value == after.elements[next].value)))
            ++next;
        if (next == after.elements.size()) return false;
        ++next;
    }
    return failed.version == after.version && failed.encoding == after.encoding;
}

struct MessageOperation {
    const char *name;
    movri_msg *(*fixture)();
    int32_t (*run)(movri_msg *);
    bool all_or_nothing;  // false: a failed parse keeps what it added
};

const std::string &big_document() {
    static const std::string doc = long_document(40, std::string(300, 'v') + "&amp;&#233;");
    return doc;
}

// A name longer than the parser's arena: expat's own buffer then grows on the
// library's heap, where its allocations can fail too.
const std::string &document_with_long_name() {
    static const std::string doc =
        long_document(1, "v").replace(long_document(1, "v").find("n0"), 2, std::string(40000, 'n'));
    return doc;
}

const MessageOperation kOperations[] = {
    {"set_version", make_fixture, [](movri_msg *m) { return movri_msg_set_version(m, "1.10"); },
     true},
    {"set_encoding", make_fixture,
     [](movri_msg *m) { return movri_msg_set_encoding(m, "ISO-8859-15"); }, true},
    {"set_dtd", make_fixture,
     [](movri_msg *m) { return movri_msg_set_dtd(m, "other-message.dtd"); }, true},
    {"append", make_fixture,
     [](movri_msg *m) { return movri_msg_append_element(m, "ele", "c", "v"); }, true},
    {"append_without_name", make_empty,
     [](movri_msg *m) { return movri_msg_append_element(m, "x", nullptr, nullptr); }, true},
    {"insert_before_name", make_fixture,
     [](movri_msg *m) {
         return movri_msg_insert_element_before_name(m, "ele", "b", "ele", "c", "v");
     },
     true},
    {"insert_after_name", make_fixture,
     [](movri_msg *m) {
         return movri_msg_insert_element_after_name(m, "ele", "a", "ele", "c", "v");
     },
     true},
    {"insert_bypos", make_fixture,
     [](movri_msg *m) { return movri_msg_insert_element_bypos(m, 1, "ele", "c", "v"); }, true},
    {"set_id_existing", make_fixture, [](movri_msg *m) { return movri_msg_set_id(m, "4300"); },
     true},
    {"set_sn_new", make_fixture, [](movri_msg *m) { return movri_msg_set_sn(m, "1"); }, true},
    {"set_total_new", make_fixture, [](movri_msg *m) { return movri_msg_set_total(m, "2"); }, true},
    {"set_msgmode_new", make_fixture, [](movri_msg *m) { return movri_msg_set_msgmode(m, "r"); },
     true},
    {"set_msgname_existing", make_fixture,
     [](movri_msg *m) { return movri_msg_set_msgname(m, "status report"); }, true},
    {"set_value_byname", make_fixture,
     [](movri_msg *m) { return movri_msg_set_element_value_byname(m, "ele", "b", "new"); }, true},
    {"set_value_bypos", make_fixture,
     [](movri_msg *m) { return movri_msg_set_element_value_bypos(m, 2, "newer"); }, true},
    {"set_fetched_name", make_fixture,
     [](movri_msg *m) {
         movri_element *e = nullptr;
         movri_msg_get_element_bypos(m, 3, &e);
         return movri_element_set_name(e, "renamed");
     },
     true},
    {"parse_into_empty", make_empty,
     [](movri_msg *m) { return movri_msg_parse(m, kCanonicalDocument); }, false},
    {"parse_into_filled", make_fixture,
     [](movri_msg *m) { return movri_msg_parse(m, kCanonicalDocument); }, false},
    {"parse_long_values", make_empty,
     [](movri_msg *m) { return movri_msg_parse(m, big_document().c_str()); }, false},
    {"parse_name_longer_than_the_arena", make_empty,
     [](movri_msg *m) { return movri_msg_parse(m, document_with_long_name().c_str()); }, false},
    {"parse_with_entities", make_empty,
     [](movri_msg *m) {
         return movri_msg_parse(
             m,
             "<!DOCTYPE movrimsg [<!ENTITY w 'word &amp; more'>]><movrimsg>"
             "<ele name='&w;'>&w;&w;</ele><!-- c --><total>&w;</total></movrimsg>");
     },
     false},
};

class EveryOperation : public testing::TestWithParam<MessageOperation> {};

// Runs op with the step-th allocation failing; false once it met no failure.
bool run_failing_at(const MessageOperation &op, int64_t step, bool every_after,
                    const MessageCopy &after, int32_t success) {
    const int64_t live_before = testheap::live_blocks();
    movri_msg *msg = op.fixture();
    const MessageCopy before = copy_of(msg);
    const Text document_before = rendered(msg);
    int32_t result = 0;
    int64_t attempts = 0;
    {
        testing::internal::CaptureStderr();  // the parse failure lines
        testheap::FailureScope failing(step, every_after);
        result = op.run(msg);
        attempts = testheap::attempts();
    }
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    const MessageCopy now = copy_of(msg);
    const bool met_failure = attempts >= step;
    if (!met_failure) {
        EXPECT_EQ(result, success);
        EXPECT_EQ(now, after);
    } else {
        EXPECT_EQ(result, -1) << "failing allocation " << step;
        if (op.all_or_nothing) {
            EXPECT_TRUE(now == before || now == after)
                << "failing allocation " << step << ": " << now;
            if (now == before) {
                EXPECT_EQ(rendered(msg), document_before);
            }
        } else {
            EXPECT_TRUE(is_partial_parse(now, after))
                << "failing allocation " << step << ": " << now;
            // std::regex: GoogleTest's own regex on Windows knows no [0-9].
            static const std::regex kOutOfMemoryLine("out of memory at line [0-9]+\n");
            EXPECT_TRUE(std::regex_match(diagnostic, kOutOfMemoryLine))
                << "failing allocation " << step << ": " << diagnostic;
        }
    }
    movri_msg_free(msg);
    EXPECT_EQ(testheap::live_blocks(), live_before) << "failing allocation " << step;
    return met_failure;
}

void sweep(const MessageOperation &op, bool every_after) {
    movri_msg *reference = op.fixture();
    const int32_t success = op.run(reference);
    const MessageCopy after = copy_of(reference);
    movri_msg_free(reference);
    ASSERT_GE(success, 0);
    int64_t step = 1;
    while (run_failing_at(op, step, every_after, after, success) && step < kMaxSteps)
        ++step;
    EXPECT_GT(step, 1) << "the operation allocates";
    EXPECT_LT(step, kMaxSteps);
}

TEST_P(EveryOperation, FailsCleanlyAtEachAllocation) { sweep(GetParam(), false); }

TEST_P(EveryOperation, FailsCleanlyWhenAllLaterAllocationsFail) { sweep(GetParam(), true); }

INSTANTIATE_TEST_SUITE_P(AllocationFailureSweep, EveryOperation, testing::ValuesIn(kOperations),
                         [](const auto &info) { return std::string(info.param.name); });

// Operations that make something new rather than change a message.
template <typename Make>
void sweep_creation(Make make, bool every_after) {
    for (int64_t step = 1; step < kMaxSteps; ++step) {
        const int64_t live_before = testheap::live_blocks();
        int64_t attempts = 0;
        bool made = false;
        {
            testheap::FailureScope failing(step, every_after);
            made = make();
            attempts = testheap::attempts();
        }
        EXPECT_EQ(testheap::live_blocks(), live_before) << "failing allocation " << step;
        if (attempts < step) {
            EXPECT_TRUE(made);
            EXPECT_GT(step, 1);
            return;
        }
        EXPECT_FALSE(made) << "failing allocation " << step;
    }
    ADD_FAILURE() << "never completed";
}

void sweep_all_creations(bool every_after) {
    SCOPED_TRACE(every_after ? "every later allocation failing" : "one allocation failing");
    sweep_creation(
        [] {
            movri_msg *msg = reinterpret_cast<movri_msg *>(&msg);
            const int32_t result = movri_msg_init(&msg);
            EXPECT_EQ(result == 0, msg != nullptr);
            movri_msg_free(msg);
            return result == 0;
        },
        every_after);
    sweep_creation(
        [] {
            movri_element *element = reinterpret_cast<movri_element *>(&element);
            const int32_t result = movri_element_init(&element);
            EXPECT_EQ(result == 0, element != nullptr);
            movri_element_free(element);
            return result == 0;
        },
        every_after);
    sweep_creation(
        [] {
            char *copy = movri_strdup("text");
            const bool made = copy != nullptr && std::string(copy) == "text";
            movri_free(copy);
            return made;
        },
        every_after);
}

TEST(AllocationFailureSweep, InitsAndCopiesGiveFailureAndLeaveNothing) {
    sweep_all_creations(false);
    sweep_all_creations(true);
}

void sweep_clone_and_render(bool every_after) {
    SCOPED_TRACE(every_after ? "every later allocation failing" : "one allocation failing");
    movri_msg *src = make_fixture();
    const MessageCopy source = copy_of(src);
    const Text document = rendered(src);
    sweep_creation(
        [&] {
            movri_msg *copy = reinterpret_cast<movri_msg *>(&copy);
            const int32_t result = movri_msg_clone(src, &copy);
            EXPECT_EQ(result == 0, copy != nullptr);
            if (copy != nullptr) {
                EXPECT_EQ(copy_of(copy).elements, source.elements);
            }
            movri_msg_free(copy);
            return result == 0;
        },
        every_after);
    sweep_creation(
        [&] {
            char sentinel = 0;
            char *text = &sentinel;
            const int32_t result = movri_msg_to_str(src, &text);
            EXPECT_TRUE(result == 0 ? Text(text) == document : text == &sentinel);
            if (result == 0) movri_free(text);
            return result == 0;
        },
        every_after);
    EXPECT_EQ(copy_of(src), source);
    movri_msg_free(src);
}

TEST(AllocationFailureSweep, CloneAndRenderGiveFailureAndKeepTheSource) {
    sweep_clone_and_render(false);
    sweep_clone_and_render(true);
}

TEST(AllocationFailureSweep, FreeStandingElementSettersKeepTheFieldOnFailure) {
    using Setter = int32_t (*)(movri_element *, const char *);
    for (const Setter set :
         {movri_element_set_tag, movri_element_set_name, movri_element_set_value}) {
        movri_element *element = nullptr;
        ASSERT_EQ(movri_element_init(&element), 0);
        ASSERT_EQ(set(element, "old"), 0);
        const ElementCopy before = copy_of(*element);
        {
            testheap::FailureScope failing(1);
            EXPECT_EQ(set(element, "new"), -1);
        }
        EXPECT_EQ(copy_of(*element), before);
        movri_element_free(element);
    }
}

}  // namespace
}  // namespace hardening
