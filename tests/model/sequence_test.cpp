// The element sequence behind every message: positions after inserts and
// removes, and the private tail and cursor shortcuts, which must give the
// same answers as a plain walk from the head whatever the order of access.
#include <gtest/gtest.h>

#include "model/sequence.h"
#include "movrimsg.h"

#include <random>
#include <vector>

namespace {

// Elements are only referred to by the sequence, so distinct addresses of a
// pool serve. Each insertion gets a link of its own from the library's heap,
// which the sequence hands back for release.
movri_element g_pool[64];

movri_link *link_to(movri_element *element) {
    auto *link = static_cast<movri_link *>(movri_malloc(sizeof(movri_link)));
    *link = movri_link{nullptr, element};
    return link;
}
movri_link *link_to(int pool_index) { return link_to(&g_pool[pool_index]); }
void release_link(movri_link *link) { movri_free(link); }

class SequenceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(list_ = movri_list_new(), nullptr); }
    void TearDown() override { movri_list_free(list_, release_link); }

    // The sequence as the public chain reads, walking count links from head.
    std::vector<movri_element *> chain() const {
        std::vector<movri_element *> out;
        const movri_link *link = list_->head;
        for (int32_t i = 0; i < list_->count; ++i, link = link->next)
            out.push_back(link->element);
        return out;
    }

    void fill(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(movri_list_insert(list_, link_to(i), -1), 0);
    }

    movri_list *list_ = nullptr;
};

struct InsertCase {
    int32_t pos;
    std::vector<int> expected;  // pool indexes; the new element is 9
};

TEST_F(SequenceTest, InsertPlacesTheElementAtItsPositionOrAppends) {
    const InsertCase cases[] = {
        {0, {9, 0, 1}}, {1, {0, 9, 1}},  {2, {0, 1, 9}},
        {5, {0, 1, 9}}, {-1, {0, 1, 9}}, {INT32_MIN, {0, 1, 9}},
    };
    for (const InsertCase &c : cases) {
        movri_list_free(list_, release_link);
        ASSERT_NE(list_ = movri_list_new(), nullptr);
        fill(2);
        ASSERT_EQ(movri_list_insert(list_, link_to(9), c.pos), 0);
        std::vector<movri_element *> expected;
        for (int i : c.expected)
            expected.push_back(&g_pool[i]);
        EXPECT_EQ(chain(), expected) << "insert at " << c.pos;
        for (int32_t p = 0; p < 3; ++p)
            EXPECT_EQ(movri_list_at(list_, p), expected[p]);
    }
}

TEST_F(SequenceTest, RemoveUnlinksThePositionAndGivesTheNewCount) {
    fill(4);
    EXPECT_EQ(movri_list_remove(list_, 4, release_link), -1);
    EXPECT_EQ(movri_list_remove(list_, -1, release_link), -1);
    EXPECT_EQ(movri_list_remove(list_, 1, release_link), 3);
    EXPECT_EQ(chain(), (std::vector<movri_element *>{&g_pool[0], &g_pool[2], &g_pool[3]}));
    EXPECT_EQ(movri_list_remove(list_, 2, release_link), 2);
    EXPECT_EQ(movri_list_at(list_, 1), &g_pool[2]);
    EXPECT_EQ(movri_list_remove(list_, 0, release_link), 1);
    EXPECT_EQ(movri_list_at(list_, 0), &g_pool[2]);
    EXPECT_EQ(movri_list_remove(list_, 0, release_link), 0);
    EXPECT_EQ(movri_list_at(list_, 0), nullptr);
    EXPECT_EQ(movri_list_remove(list_, 0, release_link), -1);
    ASSERT_EQ(movri_list_insert(list_, link_to(5), 3), 0);
    EXPECT_EQ(chain(), (std::vector<movri_element *>{&g_pool[5]}));
}

TEST_F(SequenceTest, AtOutsideTheSequenceGivesNull) {
    fill(3);
    EXPECT_EQ(movri_list_at(list_, -1), nullptr);
    EXPECT_EQ(movri_list_at(list_, 3), nullptr);
    EXPECT_EQ(movri_list_at(nullptr, 0), nullptr);
    movri_link stray{nullptr, &g_pool[0]};
    EXPECT_EQ(movri_list_insert(nullptr, &stray, 0), -1);
    EXPECT_EQ(movri_list_insert(list_, nullptr, 0), -1);
    EXPECT_EQ(movri_list_remove(nullptr, 0, release_link), -1);
    movri_list_free(nullptr, release_link);
}

std::vector<movri_element *> g_released;
void record_release(movri_link *link) {
    g_released.push_back(link->element);
    release_link(link);
}

TEST(Sequence, FreeHandsOverElementsInPositionOrder) {
    movri_list *list = movri_list_new();
    ASSERT_NE(list, nullptr);
    for (int i : {2, 0, 1})
        ASSERT_EQ(movri_list_insert(list, link_to(i), i == 2 ? -1 : 0), 0);
    g_released.clear();
    movri_list_free(list, record_release);
    EXPECT_EQ(g_released, (std::vector<movri_element *>{&g_pool[1], &g_pool[0], &g_pool[2]}));
}

