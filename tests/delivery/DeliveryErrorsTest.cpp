#include "DeliveryTestSupport.h"
#include "common/Error.h"
#include "common/WorkingTables.h"
#include "common/dbase/Table.h"
#include "delivery/Delivery.h"

#include <functional>
#include <gtest/gtest.h>

namespace quelvane::deliverytest {
namespace {

namespace fs = std::filesystem;

const fs::path dataFolder = fs::path(QUELVANE_TEST_DATA) / "delivery";

const std::vector<std::string_view> allTables = {tables::SOLUC,    tables::GRUPOST,    tables::PROFT, tables::AULAT,
                                                 tables::ASIGNOMT, tables::DIASHORAST, tables::ASIGT};

// A working folder that delivers one lesson, and an output of an earlier run that a failing
// run must leave exactly as it is.
class DeliveryErrors : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeLookupTables(folder.path(), weekTables());
        writeSoluc(folder.path(), {lesson("MAT", 1, 1, "1ESOA")});
        document = writeCentreDocument(folder.path());
        writeBytes(delivery::outputPathFor(document), previousOutput);
    }

    // The message of the quelvane::Error that the run throws; fails when it throws nothing,
    // something else, or MissingInput.
    std::string failureOf(const fs::path& centreDocument)
    {
        try {
            delivery::runDelivery(centreDocument, folder.path(), someMoment);
        } catch (const MissingInput& missing) {
            ADD_FAILURE() << "unexpected MissingInput: " << missing.what();
            return {};
        } catch (const Error& error) {
            return error.what();
        }
        ADD_FAILURE() << "the run did not fail";
        return {};
    }

    void expectPreviousOutputKept(const fs::path& centreDocument)
    {
        EXPECT_EQ(readBytes(delivery::outputPathFor(centreDocument)), previousOutput);
    }

    void expectEveryTableReleased()
    {
        for (std::string_view table : allTables) {
            const fs::path file = dbase::tableFile(folder.path(), table);
            if (fs::exists(file)) {
                EXPECT_NO_THROW(dbase::Table::open(file).close()) << table;
            }
        }
    }

    TempFolder folder;
    fs::path document;
    const std::string previousOutput = "<salida de la entrega anterior/>";
};

TEST_F(DeliveryErrors, MissingDocumentOrSolucIsMissingInput)
{
    const fs::path solucAside = folder.path() / "SOLUC.aside";
    const fs::path subfolder = folder.path() / "carpeta.xml";
    fs::create_directory(subfolder);
    const std::vector<std::pair<std::string, std::function<fs::path()>>> cases = {
        {"document absent", [&] { return folder.path() / "otro.xml"; }},
        {"empty path", [&] { return fs::path(); }},
        {"document is a folder", [&] { return subfolder; }},
        {"SOLUC absent",
         [&] {
             fs::rename(dbase::tableFile(folder.path(), tables::SOLUC), solucAside);
             return document;
         }},
    };
    for (const auto& [name, prepare] : cases) {
        const fs::path input = prepare();
        try {
            delivery::runDelivery(input, folder.path(), someMoment);
            ADD_FAILURE() << name << ": the run did not fail";
        } catch (const MissingInput& missing) {
            EXPECT_STREQ(missing.what(), "No existe archivo XML o Solución.") << name;
        }
    }
    expectPreviousOutputKept(document);
    EXPECT_FALSE(fs::exists(folder.path() / "ResultadoVortimootro.xml"));
}

class MissingTable : public DeliveryErrors, public ::testing::WithParamInterface<std::string_view> { };

TEST_P(MissingTable, StopsTheRunNamingTheTable)
{
    fs::remove(dbase::tableFile(folder.path(), GetParam()));

    EXPECT_NE(failureOf(document).find(GetParam()), std::string::npos);
    expectPreviousOutputKept(document);
    expectEveryTableReleased();
}

