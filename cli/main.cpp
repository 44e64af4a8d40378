#include "cli/Commands.h"
#include "common/platform/WorkingFolder.h"

#include <iostream>
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
    = "Uso: quelvane-cli ORDEN CENTRO.xml [--workdir CARPETA] [--json]\n"
      "\n"
      "Órdenes:\n"
      "  intake   reconstruye las tablas de trabajo desde el documento del centro\n"
      "  deliver  escribe el documento de horario desde SOLUC junto al documento del centro\n"
      "\n"
      "Opciones:\n"
      "  --workdir CARPETA  carpeta de trabajo (por omisión QUELVANE_WORKDIR o la del programa de horarios)\n"
      "  --json             resumen en JSON\n"
      "  --help             esta ayuda\n"
      "  --version          versión\n";

int usageError(const std::string& message)
{
    std::cerr << "quelvane-cli: " << message << "\n\n" << usageText;
    return Usage;
}

} // namespace
} // namespace quelvane::cli

int main(int argc, char** argv)
{
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
    if (line.command != "intake" && line.command != "deliver")
        return usageError("orden desconocida: " + line.command);
    if (positional.size() != 2)
        return usageError("la orden " + line.command + " necesita un documento del centro y solo uno");
    line.document = positional[1];
    if (line.workdir && line.workdir->empty())
        return usageError("la carpeta de --workdir está vacía");
    return line.command == "intake" ? intakeCommand(line) : deliverCommand(line);
}
