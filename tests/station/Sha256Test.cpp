// SHA-256 against the FIPS 180-4 examples, fed whole and in pieces.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <string>

#include "cli/station/Sha256.h"

namespace {

using orvane::cli::station::Sha256;
using orvane::cli::station::Sha256Hex;
using orvane::cli::station::Sha256OfFile;

TEST(Sha256Test, GivesTheKnownDigests) {
    struct Case {
        std::string message;
        const char* digest;
    } const cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: two blocks
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {std::string(64, 'x'), "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sha256Hex(c.message.data(), c.message.size()), c.digest) << c.message.size();
    }
}

TEST(Sha256Test, PiecesGiveTheDigestOfTheWhole) {
    const std::string message(300, 'q');
    const std::string whole = Sha256Hex(message.data(), message.size());
    for (std::size_t piece : {1U, 7U, 55U, 56U, 63U, 64U, 65U, 299U}) {
        Sha256 hash;
        for (std::size_t at = 0; at < message.size(); at += piece) {
            hash.Update(message.data() + at, std::min(piece, message.size() - at));
        }
        const auto digest = hash.Finish();
        char hex[65] = {};
        for (std::size_t i = 0; i < digest.size(); ++i) {
            std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
        }
        EXPECT_EQ(whole, hex) << piece;
    }
}

TEST(Sha256Test, HashesAFileAndTellsItsSize) {
    const std::string path = ::testing::TempDir() + "sha256-" + std::to_string(getpid());
    std::ofstream(path, std::ios::binary) << "abc";
    std::string hex;
    uint64_t size = 0;
    ASSERT_TRUE(Sha256OfFile(path, hex, &size));
    EXPECT_EQ(hex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(size, 3U);
    std::remove(path.c_str());
    EXPECT_FALSE(Sha256OfFile(path, hex, &size));
}

}  // namespace
