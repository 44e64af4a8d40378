// A failing disk at every step of a run. The fault seam counts the file operations of an intake
// and of a delivery of the example, then runs them again once per operation with that one
// failing: each run must end with a clear error and nothing lost, until the failing operation
// lies past the last one and the run succeeds.
#include "RobustnessSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/platform/FaultInjection.h"
#include "common/text/Text.h"
#include "delivery/Delivery.h"
#include "intake/Intake.h"
#include "tests/host/FillSoluc.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>

namespace quelvane::robustness {
namespace {

namespace fs = std::filesystem;
using platform::FaultInjection;

constexpr std::time_t someMoment = 1'726'000'000;

std::string describeOperation(const FaultInjection& faults, std::size_t number)
{
    if (number == 0 || number > faults.seen().size())
        return "(none)";
    const platform::FileOperationSeen& seen = faults.seen()[number - 1];
    return std::string(platform::operationName(seen.operation)) + " " + seen.file.string();
}

std::string dumpTables(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".DBF")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string out;
    for (const fs::path& file : files) {
        out += file.filename().string() + "\n";
        dbase::Table table = dbase::Table::open(file);
        for (table.first(); !table.eof(); table.next()) {
            for (const dbase::FieldDef& field : table.fields())
                out += text::toUtf8(table.text(field.name)) + "|";
            out += "\n";
        }
        table.close();
    }
    return out;
}

// A working file with a second name (a backup kept by link that a failed run left behind) would
// carry the host's next write into the backup.
std::string filesWithOtherNames(const fs::path& folder)
{
    std::string found;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.hard_link_count() != 1)
            found += entry.path().filename().string() + " ";
    return found;
}

void replaceFolder(const fs::path& target, const fs::path& source)
{
    fs::remove_all(target);
    fs::copy(source, target, fs::copy_options::recursive);
}

// What one walk found, for the test's log.
struct WalkFigures {
    std::size_t operations = 0;
    std::size_t refused = 0; // runs that ended with an error
    std::size_t recovered = 0; // failures the run worked around, with the same result
    std::string workedAround; // which ones: "read COUNTSES.MDX, ..."
};

void report(const char* run, const WalkFigures& figures)
{
    std::cout << run << ": " << figures.operations << " file operations walked, " << figures.refused
              << " ended with an error, " << figures.recovered << " worked around with the same result"
              << (figures.workedAround.empty() ? "" : " (" + figures.workedAround + ")") << "\n";
    testing::Test::RecordProperty(std::string(run) + "_operations", static_cast<int>(figures.operations));
}

class FaultWalk : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("QUELVANE_BACKUP_DIR", backups.c_str(), 1);
        fs::create_directories(documents);
    }

    // A clear error: one readable line that names the file it is about.
    void expectClearError(const Error& error, const FaultInjection& faults, std::size_t failing)
    {
        const std::string message = error.what();
        EXPECT_TRUE(faults.injected()) << "an error without the injected fault: " << message;
        EXPECT_TRUE(validUtf8(message)) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        EXPECT_NE(message.find(scratch.path().string()), std::string::npos)
            << "operation " << failing << " (" << describeOperation(faults, failing) << "): " << message;
    }

    TempFolder scratch;
    fs::path work = scratch.path() / "vtemp";
    fs::path documents = scratch.path() / "documentos";
    fs::path backups = scratch.path() / "copias";
};

