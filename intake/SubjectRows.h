#pragma once

#include "common/dbase/Field.h"
#include "common/dbase/Table.h"
#include "common/xml/Document.h"
#include "intake/AsignarAbrev.h"
#include "intake/IntakeContext.h"

#include <string_view>
#include <vector>

// ASIGNOMT holds subjects and activity types alike; the two loaders differ only in the collection,
// the ESTAREA flag and what the subject variant of AsignarAbrev remembers of the code.
namespace quelvane::intake {

const std::vector<dbase::FieldDef>& asignomtFields();

// One row per element, in document order, for every element that AsignarAbrev lets in; the
// others are listed in the summary. Applies the single-element rule to the collection.
void loadSubjectRows(dbase::Table& table, const std::vector<xml::Element>& elements, SubjectKind kind,
                     std::string_view loader, IntakeContext& context);

} // namespace quelvane::intake
