#include "intake/BackupManifest.h"

#include <gtest/gtest.h>
#include <string>

namespace quelvane::intake {
namespace {

namespace fs = std::filesystem;

const std::string digest(64, 'a');

Backup sample()
{
    Backup backup;
    backup.createdMs = 1714558923123;
    backup.workingFolder = "/datos/VTEMP con 100% \"espacio\"";
    backup.centreDocument = "/documentos/centro\nraro.xml";
    backup.centreDocumentSha256 = digest;
    backup.files = {{"ASIGNOMT.DBF", digest, 1234}, {"cursost.mdx", std::string(64, '0'), 0}};
    return backup;
}

TEST(BackupManifest, ReadsBackWhatItWrites)
{
    const Backup written = sample();
    const std::string text = manifestText(written);
    EXPECT_NE(text.find("time=2024-05-01T10:22:03.123Z\n"), std::string::npos) << text;
    const std::optional<Backup> read = readManifest(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->createdMs, written.createdMs);
    EXPECT_EQ(read->workingFolder, written.workingFolder);
    EXPECT_EQ(read->centreDocument, written.centreDocument);
    EXPECT_EQ(read->centreDocumentSha256, written.centreDocumentSha256);
    ASSERT_EQ(read->files.size(), 2u);
    EXPECT_EQ(read->files[1].name, "cursost.mdx");
    EXPECT_EQ(read->files[0].size, 1234u);
}

// A manifest that is not whole or names a file outside the backup's own folder is no manifest:
// the backup is taken for unfinished and never restored.
class BrokenManifest : public testing::TestWithParam<std::pair<const char*, std::string>> { };

TEST_P(BrokenManifest, IsRefused)
{
    EXPECT_FALSE(readManifest(GetParam().second)) << GetParam().second;
}

std::string withFile(const std::string& line)
{
    std::string text = manifestText(sample());
    return text.insert(text.rfind("end\n"), line + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    BackupManifest, BrokenManifest,
    testing::Values(std::pair {"cut_short", manifestText(sample()).substr(0, manifestText(sample()).size() - 4)},
                    std::pair {"no_end_of_line", manifestText(sample()).substr(0, manifestText(sample()).size() - 1)},
                    std::pair {"other_first_line", "otra cosa\n" + manifestText(sample()).substr(18)},
                    std::pair {"no_time", std::string("quelvane-backup 1\nworkdir=/x\nend\n")},
                    std::pair {"no_working_folder", std::string("quelvane-backup 1\ncreated=1\nend\n")},
                    std::pair {"unknown_escape", std::string("quelvane-backup 1\ncreated=1\nworkdir=/x%41\nend\n")},
                    std::pair {"file_in_a_parent_folder", withFile("file=" + digest + " 1 ../SOLUC.DBF")},
                    std::pair {"file_by_full_path", withFile("file=" + digest + " 1 /etc/passwd")},
                    std::pair {"file_on_a_drive", withFile("file=" + digest + " 1 C:ASIGT.DBF")},
                    std::pair {"file_without_digest", withFile("file=abc 1 ASIGT.DBF")},
                    std::pair {"file_without_size", withFile("file=" + digest + " ASIGT.DBF")},
                    std::pair {"lines_after_the_end", manifestText(sample()) + "file=" + digest + " 1 ASIGT.DBF\n"}),
    [](const testing::TestParamInfo<std::pair<const char*, std::string>>& info) {
        return std::string(info.param.first);
    });

TEST(BackupManifest, IdTimesSortByAgeAndReadBack)
{
    EXPECT_EQ(idTime(1714558923123), "20240501-102203-123");
    EXPECT_EQ(idTimeMs("20240501-102203-123-abcd"), 1714558923123);
    EXPECT_LT(idTime(1714558923123), idTime(1714558923124));
    EXPECT_LT(idTime(999999999999), idTime(1000000000000));
    EXPECT_FALSE(idTimeMs("20241301-102203-123"));
    EXPECT_FALSE(idTimeMs("2024-05-01-102203"));
    EXPECT_FALSE(idTimeMs("mis-cosas"));
}

} // namespace
} // namespace quelvane::intake
