#include "DeliveryTestSupport.h"

#include "common/WorkingTables.h"
#include "common/dbase/Table.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace quelvane::deliverytest {

namespace fs = std::filesystem;
namespace field = tables::field;
using dbase::FieldType;

namespace {

dbase::FieldDef character(std::string_view name, int width)
{
    return {std::string(name), FieldType::Character, width, 0};
}

dbase::Table createAndOpen(const fs::path& folder, std::string_view name, const std::vector<dbase::FieldDef>& fields)
{
    const fs::path file = dbase::tableFile(folder, name);
    dbase::createTable(file, fields);
    return dbase::Table::open(file);
}

void writeKeyTable(const fs::path& folder, std::string_view name, const std::vector<std::string>& keys,
                   std::string_view nameField)
{
    dbase::Table table = createAndOpen(folder, name, {character(field::ABREV, 10), character(nameField, 80)});
    for (const std::string& key : keys) {
        table.append();
        table.setText(field::ABREV, key);
        table.setText(nameField, "Nombre de " + key);
        table.post();
    }
    table.close();
}

// --- SOLUC written byte by byte, as hosts on older table levels do ---

struct RawField {
    std::string name;
    char type;
    int width;
    int decimals;
};

void putLittleEndian(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string numberText(const std::optional<double>& value, const RawField& f)
{
    if (!value)
        return std::string(static_cast<std::size_t>(f.width), ' ');
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%*.*f", f.width, f.decimals, *value);
    return buffer;
}

std::string characterText(const std::string& value, int width)
{
    std::string text = value.substr(0, static_cast<std::size_t>(width));
    text.resize(static_cast<std::size_t>(width), ' ');
    return text;
}

std::string encode(const RawField& f, const SolucRow& row)
{
    std::optional<double> number;
    if (f.name == field::DIA)
        number = row.dia;
    else if (f.name == field::HORA)
        number = row.hora;
    switch (f.type) {
    case 'N':
    case 'F':
        return numberText(f.name == "NSESION" ? std::optional<double>(7) : number, f);
    case 'I': {
        std::string out;
        putLittleEndian(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(number.value_or(0))), 4);
        return out;
    }
    case 'B': {
        const double value = number.value_or(0);
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        std::string out;
        putLittleEndian(out, bits, 8);
        return out;
    }
    default:
        break;
    }
    if (f.name == field::ASIG)
        return characterText(row.asig, f.width);
    if (f.name == field::TAREA)
        return characterText(row.tarea, f.width);
    if (f.name == field::CODGRUPO)
        return characterText(row.codGrupo, f.width);
    if (f.name == field::PROF)
        return characterText(row.prof, f.width);
    if (f.name == field::AULA)
        return characterText(row.aula, f.width);
    return characterText("nota", f.width);
}

void writeRawTable(const fs::path& file, unsigned char version, const std::vector<RawField>& fields,
                   const std::vector<SolucRow>& rows)
{
    const bool foxPro = version == 0x30;
    int recordLength = 1;
    for (const RawField& f : fields)
        recordLength += f.width;
    const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1 + (foxPro ? 263 : 0);

    std::string bytes;
    bytes += static_cast<char>(version);
    bytes += static_cast<char>(124); // 2024-09-10
    bytes += static_cast<char>(9);
    bytes += static_cast<char>(10);
    putLittleEndian(bytes, rows.size(), 4);
    putLittleEndian(bytes, static_cast<std::uint64_t>(headerLength), 2);
    putLittleEndian(bytes, static_cast<std::uint64_t>(recordLength), 2);
    bytes.append(17, '\0');
    bytes += static_cast<char>(foxPro ? 0x03 : 0x00); // language driver: Windows ANSI
    bytes.append(2, '\0');

    int offset = 1;
    for (const RawField& f : fields) {
        std::string descriptor(32, '\0');
        std::memcpy(descriptor.data(), f.name.data(), f.name.size());
        descriptor[11] = f.type;
        if (foxPro) {
            descriptor[12] = static_cast<char>(offset & 0xFF);
            descriptor[13] = static_cast<char>((offset >> 8) & 0xFF);
        }
        descriptor[16] = static_cast<char>(f.width);
        descriptor[17] = static_cast<char>(f.decimals);
        bytes += descriptor;
        offset += f.width;
    }
    bytes += '\x0D';
    if (foxPro)
        bytes.append(263, '\0');

    for (const SolucRow& row : rows) {
        bytes += ' ';
        for (const RawField& f : fields)
            bytes += encode(f, row);
    }
    bytes += '\x1A';
    writeBytes(file, bytes);
}

std::vector<RawField> rawLayout(SolucStorage storage)
{
    const std::string asig(field::ASIG), tarea(field::TAREA), dia(field::DIA), hora(field::HORA);
    const std::string codGrupo(field::CODGRUPO), prof(field::PROF), aula(field::AULA);
    switch (storage) {
    case SolucStorage::Dbase3Numeric:
        // Further fields and another order than the level 7 tables: delivery goes by name.
        return {{"OBS", 'C', 5, 0}, {asig, 'C', 8, 0}, {tarea, 'C', 8, 0}, {codGrupo, 'C', 8, 0}, {dia, 'N', 2, 0},
                {hora, 'N', 5, 1},  {prof, 'C', 4, 0}, {aula, 'C', 12, 0}, {"NSESION", 'N', 3, 0}};
    case SolucStorage::Dbase3Float:
        return {{asig, 'C', 10, 0},     {tarea, 'C', 10, 0}, {dia, 'F', 4, 0},  {hora, 'F', 8, 2},
                {codGrupo, 'C', 10, 0}, {prof, 'C', 10, 0},  {aula, 'C', 10, 0}};
    case SolucStorage::FoxProInteger:
        return {{asig, 'C', 10, 0},     {tarea, 'C', 10, 0}, {dia, 'I', 4, 0},  {hora, 'I', 4, 0},
                {codGrupo, 'C', 10, 0}, {prof, 'C', 10, 0},  {aula, 'C', 10, 0}};
    case SolucStorage::FoxProDouble:
        return {{asig, 'C', 10, 0},     {tarea, 'C', 10, 0}, {dia, 'B', 8, 0},  {hora, 'B', 8, 0},
                {codGrupo, 'C', 10, 0}, {prof, 'C', 10, 0},  {aula, 'C', 10, 0}};
    default:
        throw std::logic_error("not a hand-written storage");
    }
}

void writeLevel7Soluc(const fs::path& file, const std::vector<SolucRow>& rows, SolucStorage storage,
                      const std::string& omitField)
{
    const FieldType horaType = storage == SolucStorage::Level7Integers ? FieldType::Integer : FieldType::Double;
    std::vector<dbase::FieldDef> fields = {
        character(field::ASIG, 10),
        character(field::TAREA, 10),
        {std::string(field::DIA), FieldType::Integer, 4, 0},
        {std::string(field::HORA), horaType, horaType == FieldType::Integer ? 4 : 8, 0},
        character(field::CODGRUPO, 10),
        character(field::PROF, 10),
        character(field::AULA, 10),
    };
    std::erase_if(fields, [&](const dbase::FieldDef& f) { return f.name == omitField; });
    const auto has = [&](std::string_view name) { return name != omitField; };

    dbase::createTable(file, fields);
    dbase::Table soluc = dbase::Table::open(file);
    for (const SolucRow& row : rows) {
        soluc.append();
        if (has(field::ASIG))
            soluc.setText(field::ASIG, row.asig);
        if (has(field::TAREA))
            soluc.setText(field::TAREA, row.tarea);
        if (has(field::DIA) && row.dia)
            soluc.setInteger(field::DIA, static_cast<std::int32_t>(*row.dia));
        if (has(field::HORA) && row.hora) {
            if (horaType == FieldType::Integer)
                soluc.setInteger(field::HORA, static_cast<std::int32_t>(*row.hora));
            else
                soluc.setDouble(field::HORA, *row.hora);
        }
        if (has(field::CODGRUPO))
            soluc.setText(field::CODGRUPO, row.codGrupo);
        if (has(field::PROF))
            soluc.setText(field::PROF, row.prof);
        if (has(field::AULA))
            soluc.setText(field::AULA, row.aula);
        soluc.post();
    }
    soluc.close();
}

std::string escaped(const std::string& value)
{
    std::string out;
    for (const char c : value) {
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

} // namespace

LookupTables weekTables()
{
    LookupTables t;
    t.grupos = {"1ESOA", "2BACH"};
    t.profesores = {"P1", "P2"};
    t.aulas = {{"A1", "AULA-101"}, {"A2", ""}, {"A1", "DUPLICADA"}, {"LAB", "LAB-F\xCDSICA"}};
    t.asignaturas = {{"MAT", "MAT"},
                     {"ABCDEFGHKL", "ABCDEFGHIJ"},
                     {"M\xDAS", "M\xDAS-ESO"},
                     {"GUA", "GUA", true},
                     {"REC", "REC", true}};
    const std::array<std::pair<const char*, const char*>, 6> times = {{{"08:00", "08:55"},
                                                                       {"08:55", "09:50"},
                                                                       {"09:50", "10:45"},
                                                                       {"11:15", "12:10"},
                                                                       {"12:10", "13:05"},
                                                                       {"13:05", "14:00"}}};
    for (int slot = 1; slot <= 6; ++slot) {
        t.tramos.push_back({"1" + std::to_string(slot), times[slot - 1].first, times[slot - 1].second});
        t.tramos.push_back({"2" + std::to_string(slot), times[slot - 1].first, times[slot - 1].second});
    }
    t.tramos.push_back({"112", "15:00", "15:55"});
    for (int day = 3; day <= 8; ++day)
        t.tramos.push_back({std::to_string(day) + "1", "08:00", "08:55"});
    return t;
}

SolucRow lesson(std::string asig, std::optional<double> dia, std::optional<double> hora, std::string grupo,
                std::string prof, std::string aula)
{
    return {std::move(asig), "CCM", dia, hora, std::move(grupo), std::move(prof), std::move(aula)};
}

SolucRow task(std::string tarea, std::optional<double> dia, std::optional<double> hora, std::string grupo,
              std::string prof, std::string aula)
{
    return {tarea, tarea, dia, hora, std::move(grupo), std::move(prof), std::move(aula)};
}

void writeLookupTables(const fs::path& folder, const LookupTables& t)
{
    writeKeyTable(folder, tables::GRUPOST, t.grupos, field::DESCRIP);
    writeKeyTable(folder, tables::PROFT, t.profesores, field::NOMBRE);

    dbase::Table aulas = createAndOpen(
        folder, tables::AULAT,
        {character(field::ABREV, 10), character(field::NOMBRE, 80), character(field::ABREV_GESTION, 20)});
    for (const Aula& aula : t.aulas) {
        aulas.append();
        aulas.setText(field::ABREV, aula.abrev);
        aulas.setText(field::ABREV_GESTION, aula.abrevGestion);
        aulas.post();
    }
    aulas.close();

    dbase::Table asignaturas = createAndOpen(folder, tables::ASIGNOMT,
                                             {character(field::COD, 10),
                                              character(field::NOMBRE, 80),
                                              {std::string(field::ESTAREA), FieldType::Logical, 1, 0},
                                              character(field::ABREV_GESTION, 10)});
    for (const Asignatura& asignatura : t.asignaturas) {
        asignaturas.append();
        asignaturas.setText(field::COD, asignatura.cod);
        asignaturas.setLogical(field::ESTAREA, asignatura.esTarea);
        asignaturas.setText(field::ABREV_GESTION, asignatura.abrevGestion);
        asignaturas.post();
    }
    asignaturas.close();

    dbase::Table tramos
        = createAndOpen(folder, tables::DIASHORAST,
                        {character(field::DIHO, 10), character(field::HORADESDE, 8), character(field::HORAHASTA, 8)});
    for (const Tramo& tramo : t.tramos) {
        tramos.append();
        tramos.setText(field::DIHO, tramo.diho);
        tramos.setText(field::HORADESDE, tramo.horaDesde);
        tramos.setText(field::HORAHASTA, tramo.horaHasta);
        tramos.post();
    }
    tramos.close();

    createAndOpen(folder, tables::ASIGT, {character(field::CASIG, 10), character(field::CGRUP, 10)}).close();
}

const char* storageName(SolucStorage storage)
{
    switch (storage) {
    case SolucStorage::Level7IntegerDia_DoubleHora:
        return "Level7IntegerAndDouble";
    case SolucStorage::Level7Integers:
        return "Level7Integers";
    case SolucStorage::Dbase3Numeric:
        return "Dbase3Numeric";
    case SolucStorage::Dbase3Float:
        return "Dbase3Float";
    case SolucStorage::FoxProInteger:
        return "FoxProInteger";
    case SolucStorage::FoxProDouble:
        return "FoxProDouble";
    }
    return "?";
}

void writeSoluc(const fs::path& folder, const std::vector<SolucRow>& rows, SolucStorage storage,
                const std::string& omitField)
{
    const fs::path file = dbase::tableFile(folder, tables::SOLUC);
    switch (storage) {
    case SolucStorage::Level7IntegerDia_DoubleHora:
    case SolucStorage::Level7Integers:
        writeLevel7Soluc(file, rows, storage, omitField);
        return;
    case SolucStorage::Dbase3Numeric:
    case SolucStorage::Dbase3Float:
    case SolucStorage::FoxProInteger:
    case SolucStorage::FoxProDouble: {
        std::vector<RawField> fields = rawLayout(storage);
        std::erase_if(fields, [&](const RawField& f) { return f.name == omitField; });
        writeRawTable(file,
                      storage == SolucStorage::FoxProInteger || storage == SolucStorage::FoxProDouble ? 0x30 : 0x03,
                      fields, rows);
        return;
    }
    }
}

fs::path writeCentreDocument(const fs::path& folder, const std::string& name)
{
    const fs::path file = folder / name;
    writeBytes(file,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<Centro Codigo=\"38001234\" Nombre=\"IES Prueba\" CursoEscolar=\"2024-2025\" Version=\"1.0\">"
               "<Materias><Materia Codigo=\"MAT\" Denominacion=\"Matemáticas\"/></Materias></Centro>\n");
    return file;
}

std::string readBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::string horarioContent(const std::string& documentBytes)
{
    if (documentBytes.find("<horario/>") != std::string::npos)
        return {};
    const std::size_t open = documentBytes.find("<horario>");
    const std::size_t close = documentBytes.find("</horario>");
    if (open == std::string::npos || close == std::string::npos)
        throw std::runtime_error("no horario element in the document");
    const std::size_t start = open + std::strlen("<horario>");
    return documentBytes.substr(start, close - start);
}

std::string serialized(const std::vector<Actividad>& activities)
{
    std::string out;
    for (const Actividad& a : activities) {
        out += "<actividad tipo=\"" + escaped(a.tipo) + "\" codigoProfesor=\"" + escaped(a.codigoProfesor)
            + "\" codigoGrupo=\"" + escaped(a.codigoGrupo) + "\" codigoMateria=\"" + escaped(a.codigoMateria)
            + "\" codigoAula=\"" + escaped(a.codigoAula) + "\" dia=\"" + escaped(a.dia) + "\" HoraInicio=\""
            + escaped(a.horaInicio) + "\" HoraFin=\"" + escaped(a.horaFin) + "\"/>";
    }
    return out;
}

} // namespace quelvane::deliverytest
