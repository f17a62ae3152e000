#include "web/csv_conversion.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "web/day_file_lines.h"

namespace VN_Sample {

namespace {

const char* const RowEnd = "\r\n";
const size_t SinkPiece = 64 * 1024;
const double InvalidValue = -9999.0;

// Collects the text and hands it to the sink in pieces of about SinkPiece.
class PieceWriter {
public:
    explicit PieceWriter(const CsvSink& sink_) : sink(sink_) {}

    // False once the sink has stopped.
    bool Add(const std::string& text) {
        pending += text;
        return pending.size() < SinkPiece || Flush();
    }
    bool Flush() {
        if (pending.empty()) return true;
        const bool taken = sink(pending);
        pending.clear();
        return taken;
    }

private:
    const CsvSink& sink;
    std::string pending;
};

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> Split(const std::string& line, const std::string& delim) {
    if (delim.empty()) return {line};
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t at = line.find(delim); at != std::string::npos; at = line.find(delim, start)) {
        fields.push_back(line.substr(start, at - start));
        start = at + delim.size();
    }
    fields.push_back(line.substr(start));
    return fields;
}

// A data or units line: its date (or "mm/dd/yyyy") is taken by its length,
// since the delimiter may be one of its characters.
std::vector<std::string> SplitAfterDate(const std::string& line, const std::string& delim) {
    const size_t dateLength = 10;
    std::vector<std::string> fields = {line.substr(0, dateLength)};
    const std::vector<std::string> rest = Split(line.substr(std::min(line.size(), dateLength + delim.size())), delim);
    fields.insert(fields.end(), rest.begin(), rest.end());
    return fields;
}

std::string Cell(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

bool IsInvalid(const std::string& value) {
    const char* const start = value.c_str();
    char* end = nullptr;
    const double number = std::strtod(start, &end);
    if (end == start) return false;
    while (*end == ' ') ++end;
    return *end == '\0' && number == InvalidValue;
}

// The header lines of a day file: the id line ("Date" delim "Time" ...),
// the description line (also beginning "Date") and the units line
// ("mm/dd/yyyy" ...).
struct DayFileHeader_T {
    std::string delim = ",";
    std::vector<std::string> ids;
    std::vector<std::string> descriptions;
    std::vector<std::string> units;
    bool descriptionsSeen = false;

    void Take(const std::string& line) {
        if (line.compare(0, 4, "Date") == 0) {
            if (ids.empty() || descriptionsSeen || !units.empty()) {
                // An id line begins a header; it shows the delimiter.
                const size_t time = line.find("Time", 4);
                delim = time != std::string::npos && time > 4 ? line.substr(4, time - 4) : ",";
                *this = DayFileHeader_T{delim, Split(line, delim), {}, {}, false};
            } else {
                descriptions = Split(line, delim);
                descriptionsSeen = true;
            }
        } else if (line.compare(0, 10, "mm/dd/yyyy") == 0) {
            units = SplitAfterDate(line, delim);
        }
    }

    std::string ColumnName(size_t column) const {
        const std::string id = column < ids.size() ? Trimmed(ids[column]) : "";
        std::string description = column < descriptions.size() ? Trimmed(descriptions[column]) : "";
        // A module's description is its name and the quantity of the id ("1 Volts": "Roof Volts").
        const size_t space = id.find(' ');
        const std::string quantity = space != std::string::npos ? id.substr(space + 1) : "";
        if (!quantity.empty() && description.size() >= quantity.size() &&
            description.compare(description.size() - quantity.size(), quantity.size(), quantity) == 0)
            description = Trimmed(description.substr(0, description.size() - quantity.size()));
        const std::string unit = column < units.size() ? Trimmed(units[column]) : "";
        std::string name = id.empty() ? "Column " + std::to_string(column + 1) : id;
        if (!description.empty()) name += ": " + description;
        if (!unit.empty()) name += " (" + unit + ")";
        return name;
    }

    std::string Row() const {
        std::string row = "Date Time (local)";
        for (size_t column = 2; column < ids.size(); ++column) row += "," + Cell(ColumnName(column));
        return row + RowEnd;
    }
};

std::string DataRow(const std::string& line, const std::string& delim) {
    const std::vector<std::string> fields = SplitAfterDate(line, delim);
    const std::string& date = fields[0];
    std::string row = Cell(date.substr(6, 4) + "-" + date.substr(0, 2) + "-" + date.substr(3, 2) + " " + fields[1]);
    for (size_t column = 2; column < fields.size(); ++column)
        row += "," + (IsInvalid(fields[column]) ? std::string() : Cell(fields[column]));
    return row + RowEnd;
}

// Sized to the value: a fixed buffer would cut a large one's digits and show another number.
std::string Number(double value) {
    const int length = std::snprintf(nullptr, 0, "%f", value);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, "%f", value);
    return text;
}

}  // namespace

bool DayFileToCsv(std::FILE* file, uint64_t length, const CsvSink& sink) {
    PieceWriter writer(sink);
    DayFileHeader_T header;
    bool headerWritten = false;
    const bool read = ForEachCompleteLine(file, length, [&](const std::string& line) {
        if (!IsDataLine(line)) {
            header.Take(line);
            return true;
        }
        if (!headerWritten) {
            headerWritten = true;
            if (!writer.Add(header.Row())) return false;
        }
        return writer.Add(DataRow(line, header.delim));
    });
    if (!read) return false;
    if (!headerWritten && !writer.Add(header.Row())) return false;
    return writer.Flush();
}

bool CurveToCsv(const IvCurve& curve, const CsvSink& sink) {
    PieceWriter writer(sink);
    if (!writer.Add(std::string("Volts (V),Amps (A),Watts (W)") + RowEnd)) return false;
    for (const IvPointType& point : curve.Points)
        if (!writer.Add(Number(point.volts) + "," + Number(point.amps) + "," + Number(point.volts * point.amps) +
                        RowEnd))
            return false;
    return writer.Flush();
}

}  // namespace VN_Sample
