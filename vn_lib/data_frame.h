#ifndef VN_LIB_DATA_FRAME_H
#define VN_LIB_DATA_FRAME_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace VN_Lib {

// The body of one frame of the command link: fields appended at the back and
// taken from the front in the same order. Every field has a fixed width and is
// little-endian on the wire whatever the host (long is 4 bytes, as int).
// Add and Prepend never fail; Extract returns ERR_SHORT_FRAME and takes nothing
// when too few bytes are left.
class DataFrame {
public:
    int Clear();

    int AddByte(char value);
    int AddShort(short value);
    int AddInt(int value);
    int AddLong(long value);
    int AddFloat(float value);
    int AddDouble(double value);
    int AddData(const char* data, unsigned int length);
    // The characters and a NUL; an empty string adds nothing at all.
    int AddString(const char* text);
    int AddString(const std::string& text);
    // Every element in order; the count is not used.
    int AddInts(const std::vector<int>& values, unsigned int count);
    int AddFloats(const std::vector<float>& values, unsigned int count);
    int AddDoubles(const std::vector<double>& values, unsigned int count);

    int PrependByte(char value);
    int PrependShort(short value);

    int ExtractByte(char* value);
    int ExtractShort(short* value);
    int ExtractInt(int* value);
    int ExtractLong(long* value);
    int ExtractFloat(float* value);
    int ExtractDouble(double* value);
    // Nothing is taken for length <= 0; a null output discards the bytes.
    int ExtractData(char* data, int length);
    // Up to and without the NUL; when no NUL is left, the bytes taken so far
    // are in text and ERR_SHORT_FRAME is returned.
    int ExtractString(std::string& text);
    // Empties values, then appends up to count doubles, stopping at the first failure.
    int ExtractDoubles(std::vector<double>& values, unsigned int count);

    size_t Size() const { return bytes.size() - head; }
    bool Empty() const { return Size() == 0; }
    const char* Data() const { return bytes.data() + head; }
    char operator[](size_t index) const { return bytes[head + index]; }

private:
    void AddLittleEndian(uint64_t value, int width);
    void PrependLittleEndian(uint64_t value, int width);
    int ExtractLittleEndian(uint64_t* value, int width);

    // Bytes before head have been extracted already; keeping them until the
    // frame is emptied makes taking fields from the front cheap.
    std::vector<char> bytes;
    size_t head = 0;
};

}  // namespace VN_Lib

#endif
