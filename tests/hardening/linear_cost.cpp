// Documents of every size parse whole. That parsing them costs work linear in
// their size is checked by linear_cost.cmake, which counts instructions.
#include "linear_documents.h"

#include "movrimsg.h"

#include <gtest/gtest.h>

namespace {

TEST(LinearCost, DocumentsOfEverySizeParseWhole) {
    for (const size_t count : {1000u, 10000u, 100000u}) {
        movri_msg *msg = nullptr;
        ASSERT_EQ(movri_msg_init(&msg), 0);
        ASSERT_EQ(movri_msg_parse(msg, linear::many_elements(count).c_str()), 0);
        EXPECT_EQ(movri_msg_eol(msg, static_cast<int32_t>(count + 1)), 0);
        EXPECT_EQ(movri_msg_eol(msg, static_cast<int32_t>(count + 2)), 1);
        movri_msg_free(msg);
    }
}

}  // namespace