// The working folder holds an earlier intake's tables, the host's course table and index, its
// timetable and a file of the school's own; every failure must leave all of it byte for byte,
// and no hidden folder behind.
TEST_F(FaultWalk, IntakeEndsWithAClearErrorAndTheWorkingFolderAsItWas)
{
    const fs::path earlier = fs::path(QUELVANE_TEST_DATA) / "intake" / "golden" / "centro.xml";
    const fs::path initial = scratch.path() / "inicial";
    fs::create_directories(initial);
    intake::runIntake(earlier, initial);
    const fs::path document = documents / "centro-ejemplo.xml";
    fs::copy_file(exampleDocument(), document);
    testhost::fillSoluc(initial);
    dbase::createTable(initial / "CURSOST.DBF",
                       {{"ABREV", dbase::FieldType::Character, 10, 0}, {"ID", dbase::FieldType::Integer, 4, 0}},
                       dbase::IndexDef {"ID", "ID"});
    writeFile(initial / "notas.txt", "the school's own notes");
    const auto before = snapshot(initial);
    fs::remove_all(backups);

    replaceFolder(work, initial);
    std::size_t operations = 0;
    {
        FaultInjection counting;
        intake::runIntake(document, work);
        operations = counting.count();
    }
    const std::string expected = dumpTables(work);
    ASSERT_GT(operations, 50u);

    WalkFigures figures {operations, 0, 0, {}};
    for (std::size_t failing = 1;; ++failing) {
        SCOPED_TRACE("operation " + std::to_string(failing) + " of " + std::to_string(operations));
        replaceFolder(work, initial);
        fs::remove_all(backups);
        bool succeeded = false;
        bool injected = false;
        std::string operation;
        {
            FaultInjection faults(failing);
            try {
                intake::runIntake(document, work);
                succeeded = true;
            } catch (const Error& error) {
                expectClearError(error, faults, failing);
            }
            injected = faults.injected();
            if (injected) {
                const platform::FileOperationSeen& seen = faults.seen()[failing - 1];
                operation = std::string(platform::operationName(seen.operation)) + " " + seen.file.filename().string();
            }
            if (!succeeded) {
                ++figures.refused;
                EXPECT_TRUE(snapshot(work) == before)
                    << "the working folder changed after a failing " << describeOperation(faults, failing);
                EXPECT_EQ(filesWithOtherNames(work), "") << "after a failing " << describeOperation(faults, failing);
            }
        }
        if (succeeded && injected) {
            ++figures.recovered;
            figures.workedAround += (figures.workedAround.empty() ? "" : ", ") + operation;
            EXPECT_EQ(dumpTables(work), expected);
        }
        if (succeeded && !injected) {
            EXPECT_EQ(failing, operations + 1);
            EXPECT_EQ(dumpTables(work), expected);
            break;
        }
        if (failing > operations + 1 || HasFatalFailure())
            break;
    }
    report("intake", figures);
}

// Delivery writes one file, beside the centre document; whatever fails, an earlier timetable
// document stays as it was (or none appears), nothing is left beside it, and the working tables
// are untouched.
TEST_F(FaultWalk, DeliveryNeverLeavesAPartialOutputAndKeepsTheEarlierOne)
{
    fs::create_directories(work);
    intake::runIntake(exampleDocument(), work);
    testhost::fillSoluc(work);
    const fs::path document = documents / "centro-ejemplo.xml";
    fs::copy_file(exampleDocument(), document);
    const fs::path output = delivery::outputPathFor(document);
    const std::string earlierTimetable = "<?xml version=\"1.0\"?>\n<Centro Nombre=\"anterior\"><horario/></Centro>\n";
    const auto tables = snapshot(work);

    std::size_t operations = 0;
    {
        FaultInjection counting;
        delivery::runDelivery(document, work, someMoment);
        operations = counting.count();
    }
    const std::string expected = readFile(output);
    ASSERT_GT(operations, 10u);

    for (const bool earlierOutput : {true, false}) {
        SCOPED_TRACE(earlierOutput ? "with an earlier timetable document" : "without one");
        WalkFigures figures {operations, 0, 0, {}};
        for (std::size_t failing = 1;; ++failing) {
            SCOPED_TRACE("operation " + std::to_string(failing) + " of " + std::to_string(operations));
            fs::remove(output);
            if (earlierOutput)
                writeFile(output, earlierTimetable);
            const auto before = snapshot(documents);
            bool succeeded = false;
            bool injected = false;
            {
                FaultInjection faults(failing);
                try {
                    delivery::runDelivery(document, work, someMoment);
                    succeeded = true;
                } catch (const Error& error) {
                    expectClearError(error, faults, failing);
                    ++figures.refused;
                    EXPECT_TRUE(snapshot(documents) == before)
                        << "the documents' folder changed after a failing " << describeOperation(faults, failing);
                }
                injected = faults.injected();
            }
            EXPECT_TRUE(snapshot(work) == tables) << "the working tables changed";
            if (succeeded) {
                EXPECT_EQ(readFile(output), expected);
                if (injected) {
                    ++figures.recovered;
                } else {
                    EXPECT_EQ(failing, operations + 1);
                    break;
                }
            }
            if (failing > operations + 1 || HasFatalFailure())
                break;
        }
        report(earlierOutput ? "delivery over an earlier timetable" : "delivery", figures);
    }
}

} // namespace
} // namespace quelvane::robustness
