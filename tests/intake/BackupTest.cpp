#include "intake/Backup.h"

#include "BackupTestSupport.h"
#include "common/Error.h"
#include "common/hash/Sha256.h"
#include "common/platform/ExclusiveFile.h"
#include "common/platform/FaultInjection.h"
#include "common/platform/Files.h"
#include "intake/BackupManifest.h"
#include "intake/Intake.h"
#include "intake/Restore.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quelvane::intake {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

std::string subjects(const std::vector<std::string>& codes)
{
    std::string body = "<Materias>";
    for (const std::string& code : codes)
        body += "<Materia Codigo=\"" + code + "\" Denominacion=\"Materia " + code + "\"/>";
    return centre(body + "</Materias><Aulas><Aula Codigo=\"A1\"/><Aula Codigo=\"A2\"/></Aulas>");
}

std::vector<std::string> fileNames(const Backup& backup)
{
    std::vector<std::string> names;
    for (const BackedUpFile& file : backup.files)
        names.push_back(file.name);
    return names;
}

// A working folder as the host leaves it after an earlier intake: its tables, the course table
// (one file under a small-letter name), the solution and a file of the school's own. The earlier
// intake's own backup goes elsewhere, so that every test starts with an empty store.
class Backups : public testing::Test {
protected:
    void SetUp() override
    {
        {
            TempFolder elsewhere;
            ScopedVariable store("QUELVANE_BACKUP_DIR", elsewhere.path().string());
            runIntake(document("anterior.xml", subjects({"OLD", "OLD2"})), work.path());
        }
        writeFile(work.path() / "CURSOST.DBF", "courses");
        writeFile(work.path() / "cursost.mdx", "course index");
        writeFile(work.path() / "SOLUC.DBF", "solution");
        writeFile(work.path() / "notas.txt", "school notes");
    }

    fs::path document(const std::string& name, const std::string& text)
    {
        writeFile(documents.path() / name, text);
        return documents.path() / name;
    }

    OwnBackupStore store;
    TempFolder documents;
    TempFolder work;
};

TEST_F(Backups, IntakeThenRestoreGivesBackTheExactFolder)
{
    const auto before = snapshot(work.path());
    const fs::path newDocument = document("nuevo.xml", subjects({"MAT", "LEN", "ING"}));
    const IntakeSummary summary = runIntake(newDocument, work.path());
    const auto afterIntake = snapshot(work.path());
    ASSERT_NE(afterIntake, before);

    // The backup holds exactly the files that the intake replaced or removed, as they were.
    ASSERT_TRUE(summary.backup);
    const std::vector<Backup> backups = listBackups(store.path(), work.path());
    ASSERT_EQ(backups.size(), 1u);
    const Backup& backup = backups[0];
    EXPECT_EQ(backup.id, summary.backup->id);
    EXPECT_EQ(backup.folder, summary.backup->folder);
    EXPECT_EQ(backup.centreDocument, fs::weakly_canonical(newDocument));
    EXPECT_EQ(backup.centreDocumentSha256, hash::sha256Hex(platform::readFile(newDocument)));
    std::vector<std::string> expected;
    for (const auto& [name, bytes] : before)
        if (name != "SOLUC.DBF" && name != "notas.txt")
            expected.push_back(name);
    EXPECT_EQ(fileNames(backup), expected);
    for (const std::string& name : expected)
        EXPECT_EQ(platform::readFile(backup.folder / name), before.at(name)) << name;

    const RestoreResult restored = restoreBackup(work.path(), "");
    EXPECT_EQ(restored.restored.id, backup.id);
    EXPECT_EQ(snapshot(work.path()), before);

    // The restore backed up what it replaced, so it can be undone in its turn.
    restoreBackup(store.path(), work.path(), restored.previous.id);
    EXPECT_EQ(snapshot(work.path()), afterIntake);
}

