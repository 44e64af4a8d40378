#pragma once

#include "common/dbase/Table.h"
#include "common/xml/Document.h"
#include "delivery/CodeBook.h"
#include "delivery/Delivery.h"

// The translation of SOLUC's rows into the actividad elements of the timetable document.
namespace quelvane::delivery {

// The open tables that the translation reads; the delivery run owns them.
struct ActivityTables {
    dbase::Table& soluc;
    dbase::Table& grupos; // GRUPOST
    dbase::Table& profesores; // PROFT
    dbase::Table& aulas; // AULAT
    dbase::Table& asignaturas; // ASIGNOMT
    dbase::Table& tramos; // DIASHORAST
};

// Appends one actividad to horario per translatable row: the lessons in SOLUC's order, then
// the tasks in SOLUC's order. Keys that stand for a longer or repeated code go back as that code. Returns the counts
// and the rows passed over; outputFile is left empty. Leaves SOLUC at its end and the lookup tables on whatever record
// they last found.
DeliverySummary EscribirActividades(const ActivityTables& tables, const CodeBook& codes, xml::Element horario);

} // namespace quelvane::delivery
