#include "analog104.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "port_io.h"
#include "short_timer.h"

namespace VN_Lib {

namespace {

// Port offsets from the card's base.
const int StatusPort = 0;
const int ResultPort = 2;
const int SpiDataPort = 4;
const int SpiSelectPort = 5;
const int GpioPort = 6;
const int GpioHighPort = 7;
const int FrontEndPort = 8;
const int TachPort01 = 10;
const int TachPort23 = 12;
const int PortCount = 16;

const int StatusResultReady = 0x01;
const int StatusSpiReceived = 0x02;
const int StatusSpiBusy = 0x04;

const int ResultOverRangeHigh = 0x7FFF;
const int ResultOverRangeLow = -32768;
const int StatusPollLimit = 101;

const int FlagOverRange = 1;
const int FlagNoResult = 22;
const int ErrSpiBusy = 26;
const int ErrEepromBusy = 27;

const int gain_code[Analog104::RangeCount] = {0, 64, 128, 192};
const unsigned int mux_delay[Analog104::RangeCount] = {2000, 2000, 2000, 2000};
const int MuxCount = 8;
const int ChanCount = 8;
const int ReferenceChan[Analog104::RangeCount] = {3, 4, 5, 6};
const int ZeroChan = 7;
const double CountScale[Analog104::RangeCount] = {5.0 / 32768, 0.5 / 32768, 0.05 / 32768, 0.005 / 32768};
const float DefaultNominal[Analog104::RangeCount] = {4.0f, 0.4f, 0.04f, 0.004f};
const unsigned int ReferenceAveragingUs = 1000;
const unsigned int ReferenceSettlingUs = 2000;
const unsigned int ParkingSettlingUs = 1;
const unsigned int ProbeAveragingUs = 100;
const unsigned int ColdJunctionAveragingUs = 1000;
const unsigned int ZeroSwitchDelayUs = 10;

// Cold-junction sensors: (mux, chan) of sensors 0..2; 10 mV per degree.
const int ColdJunctionMux[3] = {0, 0, 1};
const int ColdJunctionChan[3] = {0, 2, 4};
const float DegreesPerVolt = 100.0f;
const float UnknownSensor = 999.0f;

const double ThermocoupleLimitVolts = 0.01;
const float ThermocoupleInvalid = -999.0f;
const int ThermocoupleTypes = 3;
// Cold junction degrees C -> volts, per TC_Type.
const double v_type_t[4] = {-5.433831e-07, 3.864398e-05, 4.248664e-08, -1.08886e-11};
const double v_type_k[4] = {-2.692366e-07, 3.943048e-05, 2.637477e-08, -1.104586e-10};
const double v_type_j[4] = {3.265706e-07, 5.037422e-05, 2.965945e-08, -6.518267e-11};
// Volts -> degrees C, per TC_Type.
const double type_t[4] = {-0.00422462, 25884.95, -706811.6, 27985240.0};
const double type_k[4] = {-0.006405045, 25373.6, -410415.1, 42955180.0};
const double type_j[4] = {-0.01549444, 19856.3, -223609.5, 10872520.0};
const double* const v_tc_con[ThermocoupleTypes] = {v_type_t, v_type_k, v_type_j};
const double* const tc_con[ThermocoupleTypes] = {type_t, type_k, type_j};

const double RpmPerTachCount = 71.526;
const int FanCount = 4;

const int SpiSelectNone = 7;
const unsigned int SpiByteTimeoutUs = 10;
const unsigned char EepromReadStatus = 0x05;
const unsigned char EepromWriteEnable = 0x06;
const unsigned char EepromWriteDisable = 0x04;
const unsigned char EepromRead = 0x03;
const unsigned char EepromWrite = 0x02;
const int EepromBusyBit = 0x01;
const int EepromWriteEnabledBit = 0x02;
const int EepromPageSize = 8;
const int EepromSize = 256;
const unsigned int EepromReadyTimeoutUs = 10000;
const int EepromStringLimit = 128;
const int ConstantsAddress = 0;
// A stored constant further than this from its default is taken as a blank
// or damaged EEPROM rather than a real reference.
const float ConstantTolerance = 0.1f;

std::mutex SpiMutex;

void SetOut(int* out, int value) {
    if (out != nullptr) *out = value;
}

bool ValidRange(int range) { return range >= 0 && range < Analog104::RangeCount; }

double Cubic(const double* c, double x) { return c[0] + c[1] * x + c[2] * x * x + c[3] * x * x * x; }

void Delay(unsigned long microSeconds) {
    ShortTimer timer;
    timer.MicroSecondDelay(microSeconds);
}

int StartRange(int probeMagnitude) {
    if (probeMagnitude < 32) return 3;
    if (probeMagnitude <= 326) return 2;
    if (probeMagnitude <= 3275) return 1;
    return 0;
}

}  // namespace

Analog104::Analog104(int base) : baseAddress(base), currentRange(0), referenceStep(0) {
    for (int r = 0; r < RangeCount; ++r) {
        referenceNominal[r] = DefaultNominal[r];
        referenceVolts[r] = 0.0f;
        referenceCount[r] = 0;
        zeroOffset[r] = 0;
        voltsPerCount[r] = 0.0f;
    }
    coldJunctionTemperature[0] = coldJunctionTemperature[1] = 0.0f;
    init_io_port(static_cast<unsigned long>(baseAddress), PortCount);
}

Analog104::~Analog104() = default;

void Analog104::Initialize(bool readConstants) {
    for (int r = 0; r < RangeCount; ++r) referenceNominal[r] = DefaultNominal[r];
    currentRange = 0;
    if (readConstants) ReadConstants();
    referenceStep = 0;
    UpdateAllReferences();
}

void Analog104::SetupConversion(int range, int mux, int chan, unsigned int settlingUs) {
    currentRange = range;
    // Through the shorted input first, so the new input starts from zero.
    _outp(baseAddress + FrontEndPort, static_cast<char>(ZeroChan));
    Delay(ZeroSwitchDelayUs);
    SwitchMuxGain(range, mux, chan);
    Delay(settlingUs);
}

int Analog104::ReadAD(int range, int mux, int chan, int offset, unsigned int settlingUs, unsigned int averagingUs,
                      int* flag) {
    // Out-of-table values would spill into the neighbouring bit fields of the
    // front-end port and read some other input.
    if (!ValidRange(range) || mux < 0 || mux >= MuxCount || chan < 0 || chan >= ChanCount) {
        SetOut(flag, FlagNoResult);
        return 0;
    }
    SetupConversion(range, mux, chan, settlingUs);
    return ReadAD_Fast(offset, averagingUs, flag);
}

int Analog104::ReadAD_Fast(int offset, unsigned int averagingUs, int* flag) {
    SetOut(flag, 0);
    // Drops a result converted before the caller's set-up.
    _inpw(baseAddress + ResultPort);
    ShortTimer timer;
    // 64 bits: a long window at the converter's rate overflows an int.
    int64_t sum = 0;
    int64_t count = 0;
    for (;;) {
        int polls = 0;
        while ((_inp(baseAddress + StatusPort) & StatusResultReady) == 0) {
            if (++polls >= StatusPollLimit) {
                SetOut(flag, FlagNoResult);
                return 0;
            }
        }
        int value = static_cast<int16_t>(static_cast<uint16_t>(_inpw(baseAddress + ResultPort)));
        if (value == ResultOverRangeHigh || value == ResultOverRangeLow) {
            SetOut(flag, FlagOverRange);
            return value;
        }
        sum += value;
        ++count;
        if (averagingUs == 0 || timer.ReadTimerMicroSeconds() >= averagingUs) {
            return static_cast<int>(sum / count) - offset;
        }
    }
}

int Analog104::Auto_Read_Int(int mux, int chan, unsigned int averagingUs, int* range) {
    int flag = 0;
    int probe = ReadAD(0, mux, chan, zeroOffset[0], mux_delay[0], ProbeAveragingUs, &flag);
    int j = StartRange(std::abs(probe));
    int count = ReadAD(j, mux, chan, zeroOffset[j], mux_delay[j], averagingUs, &flag);
    while (flag != 0 && j > 0) {
        --j;
        count = ReadAD(j, mux, chan, zeroOffset[j], mux_delay[j], averagingUs, &flag);
    }
    SetOut(range, j);
    return count;
}

double Analog104::Auto_Read_Volts(int mux, int chan, unsigned int averagingUs, int* range) {
    int used = 0;
    int count = Auto_Read_Int(mux, chan, averagingUs, &used);
    SetOut(range, used);
    return count * static_cast<double>(voltsPerCount[used]);
}

double Analog104::Read_Volts_Fast(unsigned int averagingUs) {
    int flag = 0;
    int count = ReadAD_Fast(zeroOffset[currentRange], averagingUs, &flag);
    return count * static_cast<double>(voltsPerCount[currentRange]);
}

int Analog104::Read_Int(int mux, int chan, int offset, int range, unsigned int averagingUs, int* flag) {
    return ReadAD(range, mux, chan, offset, ReferenceSettlingUs, averagingUs, flag);
}

float Analog104::Read_CJC(int sensor) {
    if (sensor < 0 || sensor > 2) return UnknownSensor;
    double volts = Auto_Read_Volts(ColdJunctionMux[sensor], ColdJunctionChan[sensor], ColdJunctionAveragingUs, nullptr);
    return static_cast<float>(volts) * DegreesPerVolt;
}

int Analog104::Filter(int value, int fresh) { return (value * 19 + fresh) / 20; }

void Analog104::MeasureZero(int range, bool filtered) {
    int flag = 0;
    int count = ReadAD(range, 0, ZeroChan, 0, ReferenceSettlingUs, ReferenceAveragingUs, &flag);
    // A failed conversion is no zero: the full calibration records 0, the
    // incremental one keeps the value it has.
    if (flag != 0) {
        if (!filtered) zeroOffset[range] = 0;
        return;
    }
    zeroOffset[range] = filtered ? Filter(zeroOffset[range], count) : count;
}

void Analog104::MeasureReference(int range, bool filtered) {
    int flag = 0;
    int count = ReadAD(range, 0, ReferenceChan[range], zeroOffset[range], ReferenceSettlingUs, ReferenceAveragingUs,
                       &flag);
    // An over-range code would give a plausible but wrong correction; 0 makes
    // the range read 0 V until an update succeeds.
    if (flag != 0) {
        if (filtered) return;
        count = 0;
    }
    referenceCount[range] = filtered ? Filter(referenceCount[range], count) : count;
    int reference = referenceCount[range];
    referenceVolts[range] = static_cast<float>(reference * CountScale[range]);
    voltsPerCount[range] = reference == 0 ? 0.0f : referenceNominal[range] / static_cast<float>(reference);
}

void Analog104::MeasureColdJunction(int sensor, bool filtered) {
    float fresh = Read_CJC(sensor);
    float& value = coldJunctionTemperature[sensor];
    value = filtered ? (value * 19.0f + fresh) / 20.0f : fresh;
}

int Analog104::UpdateAllReferences() {
    for (int r = 0; r < RangeCount; ++r) MeasureZero(r, false);
    for (int r = RangeCount - 1; r >= 0; --r) MeasureReference(r, false);
    MeasureColdJunction(0, false);
    MeasureColdJunction(1, false);
    int flag = 0;
    return ReadAD(0, 0, ZeroChan, 0, ParkingSettlingUs, 0, &flag);
}

void Analog104::UpdateNextReference() {
    // Step order: zeros, references and cold junctions interleaved so each
    // range's reference follows its own zero.
    static const int NextStep[10] = {4, 5, 6, 7, 1, 2, 3, 8, 9, 0};
    int step = referenceStep;
    if (step >= 0 && step <= 3) {
        MeasureZero(step, true);
    } else if (step >= 4 && step <= 7) {
        MeasureReference(step - 4, true);
    } else if (step == 8 || step == 9) {
        MeasureColdJunction(step - 8, true);
    }
    referenceStep = (step >= 0 && step <= 9) ? NextStep[step] : 0;
    SwitchMuxGain(0, 0, ZeroChan);
}

float Analog104::Linearize_TC(double volts, double coldJunction, int type) {
    if (!(volts >= -ThermocoupleLimitVolts && volts <= ThermocoupleLimitVolts)) return ThermocoupleInvalid;
    if (type < 0 || type >= ThermocoupleTypes) return ThermocoupleInvalid;
    double total = volts + Cubic(v_tc_con[type], coldJunction);
    return static_cast<float>(Cubic(tc_con[type], total));
}

int Analog104::SetFanSpeed(float percent) {
    // Written as "not >=" so that NaN is taken as 0 too.
    if (!(percent >= 0.0f)) percent = 0.0f;
    if (percent > 100.0f) percent = 100.0f;
    int level = static_cast<int>(percent * 255.0 / 100.0 + 0.5);
    _outp(baseAddress + GpioPort, static_cast<char>(level));
    return 0;
}

int Analog104::GetFanSpeed(int fan) {
    if (fan < 0 || fan >= FanCount) return 0;
    int word = _inpw(baseAddress + (fan < 2 ? TachPort01 : TachPort23));
    int counts = (fan % 2 == 0) ? (word & 0xFF) : ((word >> 8) & 0xFF);
    return static_cast<int>(counts * RpmPerTachCount);
}

void Analog104::SwitchMuxGain(int range, int mux, int chan) {
    if (!ValidRange(range)) return;
    int code = gain_code[range] | ((mux & 7) * 8) | (chan & 7);
    _outp(baseAddress + FrontEndPort, static_cast<char>(code));
}

int Analog104::SelectSpi(int select) {
    _outp(baseAddress + SpiSelectPort, static_cast<char>(select));
    return 0;
}

int Analog104::SPI_Select0() { return SelectSpi(0); }
int Analog104::SPI_Select1() { return SelectSpi(1); }
int Analog104::SPI_Select2() { return SelectSpi(2); }
int Analog104::SPI_Select3() { return SelectSpi(3); }
int Analog104::SPI_Select4() { return SelectSpi(4); }
int Analog104::SPI_Select5() { return SelectSpi(5); }
int Analog104::SPI_DeSelect() { return SelectSpi(SpiSelectNone); }

int Analog104::SPI_Write(unsigned char byte) {
    _outp(baseAddress + SpiDataPort, static_cast<char>(byte));
    ShortTimer timer;
    while ((_inp(baseAddress + StatusPort) & StatusSpiBusy) != 0) {
        if (timer.ReadTimerMicroSeconds() >= SpiByteTimeoutUs) {
            return (_inp(baseAddress + StatusPort) & StatusSpiBusy) != 0 ? ErrSpiBusy : 0;
        }
    }
    return 0;
}

unsigned char Analog104::SPI_Read_NoWait() { return static_cast<unsigned char>(_inp(baseAddress + SpiDataPort)); }

unsigned char Analog104::SPI_Read_Wait() {
    ShortTimer timer;
    while ((_inp(baseAddress + StatusPort) & StatusSpiReceived) == 0 &&
           timer.ReadTimerMicroSeconds() < SpiByteTimeoutUs) {
    }
    return SPI_Read_NoWait();
}

int Analog104::EEPROM_ReadStatus() {
    SPI_Select3();
    SPI_Write(EepromReadStatus);
    SPI_Read_NoWait();
    SPI_DeSelect();
    return SPI_Read_Wait();
}

int Analog104::EEPROM_WaitReady() {
    ShortTimer timer;
    while (timer.ReadTimerMicroSeconds() < EepromReadyTimeoutUs) {
        if ((EEPROM_ReadStatus() & EepromBusyBit) == 0) return 0;
    }
    // One last look decides: a thread held off the processor past the limit
    // must not report a write that has long finished as a busy chip.
    return (EEPROM_ReadStatus() & EepromBusyBit) == 0 ? 0 : ErrEepromBusy;
}

int Analog104::EEPROM_Instruction(unsigned char instruction) {
    SPI_Select3();
    int result = SPI_Write(instruction);
    SPI_DeSelect();
    return result;
}

namespace {

// The area must lie within the one-byte address space.
bool ValidArea(const void* data, int address, int count) {
    return data != nullptr && count > 0 && address >= 0 && address < EepromSize && count <= EepromSize - address;
}

}  // namespace

int Analog104::EEPROM_ReadData(unsigned char* buffer, int address, int count) {
    if (!ValidArea(buffer, address, count)) return 1;
    if (EEPROM_WaitReady() != 0) return 1;
    SPI_Select3();
    int result = SPI_Write(EepromRead);
    if (result == 0) result = SPI_Write(static_cast<unsigned char>(address));
    if (result == 0) {
        SPI_Read_NoWait();
        for (int i = 0; i < count; ++i) buffer[i] = SPI_Read_Wait();
    }
    SPI_DeSelect();
    return result == 0 ? 0 : 1;
}

int Analog104::EEPROM_WritePage(const unsigned char* bytes, int address, int count) {
    if (EEPROM_WaitReady() != 0) return 1;
    if (EEPROM_Instruction(EepromWriteEnable) != 0) return 1;
    if ((EEPROM_ReadStatus() & EepromWriteEnabledBit) == 0) return 1;
    SPI_Select3();
    int result = SPI_Write(EepromWrite);
    if (result == 0) result = SPI_Write(static_cast<unsigned char>(address));
    for (int i = 0; i < count && result == 0; ++i) result = SPI_Write(bytes[i]);
    SPI_DeSelect();
    EEPROM_Instruction(EepromWriteDisable);
    return result == 0 ? 0 : 1;
}

int Analog104::EEPROM_WriteData(const unsigned char* bytes, int address, int count) {
    if (!ValidArea(bytes, address, count)) return 1;
    int done = 0;
    while (done < count) {
        int at = address + done;
        int piece = EepromPageSize - at % EepromPageSize;
        if (piece > count - done) piece = count - done;
        if (EEPROM_WritePage(bytes + done, at, piece) != 0) return 1;
        done += piece;
    }
    return 0;
}

int Analog104::EEPROM_ReadString(std::string* text, int address, int count) {
    if (text == nullptr) return 1;
    if (count > EepromStringLimit) count = EepromStringLimit;
    unsigned char buffer[EepromStringLimit];
    if (EEPROM_ReadData(buffer, address, count) != 0) return 1;
    buffer[count - 1] = 0;
    *text = reinterpret_cast<const char*>(buffer);
    return 0;
}

int Analog104::EEPROM_WriteString(const std::string& text, int address) {
    int length = static_cast<int>(text.size()) + 1;
    if (length > EepromStringLimit) length = EepromStringLimit;
    unsigned char buffer[EepromStringLimit];
    std::memcpy(buffer, text.data(), static_cast<size_t>(length - 1));
    buffer[length - 1] = 0;
    return EEPROM_WriteData(buffer, address, length);
}

// Multi-byte values are stored little-endian, as the station's x86 computer
// has always written them.
int Analog104::EEPROM_ReadLittleEndian(uint64_t* value, int address, int count) {
    unsigned char bytes[8];
    if (EEPROM_ReadData(bytes, address, count) != 0) return 1;
    uint64_t result = 0;
    for (int i = count - 1; i >= 0; --i) result = (result << 8) | bytes[i];
    *value = result;
    return 0;
}

int Analog104::EEPROM_WriteLittleEndian(uint64_t value, int address, int count) {
    unsigned char bytes[8];
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    return EEPROM_WriteData(bytes, address, count);
}

int Analog104::EEPROM_ReadDouble(double* value, int address) {
    uint64_t bits = 0;
    if (value == nullptr || EEPROM_ReadLittleEndian(&bits, address, 8) != 0) return 1;
    std::memcpy(value, &bits, sizeof(*value));
    return 0;
}

int Analog104::EEPROM_WriteDouble(double value, int address) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof(value));
    return EEPROM_WriteLittleEndian(bits, address, 8);
}

