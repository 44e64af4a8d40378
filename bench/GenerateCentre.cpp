// Writes a synthetic centre document of a large secondary school, scaled by S, for the
// benchmark. The same seed and scale always give the same bytes.
//
//   quelvane-bench-generate SCALE SEED OUTPUT.xml
//
// At S = 1: 150 teachers, 12 departments, 80 rooms, 6 teachings, 100 groups with 15 group
// subjects each, 30 subjects, 8 activity types and 35 slots a week (Monday to Friday, seven
// slots of 55 minutes). Larger S multiplies every collection but the week. About 2% of the
// codes repeat and about 5% are longer than ten characters, as real centres' exports do.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

// A small generator of our own, so that the output does not depend on the library's
// distributions.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : state_(seed * 0x9E3779B97F4A7C15ull + 1)
    {
    }
    std::uint32_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 11);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
    bool percent(int p) { return below(100) < p; }

private:
    std::uint64_t state_;
};

const std::vector<std::string> givenNames = {"María", "José",   "Ana",  "Juan",  "Lucía", "Pedro", "Carmen",
                                             "Íñigo", "Begoña", "Raúl", "Nuria", "Óscar", "Elena", "Sebastián"};
const std::vector<std::string> surnames = {"García",    "Pérez", "Rodríguez", "Hernández", "Martín", "Suárez",
                                           "Domínguez", "Núñez", "Castañeda", "Ibáñez",    "Ortega", "Cabrera"};
const std::vector<std::string> subjectNames = {"Matemáticas",
                                               "Lengua Castellana y Literatura",
                                               "Física y Química",
                                               "Geografía e Historia",
                                               "Inglés",
                                               "Educación Física",
                                               "Biología",
                                               "Tecnología",
                                               "Música",
                                               "Educación Plástica",
                                               "Francés",
                                               "Filosofía",
                                               "Latín",
                                               "Economía",
                                               "Religión"};

std::string escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A code as the administration system gives them: mostly short, some long, a few repeated.
std::string code(Random& random, const std::string& prefix, int index, std::vector<std::string>& given)
{
    if (!given.empty() && random.percent(2))
        return given[random.below(static_cast<int>(given.size()))];
    std::string value = prefix + std::to_string(index);
    if (random.percent(5))
        value += "-LARGO" + std::to_string(index % 97);
    given.push_back(value);
    return value;
}

