// Threads that each build, render, parse and clone messages of their own, at
// once, against the shipped library: what each thread gets must be what it
// would get alone. Built with ThreadSanitizer in CI, which also reports any
// state the threads share without synchronisation (the parser's hash-salt
// secret is drawn by whichever thread parses first).
#include "support/deepest_document.h"
#include "support/message_copy.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace msgcopy;

constexpr int kThreads = 4;
constexpr int kRounds = 300;

// A message that differs from thread to thread and round to round.
movri_msg *make_message(int thread, int round) {
    movri_msg *msg = nullptr;
    if (movri_msg_init(&msg) != 0) return nullptr;
    const std::string id = std::to_string(thread) + "-" + std::to_string(round);
    movri_msg_set_msgname(msg, "worker");
    movri_msg_set_id(msg, id.c_str());
    for (int i = 0; i < 1 + round % 30; ++i) {
        const std::string number = std::to_string(i);
        const std::string value = "v" + number + " <&> caf\xE9 " + id;
        movri_msg_append_element(msg, "ele", ("n" + number).c_str(), value.c_str());
    }
    return msg;
}

// One thread's rounds; the number of rounds whose results were wrong.
int run_rounds(int thread) {
    int wrong = 0;
    for (int round = 0; round < kRounds; ++round) {
        movri_msg *sent = make_message(thread, round);
        movri_msg *received = nullptr;
        movri_msg *copy = nullptr;
        char *document = nullptr;
        const bool done = sent != nullptr && movri_msg_to_str(sent, &document) == 0 &&
                          movri_msg_init(&received) == 0 &&
                          movri_msg_parse(received, document) == 0 &&
                          movri_msg_clone(received, &copy) == 0;
        const std::vector<ElementCopy> expected = elements_of(sent);
        if (!done || elements_of(received) != expected || elements_of(copy) != expected) ++wrong;
        movri_free(document);
        movri_msg_free(copy);
        movri_msg_free(received);
        movri_msg_free(sent);
    }
    return wrong;
}

TEST(ConcurrentMessages, ThreadsWithMessagesOfTheirOwnGetWhatEachWouldAlone) {
    std::vector<int> wrong(kThreads, 0);
    std::vector<std::thread> threads;
    std::atomic<int> waiting{kThreads};  // all start together, the first parse included
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&wrong, &waiting, t] {
            waiting.fetch_sub(1);
            while (waiting.load() > 0)
                std::this_thread::yield();
            wrong[t] = run_rounds(t);
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

struct StackProbe {
    const std::string *document;
    MessageCopy parsed;
};

void *parse_on_this_thread(void *argument) {
    auto &probe = *static_cast<StackProbe *>(argument);
    movri_msg *msg = nullptr;
    if (movri_msg_init(&msg) == 0 && movri_msg_parse(msg, probe.document->c_str()) == 0)
        probe.parsed = copy_of(msg);
    movri_msg_free(msg);
    return nullptr;
}

// The README promises that a parse fits in 64 KiB of stack, whatever the
// document: these two take the parser deepest.
TEST(ConcurrentMessages, TheDeepestDocumentParsesOnA64KiBThreadStack) {
    const struct {
        const char *name;
        std::string document;
        std::vector<ElementCopy> elements;
    } cases[] = {
        {"entity chain in nested elements",
         deepest::document(),
         {{"ele", "x", "x"}, {"ele", "x", "x"}}},
        {"entity chain holding markup", deepest::markup_chain(), {{"ele", "x", "x"}}},
    };
    for (const auto &c : cases) {
        pthread_attr_t attributes;
        ASSERT_EQ(pthread_attr_init(&attributes), 0);
        ASSERT_EQ(pthread_attr_setstacksize(&attributes, 64 * 1024), 0);
        StackProbe probe{&c.document, {}};
        pthread_t thread;
        ASSERT_EQ(pthread_create(&thread, &attributes, parse_on_this_thread, &probe), 0);
        ASSERT_EQ(pthread_join(thread, nullptr), 0);
        pthread_attr_destroy(&attributes);
        EXPECT_EQ(probe.parsed.elements, c.elements) << c.name;
    }
}

}  // namespace
