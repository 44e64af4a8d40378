#include "XmlTestSupport.h"
#include "common/Error.h"
#include "common/xml/Document.h"

#include <gtest/gtest.h>

using namespace quelvane;
using namespace quelvane::xml;
using namespace quelvane::xml::testing;

namespace {

const char* const kGroups = R"(<Centro Codigo="C">
  <Grupos>
    <Grupo Codigo="1A"><MateriasGrupo><MateriaGrupo Codigo="M1"/><MateriaGrupo Codigo="M2"/></MateriasGrupo></Grupo>
    <Otro><Grupo Codigo="nested"/></Otro>
    <!-- a comment between groups -->
    <Grupo Codigo="1B">
      <MateriasGrupo><MateriaGrupo Codigo="M3"/></MateriasGrupo>
      <MateriasGrupo><MateriaGrupo Codigo="M4"/></MateriasGrupo>
    </Grupo>
  </Grupos>
  <Grupos><Grupo Codigo="2A"/></Grupos>
  <p:Grupos xmlns:p="urn:otro"><p:Grupo Codigo="prefixed"/></p:Grupos>
</Centro>)";

std::string codes(const std::vector<Element>& elements)
{
    std::string joined;
    for (const Element& element : elements)
        joined += (joined.empty() ? "" : ",") + element.attribute("Codigo");
    return joined;
}

struct PathCase {
    const char* path;
    const char* codes;
};

class XmlSelectTest : public ::testing::TestWithParam<PathCase> { };

TEST_P(XmlSelectTest, SelectsInDocumentOrder)
{
    const Document doc = parseText(kGroups);

    const std::vector<Element> found = doc.selectNodes(GetParam().path);

    EXPECT_EQ(codes(found), GetParam().codes) << GetParam().path;
    const Element first = doc.selectSingleNode(GetParam().path);
    EXPECT_EQ(first.isNull(), found.empty());
    if (!found.empty()) {
        EXPECT_EQ(first.node(), found.front().node());
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, XmlSelectTest,
                         ::testing::Values(PathCase {"/Centro", "C"}, PathCase {"/Centro/Grupos/Grupo", "1A,1B,2A"},
                                           PathCase {"/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo", "M1,M2,M3,M4"},
                                           PathCase {"/Centro/p:Grupos/p:Grupo", "prefixed"},
                                           PathCase {"/Centro/Aulas/Aula", ""}, PathCase {"/Grupos/Grupo", ""},
                                           PathCase {"/centro/grupos/grupo", ""},
                                           PathCase {"/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo/Nada", ""}));

TEST(XmlSelectTest, RefusesPathsThatAreNotAbsoluteElementNames)
{
    const Document doc = parseText(kGroups);
    for (const char* path : {"", "/", "Centro/Grupos", "/Centro//Grupo", "/Centro/", "//Grupo"})
        EXPECT_THROW(doc.selectNodes(path), Error) << path;
}

// Walking the children by name finds what the path finds, in the same order: other elements,
// comments, whitespace and prefixed names are passed over.
TEST(XmlSelectTest, WalkingChildrenByNameMatchesThePath)
{
    const Document doc = parseText(kGroups);
    std::vector<Element> walked;
    for (Element groups = doc.documentElement().firstChild("Grupos"); !groups.isNull();
         groups = groups.nextSibling("Grupos"))
        for (Element group = groups.firstChild("Grupo"); !group.isNull(); group = group.nextSibling("Grupo"))
            for (Element list = group.firstChild("MateriasGrupo"); !list.isNull();
                 list = list.nextSibling("MateriasGrupo"))
                for (Element subject = list.firstChild("MateriaGrupo"); !subject.isNull();
                     subject = subject.nextSibling("MateriaGrupo"))
                    walked.push_back(subject);
    EXPECT_EQ(codes(walked), "M1,M2,M3,M4");
    EXPECT_EQ(codes(walked), codes(doc.selectNodes("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo")));
    EXPECT_EQ(doc.documentElement().firstChild("p:Grupos").firstChild("p:Grupo").attribute("Codigo"), "prefixed");
    EXPECT_TRUE(Element().firstChild("Grupos").isNull());
    EXPECT_TRUE(Element().nextSibling("Grupos").isNull());
}

TEST(XmlSelectTest, ParentClimbsToTheEnclosingElementsAndStopsAtTheRoot)
{
    const Document doc = parseText(kGroups);
    const std::vector<Element> subjects = doc.selectNodes("/Centro/Grupos/Grupo/MateriasGrupo/MateriaGrupo");
    ASSERT_EQ(subjects.size(), 4u);

    EXPECT_EQ(subjects[3].parent().name(), "MateriasGrupo");
    EXPECT_EQ(subjects[3].parent().parent().attribute("Codigo"), "1B");
    EXPECT_TRUE(doc.documentElement().parent().isNull());
    EXPECT_EQ(doc.selectSingleNode("/Centro/p:Grupos").name(), "p:Grupos");
}

TEST(XmlSelectTest, SelectsAHundredThousandElements)
{
    std::string text = "<Centro><Materias>";
    for (int i = 0; i < 150000; ++i)
        text += "<Materia Codigo=\"" + std::to_string(i) + "\" Denominacion=\"Materia\"/>";
    text += "</Materias></Centro>";
    const Document doc = parseText(text);

    const std::vector<Element> subjects = doc.selectNodes("/Centro/Materias/Materia");

    ASSERT_EQ(subjects.size(), 150000u);
    EXPECT_EQ(subjects.front().attribute("Codigo"), "0");
    EXPECT_EQ(subjects.back().attribute("Codigo"), "149999");
}

// The attribute text as written, after the parser's own rules (references resolved, literal
// tabs and line breaks normalised to blanks), and never trimmed.
struct AttributeCase {
    const char* name;
    bool present;
    const char* text;
};

class XmlAttributeTest : public ::testing::TestWithParam<AttributeCase> { };

TEST_P(XmlAttributeTest, ReadsTheTextOrEmptyWhenAbsent)
{
    const Document doc = parseText("<Materia Codigo=\"FIS\" Vacio=\"\" Texto=\"x &amp; y &lt; &#233; &quot;\" "
                                   "Blancos=\"  a  b  \" Saltos=\"&#9;a&#10;\" Literal=\"a\tb\nc\" p:Codigo=\"NS\" "
                                   "xmlns:p=\"urn:otro\"/>");
    const Element element = doc.documentElement();

    EXPECT_EQ(element.attribute(GetParam().name), GetParam().text) << GetParam().name;
    EXPECT_EQ(element.hasAttribute(GetParam().name), GetParam().present) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Attributes, XmlAttributeTest,
                         ::testing::Values(AttributeCase {"Codigo", true, "FIS"}, AttributeCase {"codigo", false, ""},
                                           AttributeCase {"Falta", false, ""}, AttributeCase {"Vacio", true, ""},
                                           AttributeCase {"Texto", true, "x & y < é \""},
                                           AttributeCase {"Blancos", true, "  a  b  "},
                                           AttributeCase {"Saltos", true, "\ta\n"},
                                           AttributeCase {"Literal", true, "a b c"},
                                           AttributeCase {"p:Codigo", true, "NS"}));

} // namespace
