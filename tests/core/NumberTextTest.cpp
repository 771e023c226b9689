#include <gtest/gtest.h>

#include "link/NumberText.h"

namespace {

TEST(NumberText, ReadsAsA32BitStrtoul) {
    struct Case {
        const char* text;
        int base;
        uint32_t value;
    };
    const Case cases[] = {
        {"19200", 10, 19200},
        {"  9600baud", 10, 9600},
        {"", 10, 0},
        {"abc", 10, 0},
        {"0x0ACD", 16, 0x0ACD},
        {"0X3710", 16, 0x3710},
        {"3710", 16, 0x3710},
        {"\t+0x10zz", 16, 0x10},
        {"-1", 10, 4294967295U},
        {"-0x1", 16, 4294967295U},
        {"4294967295", 10, 4294967295U},
        {"4294967296", 10, 4294967295U},
        {"123456789ABC", 16, 4294967295U},
        {"-4294967296", 10, 4294967295U},
        {"99999999999999999999999", 10, 4294967295U},
        {"- 5", 10, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(orvane::StrToUl32(c.text, c.base), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(orvane::StrToUl32(nullptr, 10), 0U);
}

}  // namespace
