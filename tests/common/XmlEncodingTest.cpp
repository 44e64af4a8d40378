#include "XmlTestSupport.h"
#include "common/xml/Document.h"

#include <gtest/gtest.h>

using namespace quelvane::xml;
using namespace quelvane::xml::testing;

namespace {

// Each fixture holds the same document, written in the encoding its declaration names, with a
// comment and a processing instruction before the root and a comment after it. `saved` is byte
// for byte what saving it writes: the fixture itself, except that UTF-16 is always written
// little-endian with a byte order mark.
struct EncodingCase {
    const char* fixture;
    const char* declared;
    const char* saved;
};

class XmlEncodingTest : public ::testing::TestWithParam<EncodingCase> { };

TEST_P(XmlEncodingTest, LoadsTheTextOfEveryEncodingAsUtf8)
{
    const Document doc = Document::load(xmlFixture(GetParam().fixture));

    EXPECT_EQ(doc.declaredEncoding(), GetParam().declared);
    const std::vector<Element> subjects = doc.selectNodes("/Centro/Materias/Materia");
    ASSERT_EQ(subjects.size(), 2u);
    EXPECT_EQ(subjects[0].attribute("Denominacion"), "Física");
    EXPECT_EQ(subjects[1].attribute("Denominacion"), "Euro €");
    EXPECT_EQ(doc.documentElement().attribute("Nombre"), "IES Las Palmas");
}

TEST_P(XmlEncodingTest, SavesTheBytesItLoadedWithDeclarationCommentsAndInstructions)
{
    const Document doc = Document::load(xmlFixture(GetParam().fixture));
    const std::string expected = bytesOf(xmlFixture(GetParam().saved));

    EXPECT_EQ(doc.serialize(), expected);

    ScratchFolder folder("save");
    const std::filesystem::path saved = folder.path() / "salida.xml";
    writeBytes(saved, "an older file that saving replaces");
    doc.save(saved);
    EXPECT_EQ(bytesOf(saved), expected);
}

INSTANTIATE_TEST_SUITE_P(
    DeclaredEncodings, XmlEncodingTest,
    ::testing::Values(EncodingCase {"declared-utf8-with-comments.xml", "UTF-8", "declared-utf8-with-comments.xml"},
                      EncodingCase {"declared-iso-8859-1.xml", "ISO-8859-1", "declared-iso-8859-1.xml"},
                      EncodingCase {"declared-windows-1252.xml", "windows-1252", "declared-windows-1252.xml"},
                      EncodingCase {"declared-utf16-le-bom.xml", "UTF-16", "declared-utf16-le-bom.xml"},
                      EncodingCase {"declared-utf16-be-bom.xml", "UTF-16", "declared-utf16-le-bom.xml"}));

// Documents without a declaration, or whose declaration names no encoding, are written in
// UTF-8, and their declaration stays as it was.
struct DeclarationCase {
    const char* what;
    std::string input;
    std::string saved;
};

class XmlDeclarationTest : public ::testing::TestWithParam<DeclarationCase> { };

TEST_P(XmlDeclarationTest, KeepsTheDeclarationAsTheDocumentHadIt)
{
    EXPECT_EQ(parseText(GetParam().input).serialize(), GetParam().saved) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, XmlDeclarationTest,
    ::testing::Values(
        DeclarationCase {"no declaration", "<Centro Nombre=\"Física\"/>", "<Centro Nombre=\"Física\"/>\n"},
        DeclarationCase {"no encoding named", "<?xml version='1.0'?><Centro Nombre=\"Física\"/>",
                         "<?xml version=\"1.0\"?>\n<Centro Nombre=\"Física\"/>\n"},
        DeclarationCase {"standalone, no encoding", "<?xml version=\"1.0\" standalone=\"yes\"?><Centro/>",
                         "<?xml version=\"1.0\" standalone=\"yes\"?>\n<Centro/>\n"},
        DeclarationCase {"encoding name spelt in small letters",
                         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><Centro Nombre=\"Año\"/>",
                         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\n<Centro Nombre=\"Año\"/>\n"},
        DeclarationCase {"UTF-8 with byte order mark",
                         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><Centro Nombre=\"Año\"/>",
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Centro Nombre=\"Año\"/>\n"},
        DeclarationCase {"UTF-16 without declaration, which names no encoding to keep",
                         std::string("\xFF\xFE<\0C\0/\0>\0", 10), "<C/>\n"}));

TEST(XmlDeclarationTest, WritesCharactersTheDeclaredEncodingLacksAsReferences)
{
    Document doc = Document::load(xmlFixture("declared-iso-8859-1.xml"));
    doc.documentElement().setAttribute("Nombre", "Ωmega € Año");

    const std::string saved = doc.serialize();

    EXPECT_NE(saved.find("Nombre=\"&#937;mega &#8364; A\xF1o\""), std::string::npos) << saved;
    EXPECT_EQ(parseText(saved).documentElement().attribute("Nombre"), "Ωmega € Año");
}

} // namespace
