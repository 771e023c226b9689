// The permission check that the device list shows next to each hidraw node.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/HidAccess.h"

namespace {

class HidAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_path =
            std::filesystem::temp_directory_path() / ("hid-access-" + std::to_string(getpid()));
        std::ofstream(m_path) << "node";
    }
    void TearDown() override { std::filesystem::remove(m_path); }

    std::filesystem::path m_path;
};

TEST_F(HidAccessTest, ReadableAndWritableNodeIsAccessible) {
    EXPECT_TRUE(orvane::HidPathAccessible(m_path.string()));
}

TEST_F(HidAccessTest, MissingOrEmptyPathIsNot) {
    EXPECT_FALSE(orvane::HidPathAccessible(m_path.string() + "-missing"));
    EXPECT_FALSE(orvane::HidPathAccessible(""));
}

TEST_F(HidAccessTest, NodeWithoutWritePermissionIsNot) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may write whatever the mode says";
    }
    ASSERT_EQ(chmod(m_path.c_str(), 0444), 0);
    EXPECT_FALSE(orvane::HidPathAccessible(m_path.string()));
}

}  // namespace
