#include "common/text/Text.h"

#include "common/Error.h"

#include <gtest/gtest.h>

using namespace quelvane;
using namespace quelvane::text;

namespace {

struct CodePageCase {
    std::string cp1252;
    std::string utf8;
};

class CodePage : public testing::TestWithParam<CodePageCase> { };

TEST_P(CodePage, ConvertsBothWays)
{
    EXPECT_EQ(toUtf8(GetParam().cp1252), GetParam().utf8);
    EXPECT_EQ(toCp1252(GetParam().utf8), GetParam().cp1252);
}

INSTANTIATE_TEST_SUITE_P(Text, CodePage,
                         testing::Values(CodePageCase {"Aula 1", "Aula 1"}, CodePageCase {"F\xEDsica", "Física"},
                                         CodePageCase {"Mi\xE9rcoles S\xE1"
                                                       "bado",
                                                       "Miércoles Sábado"},
                                         CodePageCase {"\x80 \x8A\x9F\x85", "€ ŠŸ…"},
                                         CodePageCase {"\x81\x8D\x8F\x90\x9D",
                                                       "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
                                         CodePageCase {"\xA0\xFF\xD1", "\xC2\xA0ÿÑ"}));

TEST(Text, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(toCp1252(toUtf8(all)), all);
}

TEST(Text, WhatTheCodePageLacksBecomesAQuestionMark)
{
    EXPECT_EQ(toCp1252("Ω≠ł"), "???");
    EXPECT_EQ(toCp1252("a😀b"), "a?b");
    EXPECT_EQ(toCp1252("a\xFF"
                       "b\xC3"),
              "a?b?"); // broken UTF-8: one mark per bad byte
}

TEST(Text, TrimRemovesEverythingAtOrBelowTheBlank)
{
    EXPECT_EQ(trimControls(" \t\r\n\x01Mate m\xC3\xA1ticas \x1F\n"), "Mate m\xC3\xA1ticas");
    EXPECT_EQ(trimControls(" \t "), "");
    EXPECT_EQ(trimControls("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0"); // a no-break space is no blank
    EXPECT_EQ(trimTrailingBlanks("  A1   "), "  A1");
}

TEST(Text, IntegersAsPlainDecimal)
{
    EXPECT_EQ(integerText(0), "0");
    EXPECT_EQ(integerText(512), "512");
    EXPECT_EQ(integerText(-35), "-35");
    EXPECT_EQ(integerText(-2147483648LL), "-2147483648");
}

TEST(Text, CaseFoldingCoversTheCodePage)
{
    EXPECT_TRUE(equalsIgnoringCase("P1", "p1"));
    EXPECT_TRUE(equalsIgnoringCase("\xC1ULA", "\xE1ula")); // ÁULA / áula
    EXPECT_TRUE(equalsIgnoringCase("\x8A", "\x9A"));
    EXPECT_FALSE(equalsIgnoringCase("\xD7", "\xF7")); // × and ÷ are no pair
    EXPECT_FALSE(equalsIgnoringCase("A1", "A11"));
}

struct IntegerCase {
    std::string text;
    std::optional<std::int32_t> value;
};

class IntegerFromText : public testing::TestWithParam<IntegerCase> { };

TEST_P(IntegerFromText, ConvertsOrNamesTheText)
{
    const auto& c = GetParam();
    if (c.value) {
        EXPECT_EQ(parseInteger(c.text), *c.value);
    } else {
        try {
            parseInteger(c.text);
            FAIL() << "accepted '" << c.text << "'";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "'" + toUtf8(c.text) + "' no es un valor entero válido");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Text, IntegerFromText,
                         testing::Values(IntegerCase {"08", 8}, IntegerCase {"00", 0}, IntegerCase {"-5", -5},
                                         IntegerCase {" 7", 7}, IntegerCase {"2147483647", 2147483647},
                                         IntegerCase {"", {}}, IntegerCase {"8:", {}}, IntegerCase {":0", {}},
                                         IntegerCase {"7 ", {}}, IntegerCase {"1a", {}}, IntegerCase {"-", {}},
                                         IntegerCase {"2147483648", {}}, IntegerCase {"\xE1", {}}));

struct DecimalCase {
    std::string text;
    std::optional<double> value;
};

class DecimalFromText : public testing::TestWithParam<DecimalCase> { };

TEST_P(DecimalFromText, ReadsACommaSeparatorOnly)
{
    const auto& c = GetParam();
    if (c.value) {
        EXPECT_DOUBLE_EQ(parseDecimalComma(c.text), *c.value);
    } else {
        try {
            parseDecimalComma(c.text);
            FAIL() << "accepted '" << c.text << "'";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "'" + c.text + "' no es un valor punto flotante válido");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Text, DecimalFromText,
                         testing::Values(DecimalCase {"01,00", 1.0}, DecimalCase {"02,75", 2.75},
                                         DecimalCase {"2,5", 2.5}, DecimalCase {"3", 3.0}, DecimalCase {"-1,5", -1.5},
                                         DecimalCase {"", {}}, DecimalCase {"2.50", {}}, DecimalCase {"dos", {}},
                                         DecimalCase {"1,2,3", {}}, DecimalCase {",", {}}));

struct HandleCase {
    std::string text;
    std::optional<std::uint32_t> value;
};

class WindowHandle : public testing::TestWithParam<HandleCase> { };

TEST_P(WindowHandle, HexadecimalWithoutPrefix)
{
    EXPECT_EQ(parseWindowHandle(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Text, WindowHandle,
                         testing::Values(HandleCase {"1A2B", 0x1A2B}, HandleCase {"1a2b", 0x1A2B},
                                         HandleCase {"FFFFFFFF", 0xFFFFFFFFu}, HandleCase {"00001A2B", 0x1A2B},
                                         HandleCase {"0000000001A2B", 0x1A2B}, HandleCase {"0", 0},
                                         HandleCase {"123456789", {}}, HandleCase {"0x1A2B", {}}, HandleCase {"zz", {}},
                                         HandleCase {"", {}}, HandleCase {"-1", {}}, HandleCase {" 1A", {}}));

TEST(Text, NumbersReadFromFieldsAsText)
{
    EXPECT_EQ(numberText(5.0), "5");
    EXPECT_EQ(numberText(-3.0), "-3");
    EXPECT_EQ(numberText(2.5), "2.5");
    EXPECT_EQ(numberText(0.0), "0");
}

} // namespace
