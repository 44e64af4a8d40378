#include "XmlTestSupport.h"
#include "common/xml/Document.h"
#include "common/xml/LeafElements.h"

#include <array>
#include <gtest/gtest.h>

using namespace quelvane::xml;
using namespace quelvane::xml::testing;

namespace {

const std::vector<std::string_view> attributeNames = {"tipo", "codigoProfesor", "dia", "HoraInicio"};

// Values that exercise every escape of an attribute value, characters that Latin-1 and
// Windows-1252 lack (written as character references there) and one outside the BMP.
const std::vector<std::array<std::string_view, 4>> rows = {
    {"CCM", "P1", "L", "08:00"},
    {"", "Física", "X", ""},
    {"a&b<c>d\"e'f", "Euro € y 𝄞", "J", "tab\there"},
    {"línea\nnueva", "cr\rx", "  espacios  ", "Ñandú"},
};

// The timetable document's shape: the centre document's root replaced by Centro/horario.
Element emptyHorario(Document& doc)
{
    doc.removeDocumentElement();
    Element centro = doc.createElement("Centro");
    centro.setAttribute("Codigo", "35000001");
    doc.appendDocumentElement(centro);
    Element horario = doc.createElement("horario");
    centro.appendChild(horario);
    return horario;
}

void appendAsNodes(Document& doc, Element parent, std::size_t from, std::size_t to)
{
    for (std::size_t r = from; r < to; ++r) {
        Element element = doc.createElement("actividad");
        for (std::size_t i = 0; i < attributeNames.size(); ++i)
            element.setAttribute(attributeNames[i], rows[r][i]);
        parent.appendChild(element);
    }
}

void appendAsLeaves(Element parent, std::size_t from, std::size_t to)
{
    LeafElements leaves("actividad", attributeNames);
    for (std::size_t r = from; r < to; ++r)
        leaves.add(rows[r]);
    EXPECT_EQ(leaves.size(), to - from);
    leaves.appendTo(parent);
    EXPECT_EQ(leaves.size(), 0u);
}

struct SourceCase {
    const char* what;
    std::string bytes;
};

std::vector<SourceCase> sources()
{
    std::vector<SourceCase> cases;
    for (const char* fixture : {"declared-utf8-with-comments.xml", "declared-iso-8859-1.xml",
                                "declared-windows-1252.xml", "declared-utf16-le-bom.xml"})
        cases.push_back({fixture, bytesOf(xmlFixture(fixture))});
    cases.push_back({"no declaration", "<Centro/>"});
    cases.push_back({"declaration without encoding", "<?xml version=\"1.0\"?><Centro/>"});
    return cases;
}

class XmlLeafElementsTest : public ::testing::TestWithParam<SourceCase> { };

// The point of the class: the saved bytes cannot tell leaves from nodes, whatever the encoding,
// also when leaves and nodes alternate under one parent.
TEST_P(XmlLeafElementsTest, SavesTheBytesOfTheSameElementsMadeAsNodes)
{
    Document asNodes = parseText(GetParam().bytes);
    Document asLeaves = parseText(GetParam().bytes);
    Element nodesParent = emptyHorario(asNodes);
    Element leavesParent = emptyHorario(asLeaves);

    appendAsNodes(asNodes, nodesParent, 0, rows.size());
    appendAsLeaves(leavesParent, 0, 2);
    appendAsNodes(asLeaves, leavesParent, 2, 3);
    appendAsLeaves(leavesParent, 3, rows.size());

    const std::string saved = asLeaves.serialize();
    EXPECT_EQ(saved, asNodes.serialize());
    const Document reloaded = Document::parse(saved, "recargado.xml");
    const std::vector<Element> loaded = reloaded.selectNodes("/Centro/horario/actividad");
    ASSERT_EQ(loaded.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t i = 0; i < attributeNames.size(); ++i)
            EXPECT_EQ(loaded[r].attribute(attributeNames[i]), rows[r][i]) << r << " " << attributeNames[i];
}

TEST_P(XmlLeafElementsTest, NothingAddedLeavesTheParentEmpty)
{
    Document doc = parseText(GetParam().bytes);
    Document reference = parseText(GetParam().bytes);
    Element horario = emptyHorario(doc);
    emptyHorario(reference);

    LeafElements("actividad", attributeNames).appendTo(horario);

    EXPECT_EQ(doc.serialize(), reference.serialize());
}

INSTANTIATE_TEST_SUITE_P(Encodings, XmlLeafElementsTest, ::testing::ValuesIn(sources()),
                         [](const ::testing::TestParamInfo<SourceCase>& info) {
                             std::string name;
                             for (const char c : std::string(info.param.what))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(XmlLeafElementsErrors, RefusesWhatWouldMakeTheDocumentUnreadable)
{
    EXPECT_EQ(errorOf([] { LeafElements("1actividad", {"tipo"}); }),
              "\"1actividad\" no es un nombre de elemento XML válido.");
    EXPECT_EQ(errorOf([] {
                  LeafElements("actividad", {"tipo", "dia tipo"});
              }),
              "\"dia tipo\" no es un nombre de atributo XML válido.");
    EXPECT_EQ(errorOf([] {
                  LeafElements("actividad", {"tipo", "dia", "tipo"});
              }),
              "El atributo tipo aparece dos veces en el elemento actividad.");

    Document doc = parseText("<Centro/>");
    Document reference = parseText("<Centro/>");
    LeafElements leaves("actividad", {"tipo", "dia"});
    leaves.add(std::array<std::string_view, 2> {"CCM", "L"});
    // The same sentence as Element::setAttribute gives, and the element is not half written.
    EXPECT_EQ(errorOf([&] {
                  leaves.add(std::array<std::string_view, 2> {"CCM", "L\x01"});
              }),
              "El valor del atributo dia del elemento actividad contiene el carácter U+0001, "
              "que un documento XML no admite.");
    EXPECT_EQ(errorOf([&] {
                  leaves.add(std::array<std::string_view, 2> {"\xC3", "L"});
              }),
              "El valor del atributo tipo del elemento actividad no es texto UTF-8 válido.");
    EXPECT_EQ(errorOf([&] { leaves.add(std::array<std::string_view, 1> {"CCM"}); }),
              "El elemento actividad lleva 2 atributos y se dieron 1 valores.");
    EXPECT_EQ(leaves.size(), 1u);
    leaves.appendTo(doc.documentElement());

    Element element = reference.createElement("actividad");
    element.setAttribute("tipo", "CCM");
    element.setAttribute("dia", "L");
    reference.documentElement().appendChild(element);
    EXPECT_EQ(doc.serialize(), reference.serialize());
    EXPECT_EQ(errorOf([&] { leaves.appendTo(Element()); }), "Operación XML sobre un elemento nulo: appendTo.");
}

} // namespace
