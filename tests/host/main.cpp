#include "tests/host/FillSoluc.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

// quelvane-test-host WORKDIR [--tasks-per-teacher N] [--rooms-tried N]: writes WORKDIR/SOLUC.DBF
// as the timetabling host would. The options give the benchmark a fuller timetable.
int main(int argc, char** argv)
{
    const char* usage = "Uso: quelvane-test-host CARPETA_DE_TRABAJO [--tasks-per-teacher N] [--rooms-tried N]\n";
    if (argc < 2 || argc % 2 != 0) {
        std::cerr << usage;
        return 2;
    }
    quelvane::testhost::FillOptions options;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (option == "--tasks-per-teacher" && value >= 0)
            options.tasksPerTeacher = value;
        else if (option == "--rooms-tried" && value >= 1)
            options.roomsTried = value;
        else {
            std::cerr << usage;
            return 2;
        }
    }
    try {
        const quelvane::testhost::FillReport report = quelvane::testhost::fillSoluc(argv[1], options);
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
