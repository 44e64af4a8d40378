#include "DeliveryTestSupport.h"
#include "delivery/Delivery.h"

#include <gtest/gtest.h>

namespace quelvane::deliverytest {
namespace {

// The host decides how SOLUC stores its numbers; the slot key must come out the same from
// every storage: "3" from 3, 3.0 or "  3.0", never "03" or "3.0".
class SolucStorageTest : public ::testing::TestWithParam<SolucStorage> { };

TEST_P(SolucStorageTest, GivesTheSameElements)
{
    TempFolder folder;
    writeLookupTables(folder.path(), weekTables());
    writeSoluc(folder.path(),
               {lesson("MAT", 1, 3, "1ESOA", "P1", "A1"), lesson("MAT", 1, 12, "1ESOA", "P2", "LAB"),
                lesson("MAT", std::nullopt, std::nullopt, "1ESOA"), task("GUA", 5, 1, "", "P2", "")},
               GetParam());
    const auto document = writeCentreDocument(folder.path());

    const delivery::DeliverySummary summary = delivery::runDelivery(document, folder.path(), someMoment);

    EXPECT_EQ(horarioContent(readBytes(summary.outputFile)),
              serialized({{"CCM", "P1", "1ESOA", "MAT", "AULA-101", "L", "09:50", "10:45"},
                          {"CCM", "P2", "1ESOA", "MAT", "LAB-FÍSICA", "L", "15:00", "15:55"},
                          {"GUA", "P2", "", "", "", "V", "08:00", "08:55"}}));
    EXPECT_EQ(summary.passedOver[0].rows, 1);
}

INSTANTIATE_TEST_SUITE_P(Delivery, SolucStorageTest,
                         ::testing::Values(SolucStorage::Level7IntegerDia_DoubleHora, SolucStorage::Level7Integers,
                                           SolucStorage::Dbase3Numeric, SolucStorage::Dbase3Float,
                                           SolucStorage::FoxProInteger, SolucStorage::FoxProDouble),
                         [](const auto& info) { return std::string(storageName(info.param)); });

// A fraction stored as decimal text must not pass for a whole slot number.
TEST(SolucStorage, FractionalHoraInDecimalTextFindsNoSlot)
{
    TempFolder folder;
    writeLookupTables(folder.path(), weekTables());
    writeSoluc(folder.path(), {lesson("MAT", 1, 2.5, "1ESOA")}, SolucStorage::Dbase3Numeric);
    const auto document = writeCentreDocument(folder.path());

    const delivery::DeliverySummary summary = delivery::runDelivery(document, folder.path(), someMoment);

    EXPECT_EQ(horarioContent(readBytes(summary.outputFile)), "");
    EXPECT_EQ(summary.passedOver[3].firstKeys, std::vector<std::string>({"MAT/1ESOA/1/2.5"}));
}

} // namespace
} // namespace quelvane::deliverytest
