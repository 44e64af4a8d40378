#include "TestFiles.h"
#include "XmlTestSupport.h"
#include "common/Error.h"
#include "common/platform/FaultInjection.h"
#include "common/xml/Document.h"

#include <gtest/gtest.h>

using namespace quelvane;
using namespace quelvane::xml;
using namespace quelvane::xml::testing;

namespace {

// What the timetable document does to the centre document: the old root goes, a new one is
// built and appended, and everything else at document level stays where it was.
TEST(XmlDocumentTest, ReplacingTheRootKeepsDocumentLevelNodesAndAppendsTheNewRootLast)
{
    Document doc = Document::load(xmlFixture("declared-utf8-with-comments.xml"));
    const Element old = doc.selectSingleNode("/Centro");
    const std::string code = old.attribute("Codigo");

    doc.removeDocumentElement();
    EXPECT_TRUE(doc.documentElement().isNull());
    EXPECT_TRUE(doc.selectNodes("/Centro/Materias/Materia").empty());

    Element centro = doc.createElement("Centro");
    centro.setAttribute("Codigo", code);
    centro.setAttribute("Nombre", "IES Las Palmas");
    centro.setAttribute("CursoEscolar", "");
    centro.setAttribute("FechaExportacion", "11/12/2026 10:00:00");
    centro.setAttribute("Version", "3");
    centro.appendChild(doc.createElement("horario"));
    doc.appendDocumentElement(centro);
    Element horario = doc.selectSingleNode("/Centro/horario");
    ASSERT_FALSE(horario.isNull());
    Element actividad = doc.createElement("actividad");
    actividad.setAttribute("dia", "L");
    horario.appendChild(actividad);

    EXPECT_EQ(doc.serialize(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<!--Exportación de prueba-->\n"
              "<?generador versión=\"2.1\"?>\n"
              "<!--fin-->\n"
              "<Centro Codigo=\"35000001\" Nombre=\"IES Las Palmas\" CursoEscolar=\"\" "
              "FechaExportacion=\"11/12/2026 10:00:00\" Version=\"3\">"
              "<horario><actividad dia=\"L\"/></horario></Centro>\n");
    EXPECT_EQ(doc.documentElement().name(), "Centro");
}

TEST(XmlDocumentTest, EmptyDocumentHasNoDeclarationAndTakesARoot)
{
    Document doc;
    EXPECT_TRUE(doc.documentElement().isNull());
    EXPECT_TRUE(doc.selectNodes("/Centro").empty());
    EXPECT_EQ(doc.declaredEncoding(), "");

    doc.appendDocumentElement(doc.createElement("Centro"));

    EXPECT_EQ(doc.serialize(), "<Centro/>\n");
}

TEST(XmlDocumentTest, SetAttributeAppendsInCallOrderAndReplacesInPlace)
{
    Document doc;
    Element element = doc.createElement("actividad");
    element.setAttribute("b", "1");
    element.setAttribute("a", "2");
    element.setAttribute("b", "x & \"y\" <z>");
    element.setAttribute("c", "");
    doc.appendDocumentElement(element);

    EXPECT_EQ(doc.serialize(), "<actividad b=\"x &amp; &quot;y&quot; &lt;z&gt;\" a=\"2\" c=\"\"/>\n");
    EXPECT_EQ(element.attribute("b"), "x & \"y\" <z>");
    EXPECT_TRUE(element.hasAttribute("c"));
}

TEST(XmlDocumentTest, ElementsNeverAppendedHaveNoParentAndAreNotInTheTree)
{
    Document doc = parseText("<Centro/>");
    Element loose = doc.createElement("horario");
    doc.createElement("unused");

    EXPECT_TRUE(loose.parent().isNull());
    EXPECT_TRUE(doc.selectNodes("/Centro/horario").empty());
    EXPECT_EQ(doc.serialize(), "<Centro/>\n");
}

TEST(XmlDocumentTest, MovedDocumentKeepsItsTree)
{
    Document first = parseText("<Centro Codigo=\"1\"/>");
    Element created = first.createElement("horario");
    Document second = std::move(first);
    second.documentElement().appendChild(created);

    EXPECT_EQ(second.serialize(), "<Centro Codigo=\"1\"><horario/></Centro>\n");
}

// Mistakes in the calling code that would otherwise produce a file that does not load again.
TEST(XmlDocumentTest, RefusesEditsThatWouldWriteABrokenDocument)
{
    Document doc = parseText("<Centro/>");
    Element root = doc.documentElement();
    Document other;

    EXPECT_THROW(doc.createElement("dos palabras"), Error);
    EXPECT_THROW(doc.createElement(""), Error);
    EXPECT_THROW(root.setAttribute("1codigo", "x"), Error);
    EXPECT_THROW(root.setAttribute("Nombre", "control \x01 char"), Error);
    EXPECT_THROW(root.setAttribute("Nombre", "bad \xFF utf-8"), Error);
    EXPECT_THROW(root.setAttribute("Nombre", "cut \xC3"), Error);
    EXPECT_THROW(doc.appendDocumentElement(doc.createElement("Centro")), Error);
    EXPECT_THROW(root.appendChild(other.createElement("horario")), Error);
    EXPECT_THROW(root.appendChild(root), Error);
    EXPECT_THROW(Element().setAttribute("a", "b"), Error);
    EXPECT_EQ(doc.serialize(), "<Centro/>\n");

    EXPECT_EQ(errorOf([&] { root.setAttribute("Nombre", "control \x01 char"); }),
              "El valor del atributo Nombre del elemento Centro contiene el carácter U+0001, "
              "que un documento XML no admite.");
}

// Intake reads the centre document once, parsing it as it comes in pieces and hashing the same
// pieces: every byte is seen once and in order, every element and attribute is there, and a
// failure to read is reported as such rather than as a malformed document.
TEST(XmlDocumentTest, LoadForReadingSeesEveryByteAndKeepsElementsAndAttributes)
{
    quelvane::testsupport::TempFolder folder;
    const std::filesystem::path file = folder.path() / "centro.xml";
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Centro>\n  <Materias>\n";
    for (int i = 0; i < 3000; ++i)
        text += "    <Materia Codigo=\"M" + std::to_string(i) + "\" Denominacion=\"  Lengua  \"/>\n";
    text += "  </Materias>\n</Centro>\n";
    writeBytes(file, text);
    ASSERT_GT(text.size(), 150'000u);

    std::string seen;
    const Document doc = Document::loadForReading(file, [&seen](std::string_view piece) { seen += piece; });
    EXPECT_EQ(seen, text);
    const std::vector<Element> subjects = doc.selectNodes("/Centro/Materias/Materia");
    ASSERT_EQ(subjects.size(), 3000u);
    EXPECT_EQ(subjects.back().attribute("Codigo"), "M2999");
    EXPECT_EQ(subjects.front().attribute("Denominacion"), "  Lengua  ");

    platform::FaultInjection failingRead(2); // open, then the first read
    EXPECT_EQ(errorOf([&] { Document::loadForReading(file); }), "No se pudo leer el archivo " + file.string() + ".");
}

} // namespace