int Analog104::EEPROM_ReadFloat(float* value, int address) {
    uint64_t bits = 0;
    if (value == nullptr || EEPROM_ReadLittleEndian(&bits, address, 4) != 0) return 1;
    uint32_t narrow = static_cast<uint32_t>(bits);
    std::memcpy(value, &narrow, sizeof(*value));
    return 0;
}

int Analog104::EEPROM_WriteFloat(float value, int address) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(value));
    return EEPROM_WriteLittleEndian(bits, address, 4);
}

int Analog104::EEPROM_ReadWord(int32_t* value, int address) {
    uint64_t bits = 0;
    if (value == nullptr || EEPROM_ReadLittleEndian(&bits, address, 4) != 0) return 1;
    *value = static_cast<int32_t>(static_cast<uint32_t>(bits));
    return 0;
}

int Analog104::EEPROM_WriteWord(int32_t value, int address) {
    return EEPROM_WriteLittleEndian(static_cast<uint32_t>(value), address, 4);
}

int Analog104::EEPROM_ReadByte(unsigned char* value, int address) { return EEPROM_ReadData(value, address, 1); }

int Analog104::EEPROM_WriteByte(unsigned char value, int address) { return EEPROM_WriteData(&value, address, 1); }

int Analog104::ReadConstants() {
    float values[RangeCount];
    bool good = true;
    for (int r = 0; r < RangeCount && good; ++r) {
        good = EEPROM_ReadFloat(&values[r], ConstantsAddress + 4 * r) == 0 &&
               std::fabs(values[r] - DefaultNominal[r]) <= ConstantTolerance * DefaultNominal[r];
    }
    if (!good) {
        std::printf("Error Reading refs from EEPROM\n");
        return 0;
    }
    for (int r = 0; r < RangeCount; ++r) referenceNominal[r] = values[r];
    return 0;
}

