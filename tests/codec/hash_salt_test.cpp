#include <gtest/gtest.h>

#include "codec/hash_salt.h"

#if defined(__linux__)
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <array>
#include <cstring>
#include <set>

#if defined(__linux__)
namespace {

// The kernel's random bytes as the library draws them: these when set.
const uint64_t *random_bytes_given = nullptr;

}  // namespace

extern "C" ssize_t getrandom(void *buffer, size_t length, unsigned int flags) {
    if (random_bytes_given == nullptr || length > 2 * sizeof(uint64_t))
        return syscall(SYS_getrandom, buffer, length, flags);
    std::memcpy(buffer, random_bytes_given, length);
    return static_cast<ssize_t>(length);
}
#endif

namespace {

TEST(HashSalt, SipHashGivesTheReferenceValues) {
    constexpr uint64_t kKey0 = 0x0706050403020100;  // the key bytes 00 .. 0f
    constexpr uint64_t kKey1 = 0x0f0e0d0c0b0a0908;
    const struct {
        uint64_t k0, k1, word, hash;
    } cases[] = {
        {kKey0, kKey1, 0x0706050403020100, 0x93f5f5799a932462},  // the bytes 00 .. 07
        {kKey0, kKey1, ~uint64_t{0}, 0x2a68ff30a3d9da34},
        {0, 0, 0, 0xe849e8bb6ffe2567},
    };
    for (const auto &c : cases)
        EXPECT_EQ(movri::siphash24(c.k0, c.k1, c.word), c.hash) << std::hex << c.word;
}

TEST(HashSalt, EveryParserGetsAFreshNonZeroSalt) {
#if !defined(__linux__)
    GTEST_SKIP() << "the secret is drawn on Linux only; elsewhere expat salts each parser itself";
#endif
    std::set<unsigned long> seen;
    for (int i = 0; i < 1000; ++i) {
        const unsigned long salt = movri::next_hash_salt();
        EXPECT_NE(salt, 0u);
        EXPECT_TRUE(seen.insert(salt).second) << "salt " << salt << " given twice";
    }
}

// The secret is the kernel's 16 bytes, whole: salts are their SipHash of 0,
// 1, 2, ...
TEST(HashSalt, SaltsAreTheSipHashOfACounterUnderTheKernelsBytes) {
#if !defined(__linux__)
    GTEST_SKIP() << "the secret is drawn on Linux only; elsewhere expat salts each parser itself";
#else
    static constexpr uint64_t kKernelBytes[2] = {0x0123456789abcdef, 0xfedcba9876543210};
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();  // a process that has not drawn its secret yet
    ASSERT_GE(child, 0);
    if (child == 0) {
        random_bytes_given = kKernelBytes;
        const std::array<unsigned long, 2> salts = {movri::next_hash_salt(),
                                                    movri::next_hash_salt()};
        _exit(write(channel[1], salts.data(), sizeof salts) == sizeof salts ? 0 : 1);
    }
    close(channel[1]);
    std::array<unsigned long, 2> salts{};
    EXPECT_EQ(read(channel[0], salts.data(), sizeof salts), static_cast<ssize_t>(sizeof salts));
    close(channel[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    for (uint64_t n = 0; n < salts.size(); ++n)
        EXPECT_EQ(salts[n], movri::siphash24(kKernelBytes[0], kKernelBytes[1], n)) << n;
#endif
}

// Without a secret of its own, a child would hand out the very salts its
// parent goes on to use, whatever made it: _Fork and a raw fork system call
// run no fork handlers.
TEST(HashSalt, EveryChildGivesOtherSaltsThanItsParent) {
#if !defined(__linux__)
    GTEST_SKIP() << "the secret is drawn on Linux only; elsewhere expat salts each parser itself";
#else
    const struct {
        const char *how;
        pid_t (*make_child)();
    } children[] = {
        {"fork", fork},
        {"_Fork", _Fork},
        {"the fork system call", [] { return static_cast<pid_t>(syscall(SYS_fork)); }},
    };
    for (const auto &c : children) {
        SCOPED_TRACE(c.how);
        movri::next_hash_salt();
        int channel[2];
        ASSERT_EQ(pipe(channel), 0);
        const pid_t child = c.make_child();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::array<unsigned long, 2> salts = {movri::next_hash_salt(),
                                                        movri::next_hash_salt()};
            const bool sent = write(channel[1], salts.data(), sizeof salts) == sizeof salts;
            _exit(sent ? 0 : 1);
        }
        close(channel[1]);
        std::array<unsigned long, 2> from_child{};
        ASSERT_EQ(read(channel[0], from_child.data(), sizeof from_child),
                  static_cast<ssize_t>(sizeof from_child));
        close(channel[0]);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const std::set<unsigned long> all = {movri::next_hash_salt(), movri::next_hash_salt(),
                                             from_child[0], from_child[1]};
        EXPECT_EQ(all.size(), 4u);
        EXPECT_EQ(all.count(0), 0u);
    }
#endif
}

// A fork while the secret is being drawn (a signal handler's, say) gives a
// child that carries on with its parent's draw; it must not keep what its
// parent drew, or both hand out the same salts.
TEST(HashSalt, AChildForkedDuringTheDrawDrawsItsOwnSecret) {
#if !defined(__linux__)
    GTEST_SKIP() << "the secret is drawn on Linux only; elsewhere expat salts each parser itself";
#else
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    // The first child has no secret yet: its page was emptied.
    const pid_t drawer = fork();
    ASSERT_GE(drawer, 0);
    if (drawer == 0) {
        static pid_t forked_during_draw = -1;
        movri::draw_pause_for_tests = [] {
            movri::draw_pause_for_tests = nullptr;
            forked_during_draw = fork();
        };
        const std::array<unsigned long, 2> salts = {movri::next_hash_salt(),
                                                    movri::next_hash_salt()};
        const bool sent = write(channel[1], salts.data(), sizeof salts) == sizeof salts;
        if (forked_during_draw > 0) waitpid(forked_during_draw, nullptr, 0);
        _exit(sent && forked_during_draw >= 0 ? 0 : 1);
    }
    close(channel[1]);
    std::array<unsigned long, 4> salts{};
    EXPECT_EQ(read(channel[0], salts.data(), sizeof salts / 2),
              static_cast<ssize_t>(sizeof salts / 2));
    EXPECT_EQ(read(channel[0], salts.data() + 2, sizeof salts / 2),
              static_cast<ssize_t>(sizeof salts / 2));
    close(channel[0]);
    int status = 0;
    ASSERT_EQ(waitpid(drawer, &status, 0), drawer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(std::set<unsigned long>(salts.begin(), salts.end()).size(), 4u);
#endif
}

}  // namespace
