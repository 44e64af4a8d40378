#include "common/WorkingTables.h"
#include "intake/IntakeContext.h"
#include "intake/LoaderFrame.h"
#include "intake/SubjectRows.h"

namespace quelvane::intake {

// Appends to the ASIGNOMT that CargarMaterias has just created: nothing is deleted or created.
void CargarTiposActividad(IntakeContext& context)
{
    dbase::Table table = dbase::Table::open(dbase::tableFile(context.folder, tables::ASIGNOMT), platform::Flush::Later);
    loadSubjectRows(table, context.DocXML.selectNodes("/Centro/TiposActividad/TipoActividad"),
                    SubjectKind::ActivityType, "CargarTiposActividad", context);
    closeLoaderTable(context, table);
}

} // namespace quelvane::intake