std::string pick(Random& random, const std::vector<std::string>& list)
{
    return list[random.below(static_cast<int>(list.size()))];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "Uso: quelvane-bench-generate ESCALA SEMILLA SALIDA.xml\n";
        return 2;
    }
    const int scale = std::atoi(argv[1]);
    Random random(std::strtoull(argv[2], nullptr, 10));
    if (scale < 1) {
        std::cerr << "La escala debe ser un entero positivo.\n";
        return 2;
    }
    std::ofstream out(argv[3], std::ios::binary);
    if (!out) {
        std::cerr << "No se pudo escribir " << argv[3] << "\n";
        return 1;
    }

    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<Centro Codigo=\"38000001\" Nombre=\"IES Sintético " << scale
        << "\" CursoEscolar=\"2026/2027\" Version=\"3.1\">\n";

    std::vector<std::string> subjectCodes;
    out << "  <Materias>\n";
    for (int i = 0; i < 30 * scale; ++i) {
        const std::string c = code(random, "MAT", i, subjectCodes);
        out << "    <Materia Codigo=\"" << escaped(c) << "\" Denominacion=\"" << escaped(pick(random, subjectNames))
            << " " << i << "\"/>\n";
    }
    out << "  </Materias>\n  <TiposActividad>\n";
    std::vector<std::string> taskCodes;
    for (int i = 0; i < 8 * scale; ++i) {
        const std::string c = code(random, "TAR", i, taskCodes);
        out << "    <TipoActividad Codigo=\"" << escaped(c) << "\" Denominacion=\"Guardia " << i << "\"/>\n";
    }
    out << "  </TiposActividad>\n  <Departamentos>\n";
    std::vector<std::string> departmentCodes;
    for (int i = 0; i < 12 * scale; ++i) {
        const std::string c = code(random, "DEP", i, departmentCodes);
        out << "    <Departamento Codigo=\"" << escaped(c) << "\" Denominacion=\"Departamento de "
            << escaped(pick(random, subjectNames)) << "\"/>\n";
    }
    out << "  </Departamentos>\n  <Profesores>\n";
    std::vector<std::string> teacherCodes;
    for (int i = 0; i < 150 * scale; ++i) {
        const std::string c = code(random, "P", 1000 + i, teacherCodes);
        out << "    <Profesor Codigo=\"" << escaped(c) << "\" Nombre=\"" << escaped(pick(random, givenNames))
            << "\" Apellido1=\"" << escaped(pick(random, surnames)) << "\" Apellido2=\""
            << escaped(pick(random, surnames)) << "\" CodigoDep=\""
            << escaped(departmentCodes[random.below(static_cast<int>(departmentCodes.size()))]) << "\"/>\n";
    }
    out << "  </Profesores>\n  <Aulas>\n";
    std::vector<std::string> roomCodes;
    for (int i = 0; i < 80 * scale; ++i) {
        const bool withoutCode = random.percent(3);
        const std::string c = withoutCode ? "" : code(random, "A", i, roomCodes);
        out << "    <Aula Codigo=\"" << escaped(c) << "\" Denominacion=\"Aula de "
            << escaped(pick(random, subjectNames)) << " " << i << "\"/>\n";
    }
    out << "  </Aulas>\n  <Ensenanzas>\n";
    std::vector<std::string> teachingCodes;
    for (int i = 0; i < 6 * scale; ++i) {
        // Appended rather than "E" + ...: GCC 12 at -O3 warns wrongly (-Wrestrict) on the latter.
        teachingCodes.push_back(std::string("E").append(std::to_string(100 + i)));
        out << "    <Ensenanza Codigo=\"" << teachingCodes.back() << "\" Denominacion=\"Enseñanza Secundaria " << i
            << "\"/>\n";
    }
    out << "  </Ensenanzas>\n  <Sesiones>\n";
    const char days[] = {'L', 'M', 'X', 'J', 'V'};
    for (const char day : days) {
        for (int slot = 0; slot < 7; ++slot) {
            const int start = 8 * 60 + slot * 55 + (slot >= 3 ? 30 : 0);
            const int end = start + 55;
            char times[32];
            std::snprintf(times, sizeof times, "%02d:%02d\" HoraFin=\"%02d:%02d", start / 60, start % 60, end / 60,
                          end % 60);
            out << "    <Sesion Dia=\"" << day << "\" HoraInicio=\"" << times << "\"/>\n";
        }
    }
    out << "  </Sesiones>\n  <Grupos>\n";
    std::vector<std::string> groupCodes;
    // About two weekly sessions a subject, so that a group's 15 subjects fill some 30 of the 35
    // slots, as a real week does; "02,75" and "01,50" take intake's minute-spreading rules.
    const char* hours[] = {"01,00", "01,00", "02,00", "02,00", "02,00", "03,00", "04,00", "02,75", "01,50", "00,00"};
    const int hourChoices = static_cast<int>(sizeof hours / sizeof hours[0]);
    for (int i = 0; i < 100 * scale; ++i) {
        const std::string c = code(random, "G", i, groupCodes);
        out << "    <Grupo Codigo=\"" << escaped(c) << "\" Denominacion=\"" << (1 + i % 4) << "º ESO "
            << static_cast<char>('A' + i % 6) << "\" CodigoEnsenanza=\""
            << teachingCodes[random.below(static_cast<int>(teachingCodes.size()))] << "\" Turno=\"M\" Curso=\""
            << (1 + i % 4) << "\" Letra=\"" << static_cast<char>('A' + i % 6) << "\" CodigoTutor=\""
            << escaped(teacherCodes[random.below(static_cast<int>(teacherCodes.size()))]) << "\">\n"
            << "      <MateriasGrupo>\n";
        for (int k = 0; k < 15; ++k) {
            out << "        <MateriaGrupo Codigo=\""
                << escaped(subjectCodes[random.below(static_cast<int>(subjectCodes.size()))]) << "\" Horas=\""
                << hours[random.below(hourChoices)] << "\"/>\n";
        }
        out << "      </MateriasGrupo>\n    </Grupo>\n";
    }
    out << "  </Grupos>\n</Centro>\n";
    out.flush();
    if (!out) {
        std::cerr << "No se pudo escribir " << argv[3] << "\n";
        return 1;
    }
    return 0;
}
