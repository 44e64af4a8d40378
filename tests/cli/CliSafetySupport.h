#pragma once

#include "CliTestSupport.h"

#include <filesystem>
#include <string>

// A working folder with the tables of an earlier intake and files of the host's, and a backup
// store of its own, for the tests of check, backups and restore.
namespace quelvane::cli::testsupport {

inline const std::string earlierDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<Centro><Materias><Materia Codigo="MAT" Denominacion="Matemáticas"/><Materia Codigo="OLD" Denominacion="Vieja"/>
</Materias><Aulas><Aula Codigo="A1" Denominacion="Aula 1"/><Aula Codigo="A2" Denominacion="Aula 2"/></Aulas></Centro>
)";

inline const std::string newDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<Centro><Materias><Materia Codigo="MAT" Denominacion="Matemáticas II"/><Materia Codigo="LEN" Denominacion="Lengua"/>
</Materias><Aulas><Aula Codigo="A1" Denominacion="Aula 1"/><Aula Denominacion="Laboratorio de Física"/></Aulas></Centro>
)";

class SafetyCommand {
public:
    SafetyCommand()
    {
        writeFile(documents.path() / "anterior.xml", earlierDocument);
        writeFile(documents.path() / "centro.xml", newDocument);
        run("intake " + document("anterior.xml"));
        // The earlier intake's backup is not one of those the tests look at.
        std::filesystem::remove_all(store());
        writeFile(work.path() / "CURSOST.DBF", "courses");
        writeFile(work.path() / "SOLUC.DBF", "solution");
    }

    std::filesystem::path store() const { return stores.path() / "store"; }
    std::string document(const std::string& name) const { return quoted((documents.path() / name).string()); }

    // quelvane-cli with these arguments on the working folder, backups in the store.
    Outcome run(const std::string& arguments) const
    {
        return runCli(arguments + " --workdir " + quoted(work.path().string()),
                      "QUELVANE_BACKUP_DIR=" + quoted(store().string()));
    }

    TempFolder documents;
    TempFolder work;
    TempFolder stores;
};

} // namespace quelvane::cli::testsupport
