#include "common/hash/Sha256.h"

#include <gtest/gtest.h>
#include <string>

namespace quelvane::hash {
namespace {

struct Vector {
    const char* title;
    std::string message;
    const char* digest;
};

class Sha256Vectors : public testing::TestWithParam<Vector> { };

// The published vectors, and lengths around the 56- and 64-byte edges where the padding takes a
// block of its own.
INSTANTIATE_TEST_SUITE_P(
    Sha256, Sha256Vectors,
    testing::Values(
        Vector {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        Vector {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        Vector {"two_blocks_448_bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        Vector {
            "two_blocks_896_bits",
            "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstn"
            "opqrstu",
            "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        Vector {"a_55", std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        Vector {"a_56", std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        Vector {"a_63", std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        Vector {"a_64", std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        Vector {"a_65", std::string(65, 'a'), "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
        Vector {"a_119", std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
        Vector {"a_120", std::string(120, 'a'), "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
        Vector {"a_million", std::string(1000000, 'a'),
                "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}),
    [](const testing::TestParamInfo<Vector>& info) { return std::string(info.param.title); });

TEST_P(Sha256Vectors, OneShot)
{
    EXPECT_EQ(sha256Hex(GetParam().message), GetParam().digest);
}

// Fed in uneven pieces that straddle the block edges, the digest is the same.
TEST_P(Sha256Vectors, InPieces)
{
    const std::string& message = GetParam().message;
    Sha256 digest;
    std::size_t at = 0;
    for (std::size_t piece = 1; at < message.size(); piece = piece * 3 % 97 + 1) {
        digest.update(std::string_view(message).substr(at, piece));
        at += piece;
    }
    EXPECT_EQ(digest.finishHex(), GetParam().digest);
}

// Where the processor has SHA instructions the tests above run through them; the portable
// code must give the same digests, whole and in pieces.
TEST_P(Sha256Vectors, PortableCode)
{
    const std::string& message = GetParam().message;
    Sha256 whole = Sha256::portable();
    whole.update(message);
    EXPECT_EQ(whole.finishHex(), GetParam().digest);

    Sha256 pieces = Sha256::portable();
    for (std::size_t at = 0, piece = 1; at < message.size(); at += piece, piece = piece * 7 % 131 + 1)
        pieces.update(std::string_view(message).substr(at, piece));
    EXPECT_EQ(pieces.finishHex(), GetParam().digest);
}

} // namespace
} // namespace quelvane::hash
