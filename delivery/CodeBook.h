#pragma once

#include "common/xml/Document.h"

#include <string>
#include <string_view>
#include <unordered_map>

// Pincel-eKade's codes behind the working tables' keys. A key is the code itself unless the
// code is longer than ten characters or was met twice (Materia FILOSOFIA1BAC has the key
// FILOSOFIAC and ABREV_GESTION FILOSOFIA1; a second group 1ESOA has the key 1ESOA1); written
// back as they stand, such keys name nothing that Pincel-eKade knows and the lessons would be
// lost on import. Intake derived every key from the centre document that delivery loads, so
// deriving them again from it gives each key its code.
namespace quelvane::delivery {

class CodeBook {
public:
    // Every key as the intake of this document gave it out. Windows-1252, like the tables.
    static CodeBook fromCentreDocument(const xml::Document& document);

    // The code of a subject found in ASIGNOMT by its key COD. `abrevGestion` is the code as the
    // table stores it (cut to its width) and is kept when the document gives no code that it
    // is the beginning of: then the document is not the one the tables came from.
    std::string subjectCode(const std::string& cod, const std::string& abrevGestion) const;
    // The code of a room found in AULAT by its key ABREV; `abrevGestion` as for subjects.
    std::string roomCode(const std::string& abrev, const std::string& abrevGestion) const;
    // The code of a teacher of PROFT or a group of GRUPOST by its key; the key itself when the
    // document gives it no code.
    std::string teacherCode(const std::string& abrev) const;
    std::string groupCode(const std::string& abrev) const;

private:
    using KeyToCode = std::unordered_map<std::string, std::string>;
    static std::string storedCode(const KeyToCode& book, const std::string& key, const std::string& stored,
                                  std::size_t width);
    static std::string keyCode(const KeyToCode& book, const std::string& key);

    KeyToCode subjects_; // ASIGNOMT.COD
    KeyToCode teachers_; // PROFT.ABREV
    KeyToCode rooms_; // AULAT.ABREV
    KeyToCode groups_; // GRUPOST.ABREV
};

} // namespace quelvane::delivery
