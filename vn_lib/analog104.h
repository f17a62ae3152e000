#ifndef VN_LIB_ANALOG104_H
#define VN_LIB_ANALOG104_H

#include <cstdint>
#include <string>

namespace VN_Lib {

// Thermocouple table index for Linearize_TC.
enum TC_Type { TC_TYPE_T = 0, TC_TYPE_K = 1, TC_TYPE_J = 2 };

// Driver of one PC/104 analog I/O card at a block of 16 I/O ports: averaged
// conversions with automatic range selection and per-range corrections kept
// up to date from the card's own references, cold-junction sensors,
// thermocouple linearisation, fans, the GPIO word, the SPI port with its
// EEPROM, and the process-wide SPI lock.
//
// Conversions, references and the EEPROM run on one thread and take no lock;
// SPI transfers of the CAN driver are serialised by LockSpiMutex.
//
// SPI port: SPI_Write sends one byte (the byte shifted in is then readable).
// SPI_Read_NoWait / SPI_Read_Wait return the byte received last and, while a
// device is selected, clock the next byte in (sending 0x00), so an instruction
// that reads n bytes is: writes, one SPI_Read_NoWait, n x SPI_Read_Wait.
class Analog104 {
public:
    static const int RangeCount = 4;
    static const int SpiEepromSelect = 3;

    // Stores the base and asks for access to ports base..base+15.
    explicit Analog104(int baseAddress);
    ~Analog104();

    // Defaults (or the EEPROM constants when readConstants), then a full
    // reference calibration.
    void Initialize(bool readConstants);

    // One conversion set-up and averaged read; flag: 0, 1 over range, 22 no result.
    int ReadAD(int range, int mux, int chan, int offset, unsigned int settlingUs, unsigned int averagingUs,
               int* flag);
    // Averages every conversion completing within averagingUs (at least one)
    // of the input set up last.
    int ReadAD_Fast(int offset, unsigned int averagingUs, int* flag);

    // Automatic range; range may be null.
    int Auto_Read_Int(int mux, int chan, unsigned int averagingUs, int* range);
    double Auto_Read_Volts(int mux, int chan, unsigned int averagingUs, int* range);
    double Read_Volts_Fast(unsigned int averagingUs);
    int Read_Int(int mux, int chan, int offset, int range, unsigned int averagingUs, int* flag);

    // Sensors 0, 1, 2 in degrees C; 999 for any other number.
    float Read_CJC(int sensor);

    int UpdateAllReferences();
    void UpdateNextReference();

    // Degrees C of a thermocouple voltage (a TC_Type); -999 outside +-10 mV or
    // for an unknown type.
    static float Linearize_TC(double volts, double coldJunction, int type);

    int SetFanSpeed(float percent);
    int GetFanSpeed(int fan);

    void SwitchMuxGain(int range, int mux, int chan);

    int SPI_Select0();
    int SPI_Select1();
    int SPI_Select2();
    int SPI_Select3();
    int SPI_Select4();
    int SPI_Select5();
    int SPI_DeSelect();
    // 0, or 26 when the transmitter is still busy 10 us after the write.
    int SPI_Write(unsigned char byte);
    unsigned char SPI_Read_NoWait();
    unsigned char SPI_Read_Wait();

    // EEPROM (one address byte, 8-byte pages). Reads and writes give 0 or 1;
    // an area outside the 256 addresses gives 1.
    int EEPROM_ReadStatus();
    int EEPROM_WaitReady();
    int EEPROM_ReadData(unsigned char* buffer, int address, int count);
    int EEPROM_WriteData(const unsigned char* bytes, int address, int count);
    // Reads at most 128 bytes; the last byte read is taken as the terminator.
    int EEPROM_ReadString(std::string* text, int address, int count);
    // Writes the text and its terminator, cut to 128 bytes in all.
    int EEPROM_WriteString(const std::string& text, int address);
    int EEPROM_ReadDouble(double* value, int address);
    int EEPROM_WriteDouble(double value, int address);
    int EEPROM_ReadFloat(float* value, int address);
    int EEPROM_WriteFloat(float value, int address);
    int EEPROM_ReadWord(int32_t* value, int address);
    int EEPROM_WriteWord(int32_t value, int address);
    int EEPROM_ReadByte(unsigned char* value, int address);
    int EEPROM_WriteByte(unsigned char value, int address);
    // The four reference nominal values at EEPROM address 0; both return 0.
    int ReadConstants();
    int WriteConstants();

    void GPIO_WriteWord(int value);
    int GPIO_ReadWord();
    void GPIO_WriteLowByte(int value);
    int GPIO_ReadLowByte();
    void GPIO_WriteHighByte(int value);
    int GPIO_ReadHighByte();

    // The one SPI lock of the process, shared by all cards.
    static void LockSpiMutex();
    static void UnlockSpiMutex();

    // State for measurements and reports; out-of-range indices give 0.
    float GetVoltsPerCount(int range) const;
    float GetColdJunctionTemperature(int sensor) const;
    float GetNominalReference(int range) const;
    void SetNominalReference(int range, float volts);
    float GetMeasuredReferenceVolts(int range) const;
    int GetReferenceCount(int range) const;
    int GetZeroOffset(int range) const;
    int GetCurrentRange() const { return currentRange; }
    int GetReferenceStep() const { return referenceStep; }
    int GetBaseAddress() const { return baseAddress; }

private:
    int SelectSpi(int select);
    void SetupConversion(int range, int mux, int chan, unsigned int settlingUs);
    // (v x 19 + new) / 20 on a count.
    static int Filter(int value, int fresh);
    void MeasureReference(int range, bool filtered);
    void MeasureZero(int range, bool filtered);
    void MeasureColdJunction(int sensor, bool filtered);
    int EEPROM_Instruction(unsigned char instruction);
    int EEPROM_WritePage(const unsigned char* bytes, int address, int count);
    int EEPROM_ReadLittleEndian(uint64_t* value, int address, int count);
    int EEPROM_WriteLittleEndian(uint64_t value, int address, int count);

    float referenceNominal[RangeCount];
    float referenceVolts[RangeCount];
    float coldJunctionTemperature[2];
    int referenceCount[RangeCount];
    int zeroOffset[RangeCount];
    float voltsPerCount[RangeCount];
    int baseAddress;
    int currentRange;
    int referenceStep;
};

}  // namespace VN_Lib

#endif
