#ifndef VN_LIB_LED_H
#define VN_LIB_LED_H

namespace VN_Lib {

// A front-panel LED on one bit of a digital output register. The register's
// state is read at io_address and written at io_address + 1; the output is
// active low (a cleared bit lights the LED). An LED without a valid bit
// (default-built, or bit above 7) does nothing.
class Led {
public:
    Led();
    Led(int ioAddress, int bit);

    void Set();
    void Clear();
    void Toggle();
    // 1 when lit, else 0.
    int IsOn();

private:
    void WriteBits(int value);

    int ioAddress;
    int mask;
};

}  // namespace VN_Lib

#endif
