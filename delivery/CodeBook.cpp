#include "delivery/CodeBook.h"

#include "common/text/Text.h"
#include "common/xml/AttributeValue.h"
#include "intake/AsignarAbrev.h"
#include "intake/LoaderFrame.h"

#include <set>
#include <vector>

namespace quelvane::delivery {

namespace {

constexpr std::size_t keyWidth = 10;
constexpr std::size_t roomCodeWidth = 20; // AULAT.ABREV_GESTION

// The elements that intake loaded: the keys of activity types depend on those the subjects took.
std::vector<xml::Element> loadedElements(const xml::Document& document, std::string_view path)
{
    std::vector<xml::Element> elements = document.selectNodes(path);
    if (!intake::holdsData(elements.size()))
        elements.clear();
    return elements;
}

std::string codigo(const xml::Element& element)
{
    return xml::attributeValue(element, "Codigo");
}

} // namespace

CodeBook CodeBook::fromCentreDocument(const xml::Document& document)
{
    CodeBook book;
    // Where two elements end up with one key, the table's lookup finds the first row, so the
    // first element's code is the one that key stands for.

    std::set<std::string> listaAbrev;
    std::set<std::string> listaCodigos;
    for (const auto& [path, kind] :
         {std::pair {"/Centro/Materias/Materia", intake::SubjectKind::Subject},
          std::pair {"/Centro/TiposActividad/TipoActividad", intake::SubjectKind::ActivityType}}) {
        for (const xml::Element& element : loadedElements(document, path)) {
            const std::string code = codigo(element);
            const intake::SubjectShortCode key = intake::AsignarAbrev(code, kind, listaAbrev, listaCodigos);
            if (key.code)
                book.subjects_.try_emplace(*key.code, code);
        }
    }

    intake::UsedKeyList teacherKeys;
    for (const xml::Element& element : loadedElements(document, "/Centro/Profesores/Profesor")) {
        const std::string code = codigo(element);
        // Teachers keep long keys whole in their list; the table holds the first ten characters.
        const std::string key = intake::AsignarAbrev(code, teacherKeys, intake::LongKeys::Kept);
        book.teachers_.try_emplace(std::string(text::first(key, keyWidth)), code);
    }

    intake::UsedKeyList roomKeys;
    for (const xml::Element& element : loadedElements(document, "/Centro/Aulas/Aula")) {
        const std::string code = codigo(element);
        const std::string source
            = code.empty() ? std::string(text::first(xml::attributeValue(element, "Denominacion"), keyWidth)) : code;
        book.rooms_.try_emplace(intake::AsignarAbrev(source, roomKeys, intake::LongKeys::Shortened), code);
    }

    intake::UsedKeyList groupKeys;
    for (const xml::Element& element : loadedElements(document, "/Centro/Grupos/Grupo")) {
        const std::string code = codigo(element);
        book.groups_.try_emplace(intake::AsignarAbrev(code, groupKeys, intake::LongKeys::Shortened), code);
    }
    return book;
}

std::string CodeBook::storedCode(const KeyToCode& book, const std::string& key, const std::string& stored,
                                 std::size_t width)
{
    const auto found = book.find(key);
    if (found != book.end() && text::first(found->second, width) == stored)
        return found->second;
    return stored;
}

std::string CodeBook::keyCode(const KeyToCode& book, const std::string& key)
{
    const auto found = book.find(key);
    return found != book.end() ? found->second : key;
}

std::string CodeBook::subjectCode(const std::string& cod, const std::string& abrevGestion) const
{
    return storedCode(subjects_, cod, abrevGestion, keyWidth);
}

std::string CodeBook::roomCode(const std::string& abrev, const std::string& abrevGestion) const
{
    return storedCode(rooms_, abrev, abrevGestion, roomCodeWidth);
}

std::string CodeBook::teacherCode(const std::string& abrev) const
{
    return keyCode(teachers_, abrev);
}

std::string CodeBook::groupCode(const std::string& abrev) const
{
    return keyCode(groups_, abrev);
}

} // namespace quelvane::delivery
