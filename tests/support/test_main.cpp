// Runs the unit tests and fails the run when the library leaked: every block
// the counting heap handed out must be back when the tests end.
#include <gtest/gtest.h>

#include "support/counting_heap.h"

#include <cstdio>

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (testheap::live_blocks() != 0) {
        std::fprintf(stderr, "library blocks still allocated at exit: %lld\n",
                     static_cast<long long>(testheap::live_blocks()));
        return 1;
    }
    return result;
}
