#ifndef VN_LIB_CAN_BUS_H
#define VN_LIB_CAN_BUS_H

#include <pthread.h>
#include <vector>

namespace VN_Lib {

class Analog104;

// One CAN bus driven through a stand-alone SPI CAN controller chip on an
// analog card: standard-identifier messages of up to 8 bytes, a one-message
// acknowledgement protocol, byte streams split into acknowledged messages, and
// an input buffer filled on demand or by a background receive thread.
//
// Identifiers are 16-bit values in the chip's SIDH/SIDL layout (the 11-bit
// identifier in bits 15..5). Lock order: receive buffer lock, port lock, SPI lock.
class CanBus {
public:
    static const unsigned short AckIdentifier = 2176;

    CanBus();
    ~CanBus();
    CanBus(const CanBus&) = delete;
    CanBus& operator=(const CanBus&) = delete;

    int Initialize(Analog104* card, int interfaceNumber);
    int Reset();

    int SendStandardMessage(unsigned short identifier, int count, const char* data, bool waitForAck,
                            int ackTimeoutMs);
    int SendStandardMessage(unsigned short identifier, int count, const char* data);
    int SendThreadSafeStandardMessage(unsigned short identifier, int count, const char* data);
    int SendAckMessage();
    int GetStandardMessage(unsigned short* identifier, int* count, char* data);
    int GetAckMessage(int timeoutMs);

    int SendData(unsigned short identifier, int count, const char* data, int ackTimeoutMs);
    int GetData(int wanted, char* buffer, int* got);
    int EmptyInputBuffer();

    int EnableBackgroundInput();
    int PauseBackgroundInput(bool pause);
    int StartInputThread();

    void LockPortMutex();
    void UnlockPortMutex();
    void LockRxBufMutex();
    void UnlockRxBufMutex();

    int SelectInterface();
    int DeSelectInterface();
    int WriteInterfaceRegister(unsigned char address, unsigned char value);
    int ReadInterfaceRegister(unsigned char address, unsigned char* value);
    int ReadInterfaceStatus(unsigned char* status);
    int BitModifyInterface(unsigned char address, unsigned char mask, unsigned char value);
    int RTS_InterfaceRegister(bool buffer2, bool buffer1, bool buffer0);
    int ResetInterface();
    int ClearInputMessage();

    bool IsInitialized() const { return initialised != 0; }

    // Body of the background receive thread; never returns.
    void BackgroundInputThread();

private:
    bool backgroundInputEnabled = false;
    bool paused = false;
    Analog104* card = nullptr;
    int interfaceNumber = -1;
    int initialised = 0;
    std::vector<char> inputBuffer;
    pthread_mutex_t* rxBufMutex = nullptr;
    pthread_mutex_t* portMutex = nullptr;
};

// Thread entry: runs BackgroundInputThread on the bus given as argument.
void* startRxThread(void* bus);

}  // namespace VN_Lib

#endif
