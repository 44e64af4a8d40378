// Centre documents built to hurt, through whole runs of intake and delivery: each ends with a
// clear error that leaves the working folder and the earlier timetable document as they were,
// or with the same result as the plain example, within bounded time and memory. The parser's own
// refusals are tested one by one in tests/common/XmlSafetyTest.cpp; here they meet the runs.
#include "RobustnessSupport.h"
#include "common/Error.h"
#include "common/dbase/Table.h"
#include "common/text/Text.h"
#include "common/xml/Document.h"
#include "delivery/Delivery.h"
#include "intake/Intake.h"
#include "tests/host/FillSoluc.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quelvane::robustness {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif
#else
constexpr bool addressSanitizer = false;
#endif

// AddressSanitizer reserves terabytes of address space, so only the plain build limits memory.
constexpr std::size_t memoryLimit = addressSanitizer ? 0 : std::size_t {1} << 30;
constexpr std::time_t someMoment = 1'726'000'000;
constexpr std::string_view earlierTimetable = "<?xml version=\"1.0\"?>\n<Centro><horario/></Centro>\n";

std::string example()
{
    return readFile(exampleDocument());
}

// The example with something put right after its XML declaration.
std::string afterDeclaration(const std::string& inserted)
{
    std::string text = example();
    text.insert(text.find("?>") + 2, "\n" + inserted);
    return text;
}

std::string replaced(std::string text, std::string_view from, std::string_view to)
{
    const std::size_t at = text.find(from);
    if (at == std::string::npos)
        throw std::runtime_error("not in the example: " + std::string(from));
    return text.replace(at, from.size(), to);
}

// UTF-16 with a byte order mark, declared as such.
std::string utf16(bool bigEndian)
{
    const std::string utf8 = replaced(example(), "encoding=\"UTF-8\"", "encoding=\"UTF-16\"");
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t code = lead;
        std::size_t length = 1;
        if (lead >= 0xE0) {
            code = lead & 0x0Fu;
            length = 3;
        } else if (lead >= 0xC0) {
            code = lead & 0x1Fu;
            length = 2;
        }
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        i += length;
        const char high = static_cast<char>(code >> 8);
        const char low = static_cast<char>(code & 0xFF);
        out += bigEndian ? std::string {high, low} : std::string {low, high};
    }
    return out;
}

std::string entityBomb()
{
    std::string doctype = "<!DOCTYPE Centro [\n<!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 12; ++level) {
        doctype += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i)
            doctype += "&lol" + std::to_string(level - 1) + ";";
        doctype += "\">\n";
    }
    doctype += "]>\n";
    return replaced(afterDeclaration(doctype), "Nombre=\"IES Valle de Tejeda\"", "Nombre=\"&lol12;\"");
}

std::string deeplyNested(int levels)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Centro Codigo=\"1\">";
    text.reserve(text.size() + 8 * static_cast<std::size_t>(levels));
    for (int i = 0; i < levels; ++i)
        text += "<a>";
    for (int i = 0; i < levels; ++i)
        text += "</a>";
    return text + "</Centro>\n";
}

// Paths the documents name. The "secret" is a named pipe: a parser that tried to read it would
// wait for ever, and the time limit would show it.
struct Places {
    fs::path pipe;
};

enum class Outcome { Refused, SameAsExample };

struct HostileCase {
    const char* name;
    std::function<std::string(const Places&)> document;
    Outcome outcome;
    std::string messagePart; // for a refusal
};

void PrintTo(const HostileCase& c, std::ostream* out)
{
    *out << c.name;
}

// Every table of a working folder as text, to compare results made on different days.
std::string dumpTables(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".DBF" && entry.path().stem() != "SOLUC")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string out;
    for (const fs::path& file : files) {
        dbase::Table table = dbase::Table::open(file);
        out += table.name() + "\n";
        for (table.first(); !table.eof(); table.next()) {
            for (const dbase::FieldDef& field : table.fields())
                out += field.name + "=" + text::toUtf8(table.text(field.name)) + "|";
            out += "\n";
        }
        table.close();
    }
    return out;
}

