#include "common/WorkingTables.h"
#include "intake/IntakeContext.h"
#include "intake/LoaderFrame.h"
#include "intake/SubjectRows.h"

namespace quelvane::intake {

void CargarMaterias(IntakeContext& context)
{
    dbase::Table table = createLoaderTable(context.folder, tables::ASIGNOMT, asignomtFields());
    loadSubjectRows(table, context.DocXML.selectNodes("/Centro/Materias/Materia"), SubjectKind::Subject,
                    "CargarMaterias", context);
    closeLoaderTable(context, table);
}

} // namespace quelvane::intake
