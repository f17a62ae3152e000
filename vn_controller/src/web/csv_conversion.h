#ifndef VN_CONTROLLER_CSV_CONVERSION_H
#define VN_CONTROLLER_CSV_CONVERSION_H

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "channels/iv_curve.h"

// Day files and curves as CSV (comma-separated, "\r\n" line ends, a cell
// quoted when it holds a comma or a quote), written to a sink in pieces.

namespace VN_Sample {

// Takes the next piece of the CSV text; false stops the conversion (the
// client has gone).
using CsvSink = std::function<bool(const std::string& text)>;

// One header row, then one row per data line among the first length bytes
// of the day file. The header row is "Date Time (local)" and one cell per
// stored column: its id header, ": " and its description when that says
// more than the id, and its unit in parentheses when there is one
// ("1 Volts (Volts)", "1 Aux: Irradiance (W/m2)"). A row is the stored date
// and time as "yyyy-mm-dd hh:mm:ss", then the values as stored, an invalid
// value (-9999) as an empty cell. The header comes from the header lines
// before the first data line; header lines further on (a file continued
// after a restart) give no row, but their delimiter is used for the lines
// after them. A last line without its line end is left out. False when
// reading failed or the sink stopped.
bool DayFileToCsv(std::FILE* file, uint64_t length, const CsvSink& sink);

// "Volts (V),Amps (A),Watts (W)", then one row per point.
bool CurveToCsv(const IvCurve& curve, const CsvSink& sink);

}  // namespace VN_Sample

#endif