class HostileDocument : public testing::TestWithParam<HostileCase> {
protected:
    void SetUp() override
    {
        ::setenv("QUELVANE_BACKUP_DIR", (scratch.path() / "copias").c_str(), 1);
        fs::create_directories(work);
        fs::create_directories(documents);
        places.pipe = scratch.path() / "secreto";
        ASSERT_EQ(::mkfifo(places.pipe.c_str(), 0600), 0);
        // An earlier intake and the host's timetable: what a refused run must leave alone.
        intake::runIntake(exampleDocument(), work);
        testhost::fillSoluc(work);
        writeFile(work / "CURSOST.DBF", "the host's courses");
    }

    // The outcome of the run in a child process under limits: "ok", or "error:" and the message.
    ChildOutcome runInChild(const std::function<std::string()>& run)
    {
        return runLimited([&](const auto& say) { say(run()); }, memoryLimit, 120s);
    }

    static std::string outcomeOf(const std::function<void()>& run)
    {
        try {
            run();
            return "ok";
        } catch (const Error& error) {
            return std::string("error:") + error.what();
        }
    }

    void expectClearRefusal(const ChildOutcome& outcome, const fs::path& document)
    {
        ASSERT_TRUE(outcome.finished) << "killed after " << outcome.elapsed.count() << " ms";
        ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
        ASSERT_EQ(outcome.output.rfind("error:", 0), 0u) << outcome.output.substr(0, 500);
        const std::string message = outcome.output.substr(6);
        EXPECT_TRUE(validUtf8(message)) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        EXPECT_LT(message.size(), 1000u) << message;
        EXPECT_NE(message.find(document.string()), std::string::npos) << message;
        EXPECT_NE(message.find(GetParam().messagePart), std::string::npos) << message;
    }

    TempFolder scratch;
    fs::path work = scratch.path() / "vtemp";
    fs::path documents = scratch.path() / "documentos";
    Places places;
};

TEST_P(HostileDocument, IntakeRefusesItCleanlyOrLoadsItAsTheExample)
{
    const fs::path document = documents / "centro.xml";
    writeFile(document, GetParam().document(places));
    const auto before = snapshot(work);
    static const std::string expected = [] {
        TempFolder reference;
        intake::runIntake(exampleDocument(), reference.path());
        return dumpTables(reference.path());
    }();

    const ChildOutcome outcome = runInChild([&] { return outcomeOf([&] { intake::runIntake(document, work); }); });

    if (GetParam().outcome == Outcome::Refused) {
        expectClearRefusal(outcome, document);
        EXPECT_TRUE(snapshot(work) == before) << "the working folder changed";
    } else {
        ASSERT_TRUE(outcome.finished) << "killed after " << outcome.elapsed.count() << " ms";
        ASSERT_EQ(outcome.output, "ok");
        EXPECT_EQ(dumpTables(work), expected);
    }
}

