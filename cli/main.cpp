#include "cli/Commands.h"
#include "common/platform/Allocator.h"
#include "common/platform/WorkingFolder.h"

#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelvane::cli {

std::filesystem::path workingFolder(const CommandLine& line)
{
    return line.workdir ? *line.workdir : platform::defaultWorkingFolder();
}

namespace {

constexpr std::string_view usageText
    = "Uso: quelvane-cli ORDEN [ARGUMENTO] [--workdir CARPETA] [--json]\n"
      "\n"
      "Órdenes:\n"
      "  intake CENTRO.xml   reconstruye las tablas de trabajo desde el documento del centro,\n"
      "                      tras copiar las anteriores\n"
      "  check CENTRO.xml    prueba la carga sin cambiar nada y muestra en qué cambiarían las tablas\n"
      "  deliver CENTRO.xml  escribe el documento de horario desde SOLUC junto al documento del centro\n"
      "  backups             lista las copias de las tablas de la carpeta de trabajo\n"
      "  restore [ID]        devuelve las tablas de una copia (sin ID, la más reciente)\n"
      "\n"
      "Opciones:\n"
      "  --workdir CARPETA  carpeta de trabajo (por omisión QUELVANE_WORKDIR o la del programa de horarios)\n"
      "  --json             resumen en JSON\n"
      "  --help             esta ayuda\n"
      "  --version          versión\n"
      "\n"
      "Las copias se guardan en QUELVANE_BACKUP_DIR o, por omisión, en la carpeta de datos del usuario\n"
      "(Quelvane/backups); se guardan las 10 últimas de cada carpeta de trabajo.\n";

enum class Operand { Document, None, OptionalBackupId };

struct Command {
    std::string_view name;
    Operand operand;
    int (*run)(const CommandLine&);
};

constexpr Command commands[] = {
    {"intake", Operand::Document, intakeCommand},           {"check", Operand::Document, checkCommand},
    {"deliver", Operand::Document, deliverCommand},         {"backups", Operand::None, backupsCommand},
    {"restore", Operand::OptionalBackupId, restoreCommand},
};

// Takes the command's operand into the line; what is wrong with them otherwise.
std::optional<std::string> takeOperands(const Command& command, const std::vector<std::string>& operands,
                                        CommandLine& line)
{
    switch (command.operand) {
    case Operand::Document:
        if (operands.size() != 1)
            return "la orden " + line.command + " necesita un documento del centro y solo uno";
        line.document = operands[0];
        return std::nullopt;
    case Operand::None:
        if (!operands.empty())
            return "la orden " + line.command + " no admite argumentos";
        return std::nullopt;
    case Operand::OptionalBackupId:
        if (operands.size() > 1)
            return "la orden " + line.command + " admite como mucho el identificador de una copia";
        line.backupId = operands.empty() ? std::string() : operands[0];
        return std::nullopt;
    }
    return std::nullopt;
}

int usageError(const std::string& message)
{
    std::cerr << "quelvane-cli: " << message << "\n\n" << usageText;
    return Usage;
}

} // namespace
} // namespace quelvane::cli

int main(int argc, char** argv)
{
    quelvane::platform::mergeFreedBlocksPromptly();
    using namespace quelvane::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    CommandLine line;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << usageText;
            return Success;
        }
        if (arg == "--version") {
            std::cout << "quelvane-cli " QUELVANE_VERSION "\n";
            return Success;
        }
        if (arg == "--json") {
            line.json = true;
        } else if (arg == "--workdir") {
            if (i + 1 >= args.size())
                return usageError("falta la carpeta tras --workdir");
            line.workdir = args[++i];
        } else if (arg.rfind("--workdir=", 0) == 0) {
            line.workdir = arg.substr(10);
        } else if (arg.rfind("--", 0) == 0) {
            return usageError("opción desconocida: " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty())
        return usageError("falta la orden");
    line.command = positional[0];
    const Command* command = nullptr;
    for (const Command& candidate : commands)
        if (candidate.name == line.command)
            command = &candidate;
    if (!command)
        return usageError("orden desconocida: " + line.command);
    if (const auto wrong = takeOperands(*command, {positional.begin() + 1, positional.end()}, line))
        return usageError(*wrong);
    if (line.workdir && line.workdir->empty())
        return usageError("la carpeta de --workdir está vacía");
    return command->run(line);
}