TEST_F(Backups, FirstIntakeIsUndoneToAFolderWithoutTables)
{
    TempFolder fresh;
    writeFile(fresh.path() / "notas.txt", "school notes");
    const auto before = snapshot(fresh.path());
    const IntakeSummary summary = runIntake(document("centro.xml", subjects({"MAT", "LEN"})), fresh.path());

    const std::vector<Backup> backups = listBackups(store.path(), fresh.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_TRUE(backups[0].files.empty());
    restoreBackup(store.path(), fresh.path(), summary.backup->id);
    EXPECT_EQ(snapshot(fresh.path()), before);
}

TEST_F(Backups, SummarySaysWhereTheBackupIsAndHowToUndo)
{
    const IntakeSummary summary = runIntake(document("centro.xml", subjects({"MAT", "LEN"})), work.path());
    ASSERT_TRUE(summary.backup);
    const std::string text = describe(summary);
    EXPECT_NE(text.find("Copia de seguridad de los archivos anteriores: " + summary.backup->folder.string() + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("quelvane-cli restore " + summary.backup->id + " --workdir \""
                        + fs::weakly_canonical(work.path()).string() + "\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(toJson(summary).find("\"backup\":{\"id\":\"" + summary.backup->id + "\""), std::string::npos);
}

// How many names each file directly in the folder has.
std::map<std::string, std::uintmax_t> linkCounts(const fs::path& folder)
{
    std::map<std::string, std::uintmax_t> counts;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            counts[entry.path().filename().string()] = entry.hard_link_count();
    return counts;
}

bool allSingle(const std::map<std::string, std::uintmax_t>& counts)
{
    return std::all_of(counts.begin(), counts.end(), [](const auto& entry) { return entry.second == 1; });
}

// The old files become the backup's without a byte written; once the swap has deleted their
// working names, the backup is their only name, and a restore brings copies back, so that the
// host's writes in place never reach a backup.
TEST_F(Backups, KeptByLinkThenTheBackupsAloneAndRestoredAsCopies)
{
    const auto before = snapshot(work.path());
    const fs::path oldTable = documents.path() / "ASIGT-anterior.DBF";
    fs::copy_file(work.path() / "ASIGT.DBF", oldTable);
    const IntakeSummary summary = runIntake(document("nuevo.xml", subjects({"MAT", "LEN"})), work.path());
    const Backup backup = listBackups(store.path()).at(0);
    ASSERT_FALSE(backup.files.empty());
    EXPECT_TRUE(allSingle(linkCounts(backup.folder)));
    EXPECT_TRUE(allSingle(linkCounts(work.path())));
    EXPECT_EQ(platform::readFile(backup.folder / "ASIGT.DBF"), platform::readFile(oldTable));

    restoreBackup(store.path(), work.path(), backup.id);
    EXPECT_EQ(snapshot(work.path()), before);
    EXPECT_TRUE(allSingle(linkCounts(work.path())));
    EXPECT_TRUE(allSingle(linkCounts(backup.folder)));

    // The host rewrites a table in place; the backup stays good for a second restore.
    {
        platform::ExclusiveFile table(work.path() / "ASIGT.DBF");
        table.replaceContent("the host's own rows");
        table.close();
    }
    restoreBackup(store.path(), work.path(), backup.id);
    EXPECT_EQ(snapshot(work.path()), before);
}

// A working file that has another name already could change through it: it is copied.
TEST_F(Backups, AFileWithAnotherNameIsCopiedNotLinked)
{
    const auto before = snapshot(work.path());
    const fs::path otherName = documents.path() / "asigt-enlace.dbf";
    fs::create_hard_link(work.path() / "ASIGT.DBF", otherName);
    runIntake(document("nuevo.xml", subjects({"MAT", "LEN"})), work.path());
    const Backup backup = listBackups(store.path()).at(0);
    EXPECT_FALSE(fs::equivalent(backup.folder / "ASIGT.DBF", otherName));
    EXPECT_TRUE(allSingle(linkCounts(backup.folder)));

    writeFile(otherName, "written through the other name");
    restoreBackup(store.path(), work.path(), backup.id);
    EXPECT_EQ(snapshot(work.path()), before);
}

// A swap that fails after the backup puts the old files back; the backup, which shares them,
// goes, so that no working file is left with a second name in the store. Every rename of the
// run is made to fail in turn, for an intake and for a restore.
class FailedSwap : public Backups, public testing::WithParamInterface<bool> { };

TEST_P(FailedSwap, LeavesNoBackupSharingAWorkingFile)
{
    const bool restoring = GetParam();
    const fs::path file = document("nuevo.xml", subjects({"MAT", "LEN"}));
    fs::create_directories(store.path());
    std::string id;
    if (restoring)
        id = runIntake(file, work.path()).backup->id;
    const auto run = [&] {
        if (restoring)
            restoreBackup(store.path(), work.path(), id);
        else
            runIntake(file, work.path());
    };
    const auto folderBefore = snapshot(work.path());
    const auto storeBefore = snapshot(store.path());
    TempFolder pristine;
    fs::copy(work.path(), pristine.path() / "work", fs::copy_options::recursive);
    fs::copy(store.path(), pristine.path() / "store", fs::copy_options::recursive);
    const auto reset = [&] {
        for (const char* name : {"work", "store"}) {
            const fs::path target = std::string(name) == "work" ? work.path() : store.path();
            fs::remove_all(target);
            fs::copy(pristine.path() / name, target, fs::copy_options::recursive);
        }
    };

    std::vector<platform::FileOperationSeen> seen;
    {
        platform::FaultInjection counting;
        run();
        seen = counting.seen();
    }
    std::size_t swapRenames = 0;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (seen[i].operation != platform::FileOperation::Rename
            || seen[i].file.string().rfind(work.path().string(), 0) != 0)
            continue;
        SCOPED_TRACE("rename " + seen[i].file.string());
        reset();
        {
            platform::FaultInjection faults(i + 1);
            EXPECT_THROW(run(), Error);
        }
        swapRenames += 1;
        EXPECT_EQ(snapshot(work.path()), folderBefore);
        EXPECT_TRUE(allSingle(linkCounts(work.path())));
        EXPECT_EQ(snapshot(store.path()), storeBefore);
    }
    EXPECT_GT(swapRenames, 10u);
}

INSTANTIATE_TEST_SUITE_P(Backups, FailedSwap, testing::Bool(), [](const testing::TestParamInfo<bool>& info) {
    return std::string(info.param ? "restore" : "intake");
});

// Whatever stops a restore, the working folder and the store stay as they were.
struct RestoreFailure {
    const char* title;
    // Spoils something and returns the id to restore.
    std::function<std::string(const Backup& backup, const fs::path& store)> spoil;
    std::string heldFile; // held open by another holder during the restore
    std::string messagePart;
    bool missing = false; // MissingInput rather than Error
};

class FailedRestore : public Backups, public testing::WithParamInterface<RestoreFailure> { };

TEST_P(FailedRestore, ChangesNothing)
{
    runIntake(document("centro.xml", subjects({"MAT", "LEN"})), work.path());
    const std::vector<Backup> backups = listBackups(store.path());
    ASSERT_EQ(backups.size(), 1u);
    const std::string id = GetParam().spoil(backups[0], store.path());
    std::optional<platform::ExclusiveFile> held;
    if (!GetParam().heldFile.empty())
        held.emplace(work.path() / GetParam().heldFile);
    const auto folderBefore = snapshot(work.path());
    const auto storeBefore = snapshot(store.path());

    try {
        restoreBackup(store.path(), work.path(), id);
        ADD_FAILURE() << "the restore should have stopped";
    } catch (const MissingInput& error) {
        EXPECT_TRUE(GetParam().missing) << error.what();
        EXPECT_NE(std::string(error.what()).find(GetParam().messagePart), std::string::npos) << error.what();
    } catch (const Error& error) {
        EXPECT_FALSE(GetParam().missing) << error.what();
        EXPECT_NE(std::string(error.what()).find(GetParam().messagePart), std::string::npos) << error.what();
    }

    held.reset();
    EXPECT_EQ(snapshot(work.path()), folderBefore);
    EXPECT_EQ(snapshot(store.path()), storeBefore);
}

std::string keep(const Backup& backup, const fs::path&)
{
    return backup.id;
}

INSTANTIATE_TEST_SUITE_P(
    Restore, FailedRestore,
    testing::Values(
        RestoreFailure {"table_held_by_another", keep, "ASIGT.DBF", "ASIGT"},
        RestoreFailure {"index_held_by_another", keep, "COUNTSES.MDX", "COUNTSES.MDX"},
        RestoreFailure {"copy_changed_since",
                        [](const Backup& backup, const fs::path&) {
                            writeFile(backup.folder / "ASIGNOMT.DBF", "not the table that was copied");
                            return backup.id;
                        },
                        "", "ASIGNOMT.DBF"},
        RestoreFailure {"copy_missing",
                        [](const Backup& backup, const fs::path&) {
                            fs::remove(backup.folder / "PROFT.DBF");
                            return backup.id;
                        },
                        "", "PROFT.DBF"},
        RestoreFailure {"unfinished_backup",
                        [](const Backup& backup, const fs::path&) {
                            fs::remove(backup.folder / manifestName);
                            return backup.id;
                        },
                        "", "incompleta"},
        // A list that names a file other than the working tables is refused whole, so that a
        // restore never writes over the solution or anything else of the host's.
        RestoreFailure {"list_names_another_file",
                        [](const Backup& backup, const fs::path&) {
                            writeFile(backup.folder / "SOLUC.DBF", "other solution");
                            Backup widened = backup;
                            widened.files.push_back({"SOLUC.DBF", hash::sha256Hex("other solution"), 14});
                            writeFile(backup.folder / manifestName, manifestText(widened));
                            return backup.id;
                        },
                        "", "SOLUC.DBF"},
        RestoreFailure {"backup_of_another_folder",
                        [](const Backup& backup, const fs::path&) {
                            Backup moved = backup;
                            moved.workingFolder = "/otra/carpeta";
                            writeFile(backup.folder / manifestName, manifestText(moved));
                            return backup.id;
                        },
                        "", "/otra/carpeta"},
        RestoreFailure {"unknown_id",
                        [](const Backup&, const fs::path&) { return std::string("20200101-000000-000-zzzz"); }, "",
                        "20200101-000000-000-zzzz", true},
        RestoreFailure {"id_is_a_path", [](const Backup&, const fs::path&) { return std::string("../store"); }, "",
                        "../store", true}),
    [](const testing::TestParamInfo<RestoreFailure>& info) { return std::string(info.param.title); });

TEST_F(Backups, RestoreWithoutBackupsIsAMissingInput)
{
    EXPECT_THROW(restoreBackup(store.path(), work.path(), ""), MissingInput);
}

TEST_F(Backups, OldestArePrunedFolderByFolder)
{
    const fs::path file = document("centro.xml", subjects({"MAT", "LEN"}));
    TempFolder otherFolder;
    const std::string otherBackup = runIntake(file, otherFolder.path()).backup->id;
    std::string vanishedBackup;
    {
        TempFolder vanishing;
        vanishedBackup = runIntake(file, vanishing.path()).backup->id;
    }
    // Folders in the store that are not backups are not the store's to remove; an unfinished
    // backup is, once it has been left for a while.
    fs::create_directories(store.path() / "mis-cosas");
    const fs::path unfinished = store.path() / "20000101-000000-000-abcd";
    fs::create_directories(unfinished);
    fs::last_write_time(unfinished, fs::file_time_type::clock::now() - std::chrono::hours(2));

    std::vector<std::string> made;
    for (int i = 0; i < 11; ++i)
        made.push_back(runIntake(file, work.path()).backup->id);

    std::vector<std::string> kept;
    for (const Backup& backup : listBackups(store.path(), work.path()))
        kept.push_back(backup.id);
    EXPECT_EQ(kept, std::vector<std::string>(made.rbegin(), made.rend() - 1));
    EXPECT_FALSE(fs::exists(store.path() / made.front()));

    EXPECT_TRUE(fs::exists(store.path() / otherBackup));
    EXPECT_FALSE(fs::exists(store.path() / vanishedBackup));
    EXPECT_TRUE(fs::exists(store.path() / "mis-cosas"));
    EXPECT_FALSE(fs::exists(unfinished));
}

// A store that cannot hold a backup stops the intake before anything is replaced.
class UnwritableStore : public Backups, public testing::WithParamInterface<const char*> { };

TEST_P(UnwritableStore, StopsTheIntakeWithTheFolderUnchanged)
{
    writeFile(documents.path() / "un-archivo", "not a folder");
    const fs::path storePath = documents.path() / GetParam();
    ScopedVariable variable("QUELVANE_BACKUP_DIR", storePath.string());
    const auto before = snapshot(work.path());
    try {
        runIntake(document("centro.xml", subjects({"MAT", "LEN"})), work.path());
        ADD_FAILURE() << "the intake should have stopped";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("No se ha cambiado ninguna tabla"), std::string::npos) << message;
        EXPECT_NE(message.find(storePath.string()), std::string::npos) << message;
    }
    EXPECT_EQ(snapshot(work.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Backups, UnwritableStore, testing::Values("un-archivo", "un-archivo/copias"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0 ? "store_is_a_file" : "store_below_a_file");
                         });

// Every file operation of the backup made to fail in turn: the intake either stops with the
// working folder as it was and no backup left, or succeeds with a whole backup.
TEST_F(Backups, AFailingDiskDuringTheBackupCostsNothing)
{
    const fs::path file = document("centro.xml", subjects({"MAT", "LEN"}));
    const auto before = snapshot(work.path());
    TempFolder runs;
    int attempt = 0;
    const auto freshRun = [&](std::size_t failing, std::vector<platform::FileOperationSeen>* seen) {
        const fs::path root = runs.path() / std::to_string(attempt++);
        fs::create_directories(root);
        fs::copy(work.path(), root / "work", fs::copy_options::recursive);
        ScopedVariable variable("QUELVANE_BACKUP_DIR", (root / "store").string());
        platform::FaultInjection faults(failing);
        std::optional<std::string> error;
        try {
            runIntake(file, root / "work");
        } catch (const Error& stopped) {
            error = stopped.what();
        }
        if (seen)
            *seen = faults.seen();
        return std::make_tuple(root, error, faults.injected());
    };

    std::vector<platform::FileOperationSeen> seen;
    freshRun(0, &seen);
    std::size_t tried = 0;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const std::string path = seen[i].file.string();
        if (path.find("/store") == std::string::npos)
            continue;
        ++tried;
        const auto [root, error, injected] = freshRun(i + 1, nullptr);
        ASSERT_TRUE(injected);
        SCOPED_TRACE(std::string(platform::operationName(seen[i].operation)) + " " + path);
        if (error) {
            EXPECT_EQ(snapshot(root / "work"), before) << *error;
            EXPECT_TRUE(listBackups(root / "store").empty()) << *error;
            EXPECT_FALSE(fs::exists(root / "store") && !fs::is_empty(root / "store")) << *error;
        } else {
            EXPECT_EQ(listBackups(root / "store").size(), 1u);
        }
    }
    EXPECT_GT(tried, 10u);
}

} // namespace
} // namespace quelvane::intake
