#include "XmlTestSupport.h"
#include "common/xml/AttributeValue.h"

#include <gtest/gtest.h>

using namespace quelvane::xml;
using namespace quelvane::xml::testing;

namespace {

// The value the working tables take: trimmed of everything at or below the blank (and of
// nothing else: U+00A0 stays), then in Windows-1252 with "?" for what 1252 lacks.
struct ValueCase {
    const char* what;
    const char* written; // the attribute as it appears in the document
    std::string value;
};

class XmlAttributeValueTest : public ::testing::TestWithParam<ValueCase> { };

TEST_P(XmlAttributeValueTest, TrimsAndConvertsToWindows1252)
{
    const Document doc = parseText(std::string("<Materia ") + GetParam().written + "/>");

    EXPECT_EQ(attributeValue(doc.documentElement(), "Denominacion"), GetParam().value) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Values, XmlAttributeValueTest,
    ::testing::Values(ValueCase {"plain", "Denominacion=\"Física\"", "F\xEDsica"},
                      ValueCase {"blanks", "Denominacion=\"  Física  \"", "F\xEDsica"},
                      ValueCase {"tabs and line breaks", "Denominacion=\"&#9;&#10;Física&#13;&#10; \"", "F\xEDsica"},
                      ValueCase {"inner blanks kept", "Denominacion=\" Física y  Química \"",
                                 "F\xEDsica y  Qu\xEDmica"},
                      ValueCase {"no-break space is not trimmed", "Denominacion=\"&#160;Física&#160;\"",
                                 "\xA0"
                                 "F\xEDsica\xA0"},
                      ValueCase {"euro sign", "Denominacion=\" 3 € \"", "3 \x80"},
                      ValueCase {"character 1252 lacks", "Denominacion=\"Ωmega\"", "?mega"},
                      ValueCase {"only blanks", "Denominacion=\" &#9; \"", ""},
                      ValueCase {"empty", "Denominacion=\"\"", ""}, ValueCase {"absent", "Codigo=\"FIS\"", ""}));

} // namespace
