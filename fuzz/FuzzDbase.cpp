// The table engine on an arbitrary .DBF file (and the index reader on the same bytes): it opens
// the table or refuses it with quelvane::Error; an open table reads in every way without crash;
// a table it may change takes a row and reads back with that row.
#include "FuzzSupport.h"
#include "common/Error.h"
#include "common/dbase/Mdx.h"
#include "common/dbase/Table.h"

#include <cstddef>
#include <cstdint>

using namespace quelvane;
using namespace quelvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const ScratchFolder scratch("dbase");
    scratch.empty();
    const std::string_view bytes = bytesOf(data, size);
    dbase::singleTagName(bytes);

    const std::filesystem::path file = scratch.path() / "TABLA.DBF";
    writeFile(file, bytes);
    std::size_t rows = 0;
    try {
        rows = walkTable(file);
    } catch (const Error& error) {
        if (!validUtf8(error.what()))
            broken(std::string("a message that is not UTF-8: ") + error.what());
        return 0;
    }

    try {
        dbase::Table table = dbase::Table::open(file);
        table.append();
        for (const dbase::FieldDef& field : table.fields())
            table.setText(field.name, "1");
        table.post();
        table.close();
    } catch (const Error&) {
        // A table of a kind this program only reads refuses the row.
        return 0;
    }
    try {
        if (walkTable(file) != rows + 1)
            broken("the appended row is not there when the table is read again");
    } catch (const Error& error) {
        broken(std::string("a table changed by the engine no longer opens: ") + error.what());
    }
    return 0;
}
