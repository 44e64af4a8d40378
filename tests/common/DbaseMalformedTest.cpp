#include "DbaseTestSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/platform/ExclusiveFile.h"

#include <gtest/gtest.h>

using namespace quelvane;
using namespace quelvane::dbase;
using namespace quelvane::dbase::testing;

namespace {

// A header that contradicts itself, and the part of the message that says how.
struct Malformed {
    std::string file; // under tests/data/dbase/malformed, made by make-fixtures.py
    std::string reason;
};

void PrintTo(const Malformed& malformed, std::ostream* out)
{
    *out << malformed.file;
}

class DbaseMalformed : public ::testing::TestWithParam<Malformed> { };

TEST_P(DbaseMalformed, IsRefusedAtOpenWithTheReason)
{
    ScratchFolder folder;
    const auto copy = folder.copy("malformed/" + GetParam().file);
    const std::string name = copy.stem().string();
    std::string upperName = name;
    for (char& c : upperName)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    try {
        Table table = Table::open(copy);
        FAIL() << "opened";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("La tabla " + upperName + " ("), std::string::npos) << message;
        EXPECT_NE(message.find(copy.string()), std::string::npos) << message;
        EXPECT_NE(message.find(GetParam().reason), std::string::npos) << message;
    }
    // Refusing released the file.
    platform::ExclusiveFile again(copy);
}

INSTANTIATE_TEST_SUITE_P(
    Dbase, DbaseMalformed,
    ::testing::Values(
        Malformed {"empty.dbf", "(0 bytes) es más corto que la cabecera"},
        Malformed {"truncated-header.dbf", "(20 bytes) es más corto que la cabecera"},
        Malformed {"level7-truncated-header.dbf", "(50 bytes) es más corto que la cabecera"},
        Malformed {"unknown-version.dbf", "formato conocido (primer byte 0x02)"},
        Malformed {"header-length-too-big.dbf", "la cabecera declara 5000 bytes y el archivo solo tiene 118"},
        Malformed {"header-length-too-small.dbf", "(40 bytes) no alcanza para sus campos, que ocupan 97"},
        Malformed {"no-terminator.dbf", "no termina con el byte 0x0D"},
        Malformed {"no-fields.dbf", "no tiene ningún campo"},
        Malformed {"record-length-zero.dbf", "longitud de registro declarada es 0"},
        Malformed {"record-length-mismatch.dbf", "(12 bytes) no es la suma de sus campos"},
        Malformed {"field-past-record.dbf", "el campo QTY termina en el byte 10, más allá del registro de 8"},
        Malformed {"width-zero.dbf", "el campo EMPTY tiene anchura 0"},
        Malformed {"integer-width-two.dbf", "el campo COUNT de tipo I tiene anchura 2 en lugar de 4"},
        Malformed {"more-records-than-file.dbf", "declara 3 registros pero el archivo solo contiene 2"},
        Malformed {"record-count-huge.dbf", "declara 4294967295 registros pero el archivo solo contiene 2"}));

} // namespace
