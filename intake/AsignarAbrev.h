#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

// Short codes: the keys of at most ten characters that the host works with, derived from the
// centre document's codes. All text here is Windows-1252.
namespace quelvane::intake {

// The used-key list of a numbering loader: two keys match when they are equal apart from letter
// case. Kept as folded keys in a hash set, so a large school does not pay a scan per element.
class UsedKeyList {
public:
    bool contains(std::string_view key) const;
    void add(std::string_view key);
    // The stem followed by the smallest number from 1 up that gives a key not in the list.
    std::string firstFreeNumbered(const std::string& stem);

private:
    std::unordered_set<std::string> folded_;
    // For each folded stem, the number from which the search for a free numbered key may start:
    // every smaller number was found taken, and keys are never removed, so it still is.
    std::unordered_map<std::string, unsigned long> nextNumber_;
};

// Rooms and groups shorten a key longer than ten characters to its first eight and last two
// characters; teachers keep it whole in their list and the table cuts it to ten when stored.
enum class LongKeys { Kept, Shortened };

// Numbering variant: a taken key gets its first ten characters, trimmed, followed by 1, 2, ...
// until free. Never refuses an element. The result enters the list.
std::string AsignarAbrev(std::string_view source, UsedKeyList& used, LongKeys longKeys);

enum class SubjectKind { Subject, ActivityType };

struct SubjectShortCode {
    std::optional<std::string> code; // nothing: the element is not loaded
    std::string takenCode; // when not loaded, the short code that was already given out
};

// Subject variant, shared by subjects and activity types through the two lists of one run
// (letter case significant). A taken code is not numbered: the later element is left out.
SubjectShortCode AsignarAbrev(std::string_view code, SubjectKind kind, std::set<std::string>& listaAbrev,
                              std::set<std::string>& listaCodigos);

// first 8 + last 2 characters when longer than 10
std::string shortenedKey(std::string_view key);

} // namespace quelvane::intake
