#include "DeliveryTestSupport.h"
#include "common/platform/RegionalTime.h"
#include "delivery/Delivery.h"

#include <gtest/gtest.h>

namespace quelvane::deliverytest {
namespace {

namespace fs = std::filesystem;

const fs::path dataFolder = fs::path(QUELVANE_TEST_DATA) / "delivery";

std::string attributeText(const std::string& value)
{
    std::string out;
    for (const char c : value) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

struct HeaderCase {
    const char* name;
    const char* fixture;
    std::string declaration;
    // The expected root, in the document's own encoding, with @DATE@ for FechaExportacion.
    std::string root;
    // Document-level nodes before the root that must survive, in order.
    std::vector<std::string> prolog;
};

void PrintTo(const HeaderCase& c, std::ostream* out)
{
    *out << c.name;
}

class CentreHeader : public ::testing::TestWithParam<HeaderCase> { };

TEST_P(CentreHeader, IsCopiedIntoANewRootWithOnlyHorarioUnderIt)
{
    const HeaderCase& c = GetParam();
    TempFolder folder;
    writeLookupTables(folder.path(), weekTables());
    writeSoluc(folder.path(), {});
    const fs::path document = folder.path() / c.fixture;
    fs::copy_file(dataFolder / c.fixture, document);
    const std::string input = readBytes(document);

    const delivery::DeliverySummary summary = delivery::runDelivery(document, folder.path(), someMoment);

    const std::string output = readBytes(summary.outputFile);
    EXPECT_EQ(output.substr(0, c.declaration.size()), c.declaration);
    std::string root = c.root;
    root.replace(root.find("@DATE@"), 6, attributeText(platform::regionalDateTime(someMoment)));
    const std::size_t rootStart = output.find("<Centro");
    ASSERT_NE(rootStart, std::string::npos) << output;
    std::string fromRoot = output.substr(rootStart);
    while (!fromRoot.empty() && (fromRoot.back() == '\n' || fromRoot.back() == '\r'))
        fromRoot.pop_back();
    EXPECT_EQ(fromRoot, root);
    std::size_t position = 0;
    for (const std::string& node : c.prolog) {
        position = output.find(node, position);
        EXPECT_LT(position, rootStart) << node << " is not kept before the root";
    }
    EXPECT_EQ(readBytes(document), input) << "the centre document itself must not change";
}

INSTANTIATE_TEST_SUITE_P(
    Delivery, CentreHeader,
    ::testing::Values(HeaderCase {"Utf8WithFurtherAttributesAndCollections",
                                  "header-utf8-with-extras.xml",
                                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                  // Trimmed, Ō passes through Windows-1252 as intake would keep it, Otro and the
                                  // old FechaExportacion dropped, every collection gone.
                                  "<Centro Codigo=\"38001234\" Nombre=\"IES Ñandú ?kubo\" CursoEscolar=\"2024-2025\" "
                                  "FechaExportacion=\"@DATE@\" Version=\"3.1\"><horario/></Centro>",
                                  {"<!-- Exportado por Pincel-eKade -->", "<?procesado por=\"prueba\"?>"}},
                      HeaderCase {
                          "Latin1WithAMissingAttribute",
                          "header-latin1-no-curso.xml",
                          "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
                          "<Centro Codigo=\"38001234\" Nombre=\"IES \xD1"
                          "and\xFA\" CursoEscolar=\"\" FechaExportacion=\"@DATE@\" Version=\"2.0\"><horario/></Centro>",
                          {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OutputPath, IsResultadoVortimoBeforeTheFileNameInTheSameFolder)
{
    const std::vector<std::pair<fs::path, fs::path>> cases = {
        {"/datos/centro.xml", "/datos/ResultadoVortimocentro.xml"},
        {"/datos/curso 2024/Centro.XML", "/datos/curso 2024/ResultadoVortimoCentro.XML"},
        {"/datos/centro", "/datos/ResultadoVortimocentro"},
        {"/datos/centro.v2.xml", "/datos/ResultadoVortimocentro.v2.xml"},
        {"centro.xml", "ResultadoVortimocentro.xml"},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(delivery::outputPathFor(input), expected) << input;
}

TEST(OutputPath, ASecondRunReplacesTheFirstOutput)
{
    TempFolder folder;
    writeLookupTables(folder.path(), weekTables());
    const fs::path document = writeCentreDocument(folder.path());
    writeSoluc(folder.path(), {lesson("MAT", 1, 1, "1ESOA"), lesson("MAT", 1, 2, "1ESOA")});
    const fs::path first = delivery::runDelivery(document, folder.path(), someMoment).outputFile;
    EXPECT_EQ(first, folder.path() / "ResultadoVortimocentro.xml");

    writeSoluc(folder.path(), {lesson("MAT", 2, 1, "1ESOA")});
    const fs::path second = delivery::runDelivery(document, folder.path(), someMoment).outputFile;

    EXPECT_EQ(second, first);
    EXPECT_EQ(horarioContent(readBytes(second)),
              serialized({{"CCM", "P1", "1ESOA", "MAT", "AULA-101", "M", "08:00", "08:55"}}));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.path()))
        ++files;
    EXPECT_EQ(files, 9u) << "seven tables and the two documents, nothing left aside";
}

} // namespace
} // namespace quelvane::deliverytest
