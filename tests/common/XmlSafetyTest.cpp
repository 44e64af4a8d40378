#include "XmlTestSupport.h"
#include "common/Error.h"
#include "common/xml/Document.h"

#include <gtest/gtest.h>

using namespace quelvane;
using namespace quelvane::xml;
using namespace quelvane::xml::testing;

namespace {

constexpr const char* kMarker = "MARKER-FROM-OUTSIDE";

std::string replaced(std::string text, const std::string& placeholder, const std::string& value)
{
    for (std::size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at))
        text.replace(at, placeholder.size(), value);
    return text;
}

// Documents that try to pull text from outside through an entity. "{file}" stands for a local
// file holding a marker text; the marker must never reach the document nor the message.
struct EntityCase {
    const char* what;
    const char* document;
};

class XmlEntityTest : public ::testing::TestWithParam<EntityCase> { };

TEST_P(XmlEntityTest, RefusesDocumentsThatDeclareEntities)
{
    ScratchFolder folder("entity");
    const std::filesystem::path markerFile = folder.path() / "marker.txt";
    writeBytes(markerFile, kMarker);
    const std::string text = replaced(GetParam().document, "{file}", markerFile.string());

    const std::string message = errorOf([&] { parseText(text); });

    EXPECT_NE(message.find("El archivo prueba.xml declara la entidad"), std::string::npos) << message;
    EXPECT_EQ(message.find(kMarker), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    ExternalEntities, XmlEntityTest,
    ::testing::Values(
        EntityCase {"local file by path",
                    "<!DOCTYPE Centro [<!ENTITY ext SYSTEM \"{file}\">]><Centro Nombre=\"a\">&ext;</Centro>"},
        EntityCase {"local file by URL",
                    "<!DOCTYPE Centro [<!ENTITY ext SYSTEM \"file://{file}\">]><Centro>&ext;</Centro>"},
        EntityCase {"network URL",
                    "<!DOCTYPE Centro [<!ENTITY ext SYSTEM \"http://127.0.0.1:9/marker\">]><Centro>&ext;</Centro>"},
        EntityCase {"parameter entity read inside the DOCTYPE",
                    "<!DOCTYPE Centro [<!ENTITY % ext SYSTEM \"{file}\"> %ext;]><Centro/>"},
        EntityCase {"unparsed entity",
                    "<!DOCTYPE Centro [<!NOTATION txt SYSTEM \"text/plain\">"
                    "<!ENTITY ext SYSTEM \"{file}\" NDATA txt>]><Centro/>"},
        EntityCase {"entity after other declarations",
                    "<!DOCTYPE Centro [<!ELEMENT Centro ANY><!ATTLIST Centro Nombre CDATA #IMPLIED>\n"
                    "<!ENTITY ext SYSTEM \"{file}\">]><Centro>&ext;</Centro>"}));

TEST(XmlEntityTest, RefusesInternalEntitiesAndTheExpansionBomb)
{
    for (const char* fixture : {"doctype-internal-entity.xml", "doctype-entity-expansion-bomb.xml"}) {
        const std::filesystem::path file = xmlFixture(fixture);
        const std::string message = errorOf([&] { Document::load(file); });
        EXPECT_EQ(message.rfind("El archivo " + file.string() + " declara la entidad", 0), 0u) << message;
    }
    EXPECT_EQ(errorOf([] { Document::load(xmlFixture("doctype-internal-entity.xml")); }),
              "El archivo " + xmlFixture("doctype-internal-entity.xml").string()
                  + " declara la entidad «centro» (línea 3) en su DOCTYPE; un documento del centro no "
                    "necesita entidades y no se carga.");
}

// A DOCTYPE that only names an external DTD, or declares no entity, is accepted, and the DTD is
// never read: the one named here declares the marker as an entity and then breaks off, so
// reading it would either expand the marker or fail the load.
TEST(XmlExternalDtdTest, AcceptsTheDoctypeWithoutReadingTheDtd)
{
    ScratchFolder folder("dtd");
    const std::filesystem::path dtd = folder.path() / "centro.dtd";
    writeBytes(dtd, std::string("<!ENTITY marker \"") + kMarker + "\">\n<!BROKEN");
    const std::vector<std::string> documents {
        replaced("<!DOCTYPE Centro SYSTEM \"{dtd}\"><Centro Nombre=\"a&marker;b\">&marker;</Centro>", "{dtd}",
                 dtd.string()),
        replaced("<!DOCTYPE Centro PUBLIC \"-//Centro//ES\" \"file://{dtd}\"><Centro Nombre=\"ab\">&marker;</Centro>",
                 "{dtd}", dtd.string()),
    };

    for (const std::string& text : documents) {
        const Document doc = parseText(text);
        EXPECT_EQ(doc.documentElement().attribute("Nombre").find(kMarker), std::string::npos) << text;
        EXPECT_EQ(doc.serialize().find(kMarker), std::string::npos) << text;
    }

    const Document declarationsOnly = parseText("<!DOCTYPE Centro [<!ELEMENT Centro ANY>\n"
                                                "<!ATTLIST Centro Nombre CDATA #IMPLIED>]><Centro Nombre=\"a\"/>");
    EXPECT_EQ(declarationsOnly.documentElement().attribute("Nombre"), "a");

    const Document missing = Document::load(xmlFixture("doctype-external-dtd-only.xml"));
    EXPECT_EQ(missing.documentElement().attribute("Nombre"), "IES Las Palmas");
    EXPECT_NE(missing.serialize().find("<!DOCTYPE Centro SYSTEM \"no-such-folder/centro-que-no-existe.dtd\">"),
              std::string::npos);
}

// Malformed input names the file and where the parser stopped, in one line; libxml2's own
// words follow and are not pinned here.
struct MalformedCase {
    const char* fixture;
    const char* where;
};

class XmlMalformedTest : public ::testing::TestWithParam<MalformedCase> { };

TEST_P(XmlMalformedTest, NamesFileLineAndColumn)
{
    const std::filesystem::path file = xmlFixture(GetParam().fixture);

    const std::string message = errorOf([&] { Document::load(file); });

    const std::string expected = "El archivo " + file.string() + " no es un documento XML válido: " + GetParam().where;
    EXPECT_EQ(message.rfind(expected, 0), 0u) << message;
    EXPECT_GT(message.size(), expected.size()) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    MalformedFiles, XmlMalformedTest,
    ::testing::Values(MalformedCase {"malformed-unclosed-element.xml", "línea 5, columna 14: "},
                      MalformedCase {"malformed-repeated-attribute.xml", "línea 3, columna 37: "},
                      MalformedCase {"malformed-latin1-bytes-declared-utf8.xml", "línea 3, columna 27: "},
                      MalformedCase {"malformed-windows-1252-undefined-byte.xml", "línea 3, columna 31: "},
                      MalformedCase {"malformed-empty-file.xml", "línea 1, columna 1: "}));

TEST(XmlMalformedTest, MissingFileIsNamed)
{
    const std::filesystem::path file = xmlFixture("no-such-file.xml");

    const std::string message = errorOf([&] { Document::load(file); });

    EXPECT_NE(message.find(file.string()), std::string::npos) << message;
}

} // namespace
