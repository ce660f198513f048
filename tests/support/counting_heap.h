// The test build's heap: counts what the library allocates and releases, and
// can be told to fail chosen allocations.
#pragma once

#include <cstdint>

namespace testheap {

// Makes the n-th allocation from now (1-based) fail; with every_after, all
// later ones fail too. n = 0 makes none fail.
void fail_at(int64_t n, bool every_after = false);

// Allocations attempted since the last fail_at or reset.
int64_t attempts();

// Blocks handed out and not yet released, over the whole run.
int64_t live_blocks();

// No failures from now on; the attempt count starts again.
void reset();

// Makes allocations fail as fail_at says for the scope's lifetime.
class FailureScope {
public:
    explicit FailureScope(int64_t n, bool every_after = false) { fail_at(n, every_after); }
    FailureScope(const FailureScope &) = delete;
    FailureScope &operator=(const FailureScope &) = delete;
    ~FailureScope() { reset(); }
};

}  // namespace testheap
