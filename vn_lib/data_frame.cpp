#include "data_frame.h"

#include <cstring>

#include "sys_error.h"

namespace VN_Lib {

namespace {

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

uint64_t DoubleBits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

}  // namespace

int DataFrame::Clear() {
    bytes.clear();
    head = 0;
    return 0;
}

void DataFrame::AddLittleEndian(uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void DataFrame::PrependLittleEndian(uint64_t value, int width) {
    char encoded[8];
    for (int i = 0; i < width; ++i) {
        encoded[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    if (head >= static_cast<size_t>(width)) {
        head -= width;
        std::memcpy(bytes.data() + head, encoded, width);
    } else {
        bytes.insert(bytes.begin() + head, encoded, encoded + width);
    }
}

int DataFrame::ExtractLittleEndian(uint64_t* value, int width) {
    char encoded[8];
    int result = ExtractData(encoded, width);
    if (result != 0) {
        return result;
    }
    uint64_t decoded = 0;
    for (int i = 0; i < width; ++i) {
        decoded |= static_cast<uint64_t>(static_cast<unsigned char>(encoded[i])) << (8 * i);
    }
    *value = decoded;
    return 0;
}

int DataFrame::AddByte(char value) {
    bytes.push_back(value);
    return 0;
}

int DataFrame::AddShort(short value) {
    AddLittleEndian(static_cast<uint16_t>(value), 2);
    return 0;
}

int DataFrame::AddInt(int value) {
    AddLittleEndian(static_cast<uint32_t>(value), 4);
    return 0;
}

int DataFrame::AddLong(long value) {
    AddLittleEndian(static_cast<uint32_t>(value), 4);
    return 0;
}

int DataFrame::AddFloat(float value) {
    AddLittleEndian(FloatBits(value), 4);
    return 0;
}

int DataFrame::AddDouble(double value) {
    AddLittleEndian(DoubleBits(value), 8);
    return 0;
}

int DataFrame::AddData(const char* data, unsigned int length) {
    if (data != nullptr) {
        bytes.insert(bytes.end(), data, data + length);
    }
    return 0;
}

int DataFrame::AddString(const char* text) {
    if (text == nullptr || text[0] == '\0') {
        return 0;
    }
    bytes.insert(bytes.end(), text, text + std::strlen(text) + 1);
    return 0;
}

int DataFrame::AddString(const std::string& text) { return AddString(text.c_str()); }

int DataFrame::AddInts(const std::vector<int>& values, unsigned int /*count*/) {
    for (int value : values) {
        AddInt(value);
    }
    return 0;
}

int DataFrame::AddFloats(const std::vector<float>& values, unsigned int /*count*/) {
    for (float value : values) {
        AddFloat(value);
    }
    return 0;
}

int DataFrame::AddDoubles(const std::vector<double>& values, unsigned int /*count*/) {
    for (double value : values) {
        AddDouble(value);
    }
    return 0;
}

int DataFrame::PrependByte(char value) {
    PrependLittleEndian(static_cast<unsigned char>(value), 1);
    return 0;
}

int DataFrame::PrependShort(short value) {
    PrependLittleEndian(static_cast<uint16_t>(value), 2);
    return 0;
}

int DataFrame::ExtractByte(char* value) { return ExtractData(value, 1); }

int DataFrame::ExtractShort(short* value) {
    uint64_t raw;
    int result = ExtractLittleEndian(&raw, 2);
    if (result == 0) {
        *value = static_cast<short>(static_cast<uint16_t>(raw));
    }
    return result;
}

int DataFrame::ExtractInt(int* value) {
    uint64_t raw;
    int result = ExtractLittleEndian(&raw, 4);
    if (result == 0) {
        *value = static_cast<int32_t>(static_cast<uint32_t>(raw));
    }
    return result;
}

int DataFrame::ExtractLong(long* value) {
    uint64_t raw;
    int result = ExtractLittleEndian(&raw, 4);
    if (result == 0) {
        *value = static_cast<int32_t>(static_cast<uint32_t>(raw));
    }
    return result;
}

int DataFrame::ExtractFloat(float* value) {
    uint64_t raw;
    int result = ExtractLittleEndian(&raw, 4);
    if (result == 0) {
        uint32_t bits = static_cast<uint32_t>(raw);
        std::memcpy(value, &bits, sizeof(bits));
    }
    return result;
}

int DataFrame::ExtractDouble(double* value) {
    uint64_t raw;
    int result = ExtractLittleEndian(&raw, 8);
    if (result == 0) {
        std::memcpy(value, &raw, sizeof(raw));
    }
    return result;
}

int DataFrame::ExtractData(char* data, int length) {
    if (length <= 0) {
        return 0;
    }
    if (Size() < static_cast<size_t>(length)) {
        return ERR_SHORT_FRAME;
    }
    if (data != nullptr) {
        std::memcpy(data, Data(), length);
    }
    head += length;
    if (head == bytes.size()) {
        Clear();
    }
    return 0;
}

int DataFrame::ExtractString(std::string& text) {
    text.clear();
    while (!Empty()) {
        char c = bytes[head];
        ExtractData(nullptr, 1);
        if (c == '\0') {
            return 0;
        }
        text.push_back(c);
    }
    return ERR_SHORT_FRAME;
}

int DataFrame::ExtractDoubles(std::vector<double>& values, unsigned int count) {
    values.clear();
    for (unsigned int i = 0; i < count; ++i) {
        double value;
        int result = ExtractDouble(&value);
        if (result != 0) {
            return result;
        }
        values.push_back(value);
    }
    return 0;
}

}  // namespace VN_Lib
