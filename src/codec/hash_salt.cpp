#include "hash_salt.h"

#include <atomic>

#if defined(__linux__)
#include <pthread.h>
#include <sys/random.h>
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
// Drawing; read by every thread once it is Ready. Everything here is
// constant-initialised and trivially destructible.
enum SecretState : int { kAbsent, kDrawing, kReady };
std::atomic<int> secret_state{kAbsent};
uint64_t secret[2];
std::atomic<uint64_t> salts_given{0};

#if defined(__linux__)
bool fork_handler_registered = false;

// A forked child must not hand out the salts its parent goes on to use.
void forget_secret_in_child() { secret_state.store(kAbsent, std::memory_order_relaxed); }

bool draw_secret() {
    int expected = kAbsent;
    if (!secret_state.compare_exchange_strong(expected, kDrawing, std::memory_order_acquire))
        return false;
    uint64_t drawn[2];
    const bool drawn_whole = getrandom(drawn, sizeof drawn, GRND_NONBLOCK) == sizeof drawn;
    if (drawn_whole && !fork_handler_registered)
        fork_handler_registered = pthread_atfork(nullptr, nullptr, forget_secret_in_child) == 0;
    if (!drawn_whole || !fork_handler_registered) {
        secret_state.store(kAbsent, std::memory_order_release);
        return false;
    }
    secret[0] = drawn[0];
    secret[1] = drawn[1];
    secret_state.store(kReady, std::memory_order_release);
    return true;
}
#else
// Elsewhere expat draws each parser's salt itself.
bool draw_secret() { return false; }
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
    if (secret_state.load(std::memory_order_acquire) != kReady && !draw_secret()) return 0;
    const uint64_t n = salts_given.fetch_add(1, std::memory_order_relaxed);
    const auto salt = static_cast<unsigned long>(siphash24(secret[0], secret[1], n));
    return salt != 0 ? salt : 1;  // 0 would ask expat to draw its own
}

}  // namespace movri