// Random inserts, removes and reads, each in a style the shortcuts treat
// differently (at the end, at the front, in the middle, rising walks,
// repeated reads, reads going backwards), checked against a vector.
TEST_F(SequenceTest, ShortcutsAgreeWithAReferenceModelOverRandomOperations) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 200; ++round) {
        movri_list_free(list_, release_link);
        ASSERT_NE(list_ = movri_list_new(), nullptr);
        std::vector<movri_element *> model;
        for (int step = 0; step < 120; ++step) {
            const int32_t size = static_cast<int32_t>(model.size());
            const int32_t pos = std::uniform_int_distribution<int32_t>(-2, size + 2)(random);
            switch (std::uniform_int_distribution<int>(0, 5)(random)) {
                case 0:
                case 1: {
                    movri_element *element = &g_pool[random() % 64];
                    ASSERT_EQ(movri_list_insert(list_, link_to(element), pos), 0);
                    const int32_t at = (pos < 0 || pos > size) ? size : pos;
                    model.insert(model.begin() + at, element);
                    break;
                }
                case 2: {
                    const bool valid = pos >= 0 && pos < size;
                    ASSERT_EQ(movri_list_remove(list_, pos, release_link), valid ? size - 1 : -1);
                    if (valid) model.erase(model.begin() + pos);
                    break;
                }
                case 3:
                    for (int32_t p = pos < 0 ? 0 : pos; p < size; ++p)
                        ASSERT_EQ(movri_list_at(list_, p), model[p]) << "rising at " << p;
                    break;
                case 4:
                    for (int32_t p = size - 1; p >= 0 && p >= pos; --p)
                        ASSERT_EQ(movri_list_at(list_, p), model[p]) << "falling at " << p;
                    break;
                default:
                    for (int repeat = 0; repeat < 2; ++repeat) {
                        const bool valid = pos >= 0 && pos < size;
                        ASSERT_EQ(movri_list_at(list_, pos), valid ? model[pos] : nullptr);
                    }
            }
            ASSERT_EQ(list_->count, static_cast<int32_t>(model.size()));
            ASSERT_EQ(chain(), model) << "round " << round << " step " << step;
        }
    }
}

// An application that swaps in a chain of its own (its links from the
// library's heap, so the library can release them).
movri_link *make_chain(std::initializer_list<int> pool_indexes) {
    movri_link *head = nullptr;
    movri_link **slot = &head;
    for (int i : pool_indexes) {
        auto *link = static_cast<movri_link *>(movri_malloc(sizeof(movri_link)));
        *link = movri_link{nullptr, &g_pool[i]};
        *slot = link;
        slot = &link->next;
    }
    return head;
}

void free_links(movri_link *link, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        movri_link *next = link->next;
        movri_free(link);
        link = next;
    }
}

TEST_F(SequenceTest, ShortcutsAreDroppedWhenTheApplicationSwapsTheChain) {
    fill(5);
    EXPECT_EQ(movri_list_at(list_, 3), &g_pool[3]);  // cursor at 3
    EXPECT_EQ(movri_list_at(list_, 4), &g_pool[4]);  // tail known
    movri_link *original = list_->head;

    list_->head = make_chain({10, 11, 12});
    list_->count = 3;
    EXPECT_EQ(movri_list_at(list_, 2), &g_pool[12]);
    EXPECT_EQ(movri_list_at(list_, 1), &g_pool[11]);
    ASSERT_EQ(movri_list_insert(list_, link_to(13), -1), 0);
    EXPECT_EQ(chain(),
              (std::vector<movri_element *>{&g_pool[10], &g_pool[11], &g_pool[12], &g_pool[13]}));
    free_links(original, 5);
}

// The walk's next step and the append at the tail are taken inline, and
// only while the chain still reads as the shortcuts left it.
TEST_F(SequenceTest, StepAndAppendCheckTheChainFirst) {
    fill(3);
    EXPECT_EQ(movri_list_at(list_, 0), &g_pool[0]);  // cursor at 0
    movri_link *first = list_->head;
    list_->head = make_chain({10, 11});
    list_->count = 2;
    EXPECT_EQ(movri_list_at(list_, 1), &g_pool[11]);  // tail known from here

    movri_link *second = list_->head;
    list_->head = make_chain({20});
    list_->count = 1;
    ASSERT_EQ(movri_list_insert(list_, link_to(21), -1), 0);
    EXPECT_EQ(chain(), (std::vector<movri_element *>{&g_pool[20], &g_pool[21]}));
    free_links(first, 3);
    free_links(second, 2);
}

TEST_F(SequenceTest, ShortcutsAreDroppedWhenTheApplicationShortensTheCount) {
    fill(5);
    EXPECT_EQ(movri_list_at(list_, 4), &g_pool[4]);
    EXPECT_EQ(movri_list_at(list_, 3), &g_pool[3]);
    movri_link *cut_off = list_->head->next->next;

    list_->count = 2;
    EXPECT_EQ(movri_list_at(list_, 1), &g_pool[1]);
    EXPECT_EQ(movri_list_at(list_, 2), nullptr);
    ASSERT_EQ(movri_list_insert(list_, link_to(7), 2), 0);
    EXPECT_EQ(chain(), (std::vector<movri_element *>{&g_pool[0], &g_pool[1], &g_pool[7]}));
    EXPECT_EQ(movri_list_remove(list_, 2, release_link), 2);
    EXPECT_EQ(movri_list_at(list_, 1), &g_pool[1]);
    free_links(cut_off, 3);
}

}  // namespace
