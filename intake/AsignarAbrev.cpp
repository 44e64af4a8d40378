#include "intake/AsignarAbrev.h"

#include "common/text/Text.h"

namespace quelvane::intake {

namespace {
constexpr std::size_t keyWidth = 10;
}

bool UsedKeyList::contains(std::string_view key) const
{
    return folded_.contains(text::foldCase(key));
}

void UsedKeyList::add(std::string_view key)
{
    folded_.insert(text::foldCase(key));
}

std::string UsedKeyList::firstFreeNumbered(const std::string& stem)
{
    // Digits fold to themselves, so whether stem + n is taken depends on the folded stem only.
    const std::string foldedStem = text::foldCase(stem);
    unsigned long& n = nextNumber_.try_emplace(foldedStem, 1).first->second;
    while (folded_.contains(foldedStem + text::integerText(static_cast<std::int64_t>(n))))
        ++n;
    return stem + text::integerText(static_cast<std::int64_t>(n));
}

std::string shortenedKey(std::string_view key)
{
    if (key.size() <= keyWidth)
        return std::string(key);
    return std::string(key.substr(0, 8)) + std::string(key.substr(key.size() - 2));
}

std::string AsignarAbrev(std::string_view source, UsedKeyList& used, LongKeys longKeys)
{
    std::string key(source);
    if (used.contains(key))
        key = used.firstFreeNumbered(std::string(text::trimControls(text::first(key, keyWidth))));
    // The shortened key is not tested again, as the tables have always been built: two long codes
    // that agree in their first eight and last two characters end up with the same key.
    if (longKeys == LongKeys::Shortened)
        key = shortenedKey(key);
    used.add(key);
    return key;
}

SubjectShortCode AsignarAbrev(std::string_view code, SubjectKind kind, std::set<std::string>& listaAbrev,
                              std::set<std::string>& listaCodigos)
{
    const std::string prefix(text::trimControls(text::first(code, keyWidth)));
    if (listaAbrev.contains(prefix))
        return {std::nullopt, prefix};

    // Activity types remember only their prefix, so two of them that share their first ten
    // characters both get a row, the second keyed by the prefix.
    const std::string memo = kind == SubjectKind::Subject ? std::string(code) : prefix;
    std::string key;
    if (listaCodigos.insert(memo).second)
        key = shortenedKey(code);
    else
        key = prefix;

    if (listaAbrev.contains(key))
        return {std::nullopt, key};
    listaAbrev.insert(key);
    return {key, {}};
}

} // namespace quelvane::intake