INSTANTIATE_TEST_SUITE_P(Delivery, MissingTable,
                         ::testing::Values(tables::GRUPOST, tables::PROFT, tables::AULAT, tables::ASIGNOMT,
                                           tables::DIASHORAST, tables::ASIGT),
                         [](const auto& info) { return std::string(info.param); });

class MissingSolucField : public DeliveryErrors, public ::testing::WithParamInterface<std::string_view> { };

TEST_P(MissingSolucField, StopsTheRunNamingFieldAndTable)
{
    writeSoluc(folder.path(), {lesson("MAT", 1, 1, "1ESOA")}, SolucStorage::Level7Integers, std::string(GetParam()));

    const std::string message = failureOf(document);
    EXPECT_NE(message.find(GetParam()), std::string::npos) << message;
    EXPECT_NE(message.find("SOLUC"), std::string::npos) << message;
    expectPreviousOutputKept(document);
}

INSTANTIATE_TEST_SUITE_P(Delivery, MissingSolucField,
                         ::testing::Values(tables::field::ASIG, tables::field::TAREA, tables::field::DIA,
                                           tables::field::HORA, tables::field::CODGRUPO, tables::field::PROF,
                                           tables::field::AULA),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(DeliveryErrors, LookupTableWithoutAFieldStopsTheRunNamingIt)
{
    dbase::createTable(
        dbase::tableFile(folder.path(), tables::DIASHORAST),
        {{"DIHO", dbase::FieldType::Character, 10, 0}, {"HORADESDE", dbase::FieldType::Character, 8, 0}});

    const std::string message = failureOf(document);
    EXPECT_NE(message.find("DIASHORAST"), std::string::npos) << message;
    EXPECT_NE(message.find("HORAHASTA"), std::string::npos) << message;
    expectPreviousOutputKept(document);
}

TEST_F(DeliveryErrors, DocumentThatIsNoCentreDocumentStopsTheRun)
{
    for (const char* fixture : {"root-not-centro.xml", "not-well-formed.xml"}) {
        const fs::path copy = folder.path() / fixture;
        fs::copy_file(dataFolder / fixture, copy);
        writeBytes(delivery::outputPathFor(copy), previousOutput);

        EXPECT_FALSE(failureOf(copy).empty()) << fixture;
        expectPreviousOutputKept(copy);
        expectEveryTableReleased();
    }
}

TEST_F(DeliveryErrors, TableHeldByAnotherStopsTheRunNamingIt)
{
    {
        dbase::Table held = dbase::Table::open(dbase::tableFile(folder.path(), tables::DIASHORAST));
        EXPECT_NE(failureOf(document).find("DIASHORAST"), std::string::npos);
        expectPreviousOutputKept(document);
    }
    const delivery::DeliverySummary summary = delivery::runDelivery(document, folder.path(), someMoment);
    EXPECT_EQ(summary.lessons, 1);
    expectEveryTableReleased();
}

TEST_F(DeliveryErrors, DamagedSolucIsAnErrorNotACrash)
{
    std::string claimsTooManyRows(32, '\0');
    claimsTooManyRows[0] = 0x03;
    claimsTooManyRows[4] = static_cast<char>(0xE8); // 1000 rows
    claimsTooManyRows[5] = 0x03;
    claimsTooManyRows[8] = 65; // header: one descriptor
    claimsTooManyRows[10] = 11; // record: flag and ten characters
    std::string descriptor(32, '\0');
    descriptor.replace(0, 4, "ASIG");
    descriptor[11] = 'C';
    descriptor[16] = 10;
    claimsTooManyRows += descriptor + "\x0D" + " MAT       ";

    for (const std::string& bytes : {std::string("\x03\x7C"), claimsTooManyRows, std::string(600, '\xFF')}) {
        writeBytes(dbase::tableFile(folder.path(), tables::SOLUC), bytes);
        EXPECT_FALSE(failureOf(document).empty());
        expectPreviousOutputKept(document);
    }
}

} // namespace
} // namespace quelvane::deliverytest