TEST_P(HostileDocument, DeliveryRefusesItCleanlyOrWritesTheExamplesTimetable)
{
    const fs::path document = documents / "centro.xml";
    writeFile(document, GetParam().document(places));
    const fs::path output = delivery::outputPathFor(document);
    writeFile(output, earlierTimetable);
    const auto before = snapshot(documents);
    const auto tablesBefore = snapshot(work);

    const ChildOutcome outcome = runInChild([&] {
        return outcomeOf([&] {
            const delivery::DeliverySummary summary = delivery::runDelivery(document, work, someMoment);
            if (summary.lessons < 80)
                throw Error("only " + std::to_string(summary.lessons) + " lessons");
        });
    });

    EXPECT_TRUE(snapshot(work) == tablesBefore) << "the working tables changed";
    if (GetParam().outcome == Outcome::Refused) {
        expectClearRefusal(outcome, document);
        EXPECT_TRUE(snapshot(documents) == before) << "the documents' folder changed";
    } else {
        ASSERT_TRUE(outcome.finished) << "killed after " << outcome.elapsed.count() << " ms";
        ASSERT_EQ(outcome.output, "ok");
        const xml::Document written = xml::Document::load(output);
        EXPECT_EQ(written.documentElement().attribute("Nombre"), "IES Valle de Tejeda");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Robustness, HostileDocument,
    testing::Values(
        HostileCase {"external_entity_naming_a_local_file",
                     [](const Places& p) {
                         return replaced(afterDeclaration("<!DOCTYPE Centro [<!ENTITY secreto SYSTEM \""
                                                          + p.pipe.string() + "\">]>"),
                                         "Version=\"1.0\">", "Version=\"1.0\">&secreto;");
                     },
                     Outcome::Refused, "declara la entidad «secreto»"},
        HostileCase {"external_entity_naming_a_url",
                     [](const Places&) {
                         return afterDeclaration(
                             "<!DOCTYPE Centro [<!ENTITY secreto SYSTEM \"http://127.0.0.1:9/secreto\">]>");
                     },
                     Outcome::Refused, "declara la entidad «secreto»"},
        HostileCase {"parameter_entity_naming_a_local_file",
                     [](const Places& p) {
                         return afterDeclaration("<!DOCTYPE Centro [<!ENTITY % secreto SYSTEM \"" + p.pipe.string()
                                                 + "\"> %secreto;]>");
                     },
                     Outcome::Refused, "declara la entidad «secreto»"},
        HostileCase {"entity_expansion_bomb", [](const Places&) { return entityBomb(); }, Outcome::Refused,
                     "declara la entidad «lol0»"},
        HostileCase {
            "doctype_naming_only_an_external_dtd",
            [](const Places& p) { return afterDeclaration("<!DOCTYPE Centro SYSTEM \"" + p.pipe.string() + "\">"); },
            Outcome::SameAsExample, ""},
        HostileCase {"attribute_of_50_megabytes",
                     [](const Places&) {
                         return replaced(example(), "Nombre=\"IES Valle de Tejeda\"",
                                         "Nombre=\"" + std::string(50'000'000, 'x') + "\"");
                     },
                     Outcome::Refused, "línea 3"},
        HostileCase {"nesting_100000_levels", [](const Places&) { return deeplyNested(100'000); }, Outcome::Refused,
                     "línea 2"},
        HostileCase {"utf16_little_endian_with_bom", [](const Places&) { return utf16(false); }, Outcome::SameAsExample,
                     ""},
        HostileCase {"utf16_big_endian_with_bom", [](const Places&) { return utf16(true); }, Outcome::SameAsExample,
                     ""},
        HostileCase {"latin1_bytes_declared_utf8",
                     [](const Places&) { return replaced(example(), "Matemáticas", "Matem\xE1ticas"); },
                     Outcome::Refused, "línea 5"},
        HostileCase {"utf8_bytes_declared_utf16",
                     [](const Places&) { return replaced(example(), "encoding=\"UTF-8\"", "encoding=\"UTF-16\""); },
                     Outcome::Refused, "línea 1"},
        HostileCase {"unknown_encoding",
                     [](const Places&) { return replaced(example(), "encoding=\"UTF-8\"", "encoding=\"klingon\""); },
                     Outcome::Refused, "klingon"},
        // libxml2 quotes an unterminated comment cut after 50 bytes, here inside a two-byte
        // character for one of the two lengths; the message must stay UTF-8 all the same.
        HostileCase {"unterminated_comment_cut_inside_a_character",
                     [](const Places&) { return example() + "<!--" + std::string(40, 'n') + "ññññññññññññ"; },
                     Outcome::Refused, "Comment not terminated"},
        HostileCase {"unterminated_comment_cut_inside_a_character_shifted",
                     [](const Places&) { return example() + "<!--" + std::string(41, 'n') + "ññññññññññññ"; },
                     Outcome::Refused, "Comment not terminated"}),
    [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace quelvane::robustness
