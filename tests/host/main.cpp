#include "tests/host/FillSoluc.h"

#include <exception>
#include <iostream>

// quelvane-test-host WORKDIR: writes WORKDIR/SOLUC.DBF as the timetabling host would.
int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "Uso: quelvane-test-host CARPETA_DE_TRABAJO\n";
        return 2;
    }
    try {
        const quelvane::testhost::FillReport report = quelvane::testhost::fillSoluc(argv[1]);
        std::cout << "SOLUC.DBF escrito en " << argv[1] << ": " << report.lessonRows << " sesiones de clase ("
                  << report.unplacedLessons << " sin colocar) y " << report.taskRows << " tareas.\n";
        for (const std::string& skipped : report.skipped)
            std::cout << "  fila de ASIGT sin colocar, su materia o su grupo no están en las tablas: " << skipped
                      << "\n";
        return 0;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}