int Analog104::WriteConstants() {
    for (int r = 0; r < RangeCount; ++r) {
        if (EEPROM_WriteFloat(referenceNominal[r], ConstantsAddress + 4 * r) != 0) {
            std::printf("Error Writing refs to EEPROM\n");
            return 0;
        }
    }
    return 0;
}

void Analog104::GPIO_WriteWord(int value) { _outpw(baseAddress + GpioPort, value); }
int Analog104::GPIO_ReadWord() { return _inpw(baseAddress + GpioPort); }
void Analog104::GPIO_WriteLowByte(int value) { _outp(baseAddress + GpioPort, static_cast<char>(value)); }
int Analog104::GPIO_ReadLowByte() { return _inp(baseAddress + GpioPort); }
void Analog104::GPIO_WriteHighByte(int value) { _outp(baseAddress + GpioHighPort, static_cast<char>(value)); }
int Analog104::GPIO_ReadHighByte() { return _inp(baseAddress + GpioHighPort); }

void Analog104::LockSpiMutex() { SpiMutex.lock(); }
void Analog104::UnlockSpiMutex() { SpiMutex.unlock(); }

float Analog104::GetVoltsPerCount(int range) const { return ValidRange(range) ? voltsPerCount[range] : 0.0f; }

float Analog104::GetColdJunctionTemperature(int sensor) const {
    return (sensor == 0 || sensor == 1) ? coldJunctionTemperature[sensor] : 0.0f;
}

float Analog104::GetNominalReference(int range) const { return ValidRange(range) ? referenceNominal[range] : 0.0f; }

void Analog104::SetNominalReference(int range, float volts) {
    if (ValidRange(range)) referenceNominal[range] = volts;
}

float Analog104::GetMeasuredReferenceVolts(int range) const {
    return ValidRange(range) ? referenceVolts[range] : 0.0f;
}

int Analog104::GetReferenceCount(int range) const { return ValidRange(range) ? referenceCount[range] : 0; }

int Analog104::GetZeroOffset(int range) const { return ValidRange(range) ? zeroOffset[range] : 0; }

}  // namespace VN_Lib
