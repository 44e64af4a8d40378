#include "intake/AsignarAbrev.h"

#include "common/text/Text.h"

#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quelvane::intake {
namespace {

struct NumberingCase {
    const char* title;
    LongKeys longKeys;
    std::vector<std::string> sources; // UTF-8, converted to Windows-1252 as the loaders read them
    std::vector<std::string> expected;
};

class NumberingVariant : public testing::TestWithParam<NumberingCase> { };

TEST_P(NumberingVariant, KeysInDocumentOrder)
{
    UsedKeyList used;
    std::vector<std::string> keys;
    for (const std::string& source : GetParam().sources)
        keys.push_back(text::toUtf8(AsignarAbrev(text::toCp1252(source), used, GetParam().longKeys)));
    EXPECT_EQ(keys, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    AsignarAbrev, NumberingVariant,
    testing::Values(
        NumberingCase {"teachers_case_ignored", LongKeys::Kept, {"P1", "p1"}, {"P1", "p11"}},
        NumberingCase {"teachers_same_code_thrice", LongKeys::Kept, {"7", "7", "7"}, {"7", "71", "72"}},
        // Teachers keep long keys whole; the table cuts them to ten when stored.
        NumberingCase {"teachers_long_code_twice",
                       LongKeys::Kept,
                       {"ABCDEFGHIJKL", "ABCDEFGHIJKL"},
                       {"ABCDEFGHIJKL", "ABCDEFGHIJ1"}},
        NumberingCase {
            "stem_is_trimmed", LongKeys::Kept, {"ABCDEFGHI JKL", "ABCDEFGHI JKL"}, {"ABCDEFGHI JKL", "ABCDEFGHI1"}},
        NumberingCase {"rooms_same_code_thrice", LongKeys::Shortened, {"A1", "A1", "A1"}, {"A1", "A11", "A12"}},
        NumberingCase {
            "ten_characters_twice", LongKeys::Shortened, {"AULA-GRAND", "AULA-GRAND"}, {"AULA-GRAND", "AULA-GRAD1"}},
        NumberingCase {"long_group_code", LongKeys::Shortened, {"GRUPOLARGO12"}, {"GRUPOLAR12"}},
        // The list holds the shortened key, so the long code is never found taken again.
        NumberingCase {"long_code_twice_shortened",
                       LongKeys::Shortened,
                       {"ABCDEFGHIJKL", "ABCDEFGHIJKL"},
                       {"ABCDEFGHKL", "ABCDEFGHKL"}},
        NumberingCase {
            "room_names_as_source", LongKeys::Shortened, {"Laboratori", "Laboratori"}, {"Laboratori", "Laboratoi1"}},
        NumberingCase {"empty_sources", LongKeys::Shortened, {"", "", ""}, {"", "1", "2"}},
        NumberingCase {"numbered_candidate_taken", LongKeys::Shortened, {"A", "A1", "A"}, {"A", "A1", "A2"}},
        NumberingCase {"numbered_key_taken_again", LongKeys::Shortened, {"A", "A", "A1"}, {"A", "A1", "A11"}},
        // A key given out after the search for its stem must still be skipped by the next search.
        NumberingCase {"later_key_in_the_numbering", LongKeys::Kept, {"X", "X", "x2", "X"}, {"X", "X1", "x2", "X3"}},
        NumberingCase {
            "accented_capitals_fold", LongKeys::Kept, {"AULAÑ", "aulañ", "Aulañ"}, {"AULAÑ", "aulañ1", "Aulañ2"}}),
    [](const testing::TestParamInfo<NumberingCase>& info) { return std::string(info.param.title); });

struct SubjectStep {
    SubjectKind kind;
    std::string code;
    std::optional<std::string> expected; // nothing: left out
};

struct SubjectCase {
    const char* title;
    std::vector<SubjectStep> steps;
};

class SubjectVariant : public testing::TestWithParam<SubjectCase> { };

TEST_P(SubjectVariant, ShortCodeOrLeftOut)
{
    std::set<std::string> listaAbrev;
    std::set<std::string> listaCodigos;
    for (const SubjectStep& step : GetParam().steps) {
        const SubjectShortCode result = AsignarAbrev(step.code, step.kind, listaAbrev, listaCodigos);
        EXPECT_EQ(result.code, step.expected) << "code " << step.code;
    }
}

constexpr SubjectKind S = SubjectKind::Subject;
constexpr SubjectKind T = SubjectKind::ActivityType;
const std::nullopt_t out = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    AsignarAbrev, SubjectVariant,
    testing::Values(
        SubjectCase {"subjects_then_tasks",
                     {{S, "MAT", "MAT"}, {S, "LEN", "LEN"}, {T, "GUA", "GUA"}, {T, "REC", "REC"}}},
        SubjectCase {"same_subject_twice", {{S, "MAT", "MAT"}, {S, "MAT", out}, {S, "LEN", "LEN"}}},
        SubjectCase {"task_with_a_subject_code", {{S, "MAT", "MAT"}, {T, "MAT", out}, {T, "GUA", "GUA"}}},
        SubjectCase {"letter_case_counts", {{S, "MAT", "MAT"}, {S, "mat", "mat"}}},
        SubjectCase {"long_code", {{S, "ABCDEFGHIJKL", "ABCDEFGHKL"}}},
        SubjectCase {"long_subjects_sharing_ten",
                     {{S, "ABCDEFGHIJ-1", "ABCDEFGH-1"}, {S, "ABCDEFGHIJ-2", "ABCDEFGH-2"}}},
        // Tasks remember only the first ten characters, so the second is keyed by them.
        SubjectCase {"long_tasks_sharing_ten", {{T, "ABCDEFGHIJ-1", "ABCDEFGH-1"}, {T, "ABCDEFGHIJ-2", "ABCDEFGHIJ"}}},
        SubjectCase {"long_subject_thrice",
                     {{S, "ABCDEFGHIJKL", "ABCDEFGHKL"}, {S, "ABCDEFGHIJKL", "ABCDEFGHIJ"}, {S, "ABCDEFGHIJKL", out}}},
        SubjectCase {"prefix_already_a_short_code", {{S, "ABCDEFGHIJ", "ABCDEFGHIJ"}, {S, "ABCDEFGHIJKL", out}}},
        SubjectCase {"computed_code_taken", {{S, "ABCDEFGHKL", "ABCDEFGHKL"}, {S, "ABCDEFGHIJKL", out}}},
        SubjectCase {"empty_codes", {{S, "", ""}, {S, "", out}}}),
    [](const testing::TestParamInfo<SubjectCase>& info) { return std::string(info.param.title); });

} // namespace
} // namespace quelvane::intake
