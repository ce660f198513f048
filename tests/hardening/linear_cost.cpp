// Parsing costs time linear in the document: the time per element (or per
// reference, or per line break) at each size stays within a generous bound of
// the time at a size ten times smaller. The timing is skipped where it means
// nothing: sanitizer builds, and runs under valgrind or with coverage, which
// set MOVRIMSG_SKIP_TIMING.
#include "movrimsg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

// A quadratic cost shows as a tenfold rise per step; a loaded machine may
// double a measurement, so the bound sits between the two.
constexpr double kAllowedRatio = 5.0;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

bool timing_skipped() { return kSanitized || std::getenv("MOVRIMSG_SKIP_TIMING") != nullptr; }

// Best of a few runs, in seconds per unit of size.
double seconds_per_unit(const std::string &document, size_t units) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        movri_msg *msg = nullptr;
        EXPECT_EQ(movri_msg_init(&msg), 0);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(movri_msg_parse(msg, document.c_str()), 0);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        movri_msg_free(msg);
        best = std::min(best, took.count());
    }
    return best / static_cast<double>(units);
}

std::string many_elements(size_t count) {
    std::string doc = "<?xml version='1.0'?><movrimsg><id>1</id><sn>2</sn>";
    for (size_t i = 0; i < count; ++i)
        doc += "<ele name='n" + std::to_string(i % 1000) + "'>value</ele>";
    return doc + "</movrimsg>";
}

std::string one_long_value(size_t count, const std::string &piece) {
    std::string doc = "<?xml version='1.0'?><movrimsg><ele name='v'>";
    for (size_t i = 0; i < count; ++i)
        doc += piece;
    return doc + "</ele></movrimsg>";
}

struct Shape {
    const char *what;
    std::function<std::string(size_t)> make;
};

// Each size is ten times the one before: a cost that grows faster than the
// size shows as a tenfold (or worse) rise in the time per unit.
constexpr size_t kSizes[] = {10000, 100000, 1000000};

TEST(LinearCost, ParseTimeGrowsLinearlyWithTheDocument) {
    if (timing_skipped()) GTEST_SKIP() << "timing means nothing in this build or run";
    const Shape shapes[] = {
        {"elements", many_elements},
        {"entity references", [](size_t n) { return one_long_value(n, "&amp;"); }},
        {"line breaks", [](size_t n) { return one_long_value(n, "\n"); }},
        {"character references", [](size_t n) { return one_long_value(n, "a&#233;"); }},
    };
    for (const Shape &shape : shapes) {
        seconds_per_unit(shape.make(1000), 1000);  // warms the heap and caches
        double previous = 0;
        for (const size_t size : kSizes) {
            const double now = seconds_per_unit(shape.make(size), size);
            std::printf("%s: %.1f ns per unit at %zu\n", shape.what, now * 1e9, size);
            if (previous > 0) {
                EXPECT_LE(now, previous * kAllowedRatio)
                    << shape.what << ": " << previous * 1e9 << " ns per unit at " << size / 10
                    << ", " << now * 1e9 << " ns at " << size;
            }
            previous = now;
        }
    }
}

TEST(LinearCost, DocumentsOfEverySizeParseWhole) {
    for (const size_t count : {1000u, 10000u, 100000u}) {
        movri_msg *msg = nullptr;
        ASSERT_EQ(movri_msg_init(&msg), 0);
        ASSERT_EQ(movri_msg_parse(msg, many_elements(count).c_str()), 0);
        EXPECT_EQ(movri_msg_eol(msg, static_cast<int32_t>(count + 1)), 0);
        EXPECT_EQ(movri_msg_eol(msg, static_cast<int32_t>(count + 2)), 1);
        movri_msg_free(msg);
    }
}

}  // namespace
