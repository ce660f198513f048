#include "hash_salt.h"

#include <atomic>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#if !defined(MADV_WIPEONFORK)
#define MADV_WIPEONFORK 18  // Linux 4.14; older kernels refuse it
#endif
#endif

namespace {

constexpr uint64_t rotate_left(uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

struct SipState {
    uint64_t v0, v1, v2, v3;

    void round() {
        v0 += v1;
        v1 = rotate_left(v1, 13) ^ v0;
        v0 = rotate_left(v0, 32);
        v2 += v3;
        v3 = rotate_left(v3, 16) ^ v2;
        v0 += v3;
        v3 = rotate_left(v3, 21) ^ v0;
        v2 += v1;
        v1 = rotate_left(v1, 17) ^ v2;
        v2 = rotate_left(v2, 32);
    }

    void absorb(uint64_t block) {
        v3 ^= block;
        round();
        round();
        v0 ^= block;
    }
};

}  // namespace

namespace movri {

void (*draw_pause_for_tests)() = nullptr;

uint64_t siphash24(uint64_t k0, uint64_t k1, uint64_t word) {
    SipState s{k0 ^ 0x736f6d6570736575, k1 ^ 0x646f72616e646f6d, k0 ^ 0x6c7967656e657261,
               k1 ^ 0x7465646279746573};
    s.absorb(word);
    s.absorb(uint64_t{8} << 56);  // the message's length in the last block
    s.v2 ^= 0xff;
    for (int i = 0; i < 4; ++i)
        s.round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

}  // namespace movri

#if defined(__linux__)
namespace {

// 0 would ask expat to draw its own salt.
unsigned long nonzero(uint64_t salt) { return salt != 0 ? static_cast<unsigned long>(salt) : 1; }

// Salts for when no drawn secret is at hand: keyed by the 16 random bytes the
// kernel gives every program at its start and by the clock, which a child
// reads differently from its parent. They need no system call but the
// clock's.
std::atomic<uint64_t> standby_salts_given{0};

uint64_t standby_salt() {
    uint64_t key[2] = {0, 0};
    // getauxval gives the bytes' address as an integer.
    if (const auto at_random = getauxval(AT_RANDOM); at_random != 0)
        std::memcpy(key,
                    reinterpret_cast<const void *>(at_random),  // NOLINT(performance-no-int-to-ptr)
                    sizeof key);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto clock = static_cast<uint64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    return movri::siphash24(key[0] ^ clock, key[1],
                            standby_salts_given.fetch_add(1, std::memory_order_relaxed));
}

// 16 bytes from the kernel: getrandom, or /dev/urandom where a sandbox
// refuses that call or the kernel predates it. false when both are refused.
bool kernel_random(uint64_t (&key)[2]) {
    if (getrandom(key, sizeof key, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof key)) return true;
    const int urandom = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (urandom < 0) return false;
    const bool filled = read(urandom, key, sizeof key) == static_cast<ssize_t>(sizeof key);
    close(urandom);
    return filled;
}

// The secret's life: drawn by the one thread that moves it from Absent to
// Drawing; read by every thread once it is Ready. All-zero bytes are an
// absent secret.
enum SecretState : int { kAbsent, kDrawing, kReady };

struct Secret {
    std::atomic<int> state;
    uint64_t key[2];
    std::atomic<uint64_t> salts_given;
};

// The secret lives in a page of its own that the kernel empties in every
// child, however the child was made (fork, _Fork, a raw system call, clone
// without CLONE_VM): a child always finds no secret and draws one of its
// own. The page is made on the first parse and unmapped when the library is
// unloaded. Where the kernel cannot empty it, or refuses the page, every
// salt is a standby one.
std::atomic<Secret *> secret_page{nullptr};
Secret no_page{};  // stands in secret_page when no page could be made

size_t page_size() { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }

// The page every thread uses: this one, unless another thread published one
// first.
Secret *publish(Secret *page) {
    Secret *expected = nullptr;
    return secret_page.compare_exchange_strong(expected, page, std::memory_order_acq_rel)
               ? page
               : expected;
}

Secret *make_secret_page() {
    const size_t size = page_size();
    void *page = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return publish(&no_page);
    if (madvise(page, size, MADV_WIPEONFORK) != 0) {
        munmap(page, size);
        return publish(&no_page);
    }
    Secret *made = publish(new (page) Secret{});
    if (made != page) munmap(page, size);  // another thread made one first
    return made;
}

// Parses using the page now, and whether the library is being unloaded. The
// page's destructor also runs at process exit, when other threads may still
// be parsing: it unmaps the page only when none is, and turns later parses
// to standby salts either way.
constexpr uint32_t kUnloading = 1U << 31;
std::atomic<uint32_t> page_users{0};

__attribute__((destructor)) void unmap_secret_page() {
    uint32_t idle = 0;
    if (!page_users.compare_exchange_strong(idle, kUnloading, std::memory_order_acq_rel)) {
        page_users.fetch_or(kUnloading, std::memory_order_acq_rel);
        return;  // a parse still reads the page: it stays mapped
    }
    Secret *page = secret_page.exchange(&no_page, std::memory_order_acq_rel);
    if (page != nullptr && page != &no_page) munmap(page, page_size());
}

Secret *secret() {
    Secret *page = secret_page.load(std::memory_order_acquire);
    if (page == nullptr) page = make_secret_page();
    return page != &no_page ? page : nullptr;
}

// Whether s holds a secret once this returns; false while another thread
// draws it. A fork in the middle of the draw (from a signal handler, say)
// gives a child whose page was emptied: it finds its draw undone and draws
// again, so it never keeps what its parent drew.
bool draw_secret(Secret &s) {
    for (;;) {
        int expected = kAbsent;
        if (!s.state.compare_exchange_strong(expected, kDrawing, std::memory_order_acquire))
            return expected == kReady;
        uint64_t drawn[2];
        if (!kernel_random(drawn)) {
            drawn[0] = standby_salt();
            drawn[1] = standby_salt();
        }
        if (movri::draw_pause_for_tests != nullptr) movri::draw_pause_for_tests();
        s.key[0] = drawn[0];
        s.key[1] = drawn[1];
        expected = kDrawing;
        if (s.state.compare_exchange_strong(expected, kReady, std::memory_order_release))
            return true;
    }
}

}  // namespace

namespace movri {

unsigned long next_hash_salt() {
    unsigned long salt = 0;
    if ((page_users.fetch_add(1, std::memory_order_acquire) & kUnloading) == 0) {
        Secret *s = secret();
        if (s != nullptr &&
            (s->state.load(std::memory_order_acquire) == kReady || draw_secret(*s))) {
            const uint64_t n = s->salts_given.fetch_add(1, std::memory_order_relaxed);
            salt = nonzero(siphash24(s->key[0], s->key[1], n));
        }
    }
    page_users.fetch_sub(1, std::memory_order_release);
    return salt != 0 ? salt : nonzero(standby_salt());
}

}  // namespace movri
#else
namespace movri {

unsigned long next_hash_salt() { return 0; }

}  // namespace movri
#endif
