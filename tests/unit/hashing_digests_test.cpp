// MD5 and SHA-1 against the published test vectors, in one piece and in
// pieces of every awkward size, and both SHA-1 block functions alike.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/sha1.h"
#include "digest_text.h"

namespace {

std::string random_bytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator());
    return bytes;
}

struct Vector {
    std::string input;
    const char* digest;
};

}  // namespace

TEST(Md5, PublishedVectors) {
    // The test suite of RFC 1321, appendix A.5.
    const Vector vectors[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const Vector& v : vectors) EXPECT_EQ(md5_text(v.input), v.digest) << '"' << v.input << '"';
}

TEST(Sha1, PublishedVectors) {
    // FIPS 180-1, appendices A to C, and the empty input.
    const Vector vectors[] = {
        {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
    };
    for (bool portable : {false, true}) {
        sha1::use_portable_only(portable);
        for (const Vector& v : vectors)
            EXPECT_EQ(sha1_text(v.input), v.digest) << v.input.substr(0, 60) << (portable ? " (portable)" : "");
    }
    sha1::use_portable_only(false);
}

// Pieces that end inside a block, on a block's edge and across several
// blocks give the digest of the whole, around every padding boundary.
TEST(Digests, PiecesGiveTheDigestOfTheWhole) {
    const size_t lengths[] = {55, 56, 57, 63, 64, 65, 119, 120, 128, 1000, 65537};
    const size_t pieces[] = {1, 7, 63, 64, 65, 200};
    for (size_t length : lengths) {
        std::string data = random_bytes(length, static_cast<unsigned>(length));
        std::string md5_whole = md5_text(data), sha1_whole = sha1_text(data);
        for (size_t piece : pieces) {
            EXPECT_EQ(md5_text(data, piece), md5_whole) << length << " in pieces of " << piece;
            EXPECT_EQ(sha1_text(data, piece), sha1_whole) << length << " in pieces of " << piece;
        }
    }
}

TEST(Sha1, ProcessorAndPortableBlockFunctionsAgree) {
    if (!sha1::uses_processor_instructions()) GTEST_SKIP() << "this processor has no SHA instructions";
    for (size_t length = 0; length < 300; length += 13) {
        std::string data = random_bytes(length * 17, static_cast<unsigned>(length));
        std::string fast = sha1_text(data);
        sha1::use_portable_only(true);
        EXPECT_EQ(sha1_text(data), fast) << data.size() << " bytes";
        sha1::use_portable_only(false);
    }
}
