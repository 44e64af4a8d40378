#include "common/platform/FaultInjection.h"

#include "DbaseTestSupport.h"
#include "common/Error.h"
#include "common/platform/ExclusiveFile.h"
#include "common/platform/Files.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace quelvane;
using namespace quelvane::platform;
using quelvane::dbase::testing::readBytes;
using quelvane::dbase::testing::ScratchFolder;
using quelvane::dbase::testing::writeBytes;

namespace {

namespace fs = std::filesystem;

std::vector<std::string> names(const fs::path& folder)
{
    std::vector<std::string> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<FileOperation> operations(const FaultInjection& faults)
{
    std::vector<FileOperation> seen;
    for (const FileOperationSeen& operation : faults.seen())
        seen.push_back(operation.operation);
    return seen;
}

// The replace-by-rename of a file is five operations, and whichever of them fails, the old
// file is still there with its bytes and nothing is left beside it.
TEST(FaultInjection, EveryStepOfAnAtomicWriteFailsCleanly)
{
    ScratchFolder folder;
    const fs::path target = folder / "salida.xml";
    writeBytes(target, "old bytes");
    const std::string replacement(10000, 'n');

    std::size_t steps = 0;
    {
        FaultInjection counting;
        atomicWriteFile(target, replacement);
        EXPECT_EQ(operations(counting),
                  (std::vector<FileOperation> {FileOperation::Create, FileOperation::Write, FileOperation::Flush,
                                               FileOperation::Close, FileOperation::Rename}));
        EXPECT_FALSE(counting.injected());
        steps = counting.count();
    }
    writeBytes(target, "old bytes");

    for (std::size_t failing = 1; failing <= steps; ++failing) {
        SCOPED_TRACE(failing);
        FaultInjection faults(failing);
        try {
            atomicWriteFile(target, replacement);
            ADD_FAILURE() << "the write should have failed";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()).rfind("No se pudo escribir el archivo " + target.string(), 0), 0u)
                << error.what();
        }
        EXPECT_TRUE(faults.injected());
        EXPECT_EQ(readBytes(target), "old bytes");
        EXPECT_EQ(names(folder.path()), std::vector<std::string> {"salida.xml"});
    }
}

// Written in pieces, the file appears whole at commit; a writer dropped before commit, or one
// whose second piece fails, leaves the old file and nothing beside it.
TEST(FaultInjection, AFileWrittenInPiecesAppearsWholeOrNotAtAll)
{
    ScratchFolder folder;
    const fs::path target = folder / "salida.xml";
    writeBytes(target, "old bytes");
    {
        AtomicFileWriter writer(target);
        writer.write("first ");
        writer.write("second");
        EXPECT_EQ(readBytes(target), "old bytes");
    }
    EXPECT_EQ(readBytes(target), "old bytes");
    EXPECT_EQ(names(folder.path()), std::vector<std::string> {"salida.xml"});

    {
        FaultInjection faults(3); // create, write, write
        AtomicFileWriter writer(target);
        writer.write("first ");
        EXPECT_THROW(writer.write("second"), Error);
        EXPECT_THROW(writer.commit(), Error);
    }
    EXPECT_EQ(readBytes(target), "old bytes");
    EXPECT_EQ(names(folder.path()), std::vector<std::string> {"salida.xml"});

    AtomicFileWriter writer(target);
    writer.write("first ");
    writer.write("second");
    writer.commit();
    EXPECT_EQ(readBytes(target), "first second");
    EXPECT_EQ(names(folder.path()), std::vector<std::string> {"salida.xml"});
}

TEST(FaultInjection, EachPlatformOperationReportsItsInjectedFailure)
{
    ScratchFolder folder;
    const fs::path file = folder / "TABLA.DBF";
    writeBytes(file, "0123456789");

    struct Case {
        const char* what;
        std::function<void()> run;
        std::string message;
    };
    const std::vector<Case> cases {
        {"readFile open", [&] { readFile(file); }, "No se pudo abrir el archivo"},
        {"removeFile", [&] { removeFile(file); }, "No se pudo borrar el archivo"},
        {"renameFile", [&] { renameFile(file, folder / "OTRA.DBF"); }, "No se pudo mover el archivo"},
        {"createFolder", [&] { createFolder(folder / "sub"); }, "No se pudo crear la carpeta"},
        {"linkFile", [&] { linkFile(file, folder / "OTRA.DBF"); }, "No se pudo enlazar el archivo"},
        {"readFilePieces open", [&] { readFilePieces(file, [](std::string_view) {}); }, "No se pudo abrir el archivo"},
        {"syncFileData", [&] { syncFileData(file); }, "No se pudo guardar en el disco el archivo"},
        {"ExclusiveFile open", [&] { ExclusiveFile held(file); }, "No se pudo abrir el archivo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FaultInjection faults(1);
        try {
            c.run();
            ADD_FAILURE() << "should have failed";
        } catch (const FileInUse&) {
            ADD_FAILURE() << "an injected failure is no file in use";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << error.what();
        }
        EXPECT_EQ(faults.count(), 1u);
    }
    EXPECT_EQ(names(folder.path()), std::vector<std::string> {"TABLA.DBF"});
    EXPECT_EQ(readBytes(file), "0123456789");
}

// Replacing a table's content in place, each step can fail; a failing close still lets the
// file go, so that the run's error is the only consequence.
TEST(FaultInjection, ExclusiveFileStepsFailAndCloseReleasesTheFile)
{
    ScratchFolder folder;
    const fs::path file = folder / "TABLA.DBF";
    writeBytes(file, "0123456789");

    {
        FaultInjection counting;
        ExclusiveFile held(file);
        held.readAll();
        held.replaceContent("abcdefghij");
        held.close();
        EXPECT_EQ(operations(counting),
                  (std::vector<FileOperation> {FileOperation::Open, FileOperation::Read, FileOperation::Write,
                                               FileOperation::Flush, FileOperation::Close}));
    }
    for (std::size_t failing = 2; failing <= 5; ++failing) {
        SCOPED_TRACE(failing);
        FaultInjection faults(failing);
        ExclusiveFile held(file);
        EXPECT_THROW(
            {
                held.readAll();
                held.replaceContent("ABCDEFGHIJ");
                held.close();
            },
            Error);
        held.close();
        EXPECT_FALSE(held.isOpen());
        ExclusiveFile again(file); // not held any more
    }

    // A failing write stops half-way, as on a full disk.
    writeBytes(file, "0123456789");
    {
        FaultInjection faults(2);
        ExclusiveFile held(file);
        EXPECT_THROW(held.replaceContent("abcdefghij"), Error);
    }
    EXPECT_EQ(readBytes(file), "abcde56789");
}

TEST(FaultInjection, GuardsNestAndStayOnTheirThread)
{
    ScratchFolder folder;
    const fs::path file = folder / "a.txt";
    writeBytes(file, "a");

    FaultInjection outer;
    {
        FaultInjection inner(1);
        EXPECT_THROW(readFile(file), Error);
        std::thread other([&] { EXPECT_EQ(readFile(file), "a"); });
        other.join();
        EXPECT_EQ(inner.count(), 1u);
    }
    EXPECT_EQ(readFile(file), "a");
    EXPECT_EQ(outer.count(), 2u); // open and read, after the inner guard went
}

} // namespace
