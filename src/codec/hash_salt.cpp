#include "hash_salt.h"

#include <atomic>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <sys/random.h>
#include <unistd.h>
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

// The secret's life: drawn by the one thread that moves it from Absent to
// Drawing; read by every thread once it is Ready. All-zero bytes are an
// absent secret.
enum SecretState : int { kAbsent, kDrawing, kReady };

struct Secret {
    std::atomic<int> state;
    uint64_t key[2];
    std::atomic<uint64_t> salts_given;
};

#if defined(__linux__) && defined(MADV_WIPEONFORK)
// The secret lives in a page of its own that the kernel empties in every
// child, however the child was made (fork, _Fork, a raw system call, clone
// without CLONE_VM): a child always finds no secret and draws one of its
// own, even when the fork came while its parent was drawing. The page is
// made once per process and kept; where the kernel cannot empty it, the
// library gives no salts and expat draws each parser's own.
std::atomic<Secret *> secret_page{nullptr};
Secret no_page{};  // stands in secret_page when no page could be made

// The page every thread uses: this one, unless another thread published one
// first.
Secret *publish(Secret *page) {
    Secret *expected = nullptr;
    return secret_page.compare_exchange_strong(expected, page, std::memory_order_acq_rel)
               ? page
               : expected;
}

Secret *make_secret_page() {
    const auto size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
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

Secret *secret() {
    Secret *page = secret_page.load(std::memory_order_acquire);
    if (page == nullptr) page = make_secret_page();
    return page != &no_page ? page : nullptr;
}

bool draw_secret(Secret &s) {
    int expected = kAbsent;
    if (!s.state.compare_exchange_strong(expected, kDrawing, std::memory_order_acquire))
        return false;
    uint64_t drawn[2];
    if (getrandom(drawn, sizeof drawn, GRND_NONBLOCK) != sizeof drawn) {
        s.state.store(kAbsent, std::memory_order_release);
        return false;
    }
    s.key[0] = drawn[0];
    s.key[1] = drawn[1];
    s.state.store(kReady, std::memory_order_release);
    return true;
}
#else
// Elsewhere expat draws each parser's salt itself.
Secret *secret() { return nullptr; }
bool draw_secret(Secret &) { return false; }
#endif

}  // namespace

namespace movri {

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

unsigned long next_hash_salt() {
    Secret *s = secret();
    if (s == nullptr) return 0;
    if (s->state.load(std::memory_order_acquire) != kReady && !draw_secret(*s)) return 0;
    const uint64_t n = s->salts_given.fetch_add(1, std::memory_order_relaxed);
    const auto salt = static_cast<unsigned long>(siphash24(s->key[0], s->key[1], n));
    return salt != 0 ? salt : 1;  // 0 would ask expat to draw its own
}

}  // namespace movri
