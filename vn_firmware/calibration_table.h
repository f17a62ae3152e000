#ifndef VN_FIRMWARE_CALIBRATION_TABLE_H
#define VN_FIRMWARE_CALIBRATION_TABLE_H

#include <map>
#include <string>

// The calibration of one channel.
struct CalEntry_T {
    double conversion_factor = 1.0;
    double second_value = 0.0;  // carried in the file, never applied
};

// Conversion factors of the channels of one calibration type, keyed by the
// channel's local id, with the date and serial number they were saved under.
// File: "SERIAL_NUMBER <text>", "DATE <text>", then "ENTRY <id> <factor> <second>"
// per entry in ascending id, one item a line.
class CalibrationTable {
public:
    static constexpr int MaxFileEntries = 256;
    static constexpr int ErrLoadOpen = 402;
    // Reals are written with %f: from this magnitude on an entry's line would
    // outgrow what is read of a line, and the entry would not read back. No
    // channel's factor comes near it.
    static constexpr double MaxFactorMagnitude = 1e15;

    // Header texts come from the link; they are kept to one word of the file
    // (blanks and control characters become '_', at most 31 characters), so
    // a line break cannot add lines to the file and the text reads back as set.
    void SetSerialNumber(const std::string& text) { serial_number = HeaderWord(text); }
    void SetDate(const std::string& text) { date = HeaderWord(text); }

    // The entry of key, inserting {1.0, 0.0} when there is none.
    CalEntry_T& AddEntry(int key);

    // 0, or 802 (VN_Lib::ERR_FILE_OPEN) when the file cannot be created or written.
    int SaveToFile(const std::string& path) const;
    // Empties the table, then reads the file. Lines may come in any order; the
    // first entry of a key wins, entries past the 256th key and malformed
    // entries are ignored, lines of another kind skipped. 0, or 402 when the
    // file cannot be opened or read.
    int LoadFromFile(const std::string& path);

    const std::map<int, CalEntry_T>& Entries() const { return entries; }
    const std::string& Date() const { return date; }
    const std::string& SerialNumber() const { return serial_number; }

private:
    static std::string HeaderWord(const std::string& text);
    void ParseLine(const std::string& line);

    std::map<int, CalEntry_T> entries;
    std::string date;
    std::string serial_number;
};

#endif
