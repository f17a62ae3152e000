#ifndef VN_LIB_CAN_BUS_H
#define VN_LIB_CAN_BUS_H

#include <pthread.h>

#include <deque>
#include <mutex>

namespace VN_Lib {

class Analog104;

// One CAN bus driven through a stand-alone SPI CAN controller chip on an
// analog card: standard-identifier messages of up to 8 bytes, a one-message
// acknowledgement protocol, byte streams split into acknowledged messages, and
// an input buffer filled on demand or by a background receive thread.
//
// Identifiers are 16-bit values in the chip's SIDH/SIDL layout (the 11-bit
// identifier in bits 15..5). Lock order: receive buffer lock, port lock, SPI lock.
// The locks belong to the interface number and are shared by every bus of the
// process on that number.
class CanBus {
public:
    static constexpr unsigned short AckIdentifier = 2176;

    CanBus();
    // Stops the background receive thread, if any; the card must still exist.
    ~CanBus();
    CanBus(const CanBus&) = delete;
    CanBus& operator=(const CanBus&) = delete;

    // 0; 604 without a card; 631 for an interface number other than 0..3;
    // else the error of Reset. The bus is initialised only on 0.
    int Initialize(Analog104* card, int interfaceNumber);
    int Reset();

    // 632 for more than 8 (or fewer than 0) bytes; 12 when the chip has not
    // sent the message within about 1 ms (the request is then withdrawn) or no
    // acknowledgement came in time.
    int SendStandardMessage(unsigned short identifier, int count, const char* data, bool waitForAck,
                            int ackTimeoutMs);
    int SendStandardMessage(unsigned short identifier, int count, const char* data);
    int SendThreadSafeStandardMessage(unsigned short identifier, int count, const char* data);
    int SendAckMessage();
    // data must hold 8 bytes. Nothing received: identifier and count 0, result 0.
    int GetStandardMessage(unsigned short* identifier, int* count, char* data);
    int GetAckMessage(int timeoutMs);

    // The bytes as acknowledged messages of 8 and a shorter last one; 12 when
    // one is not acknowledged within the time-out. The first message is sent
    // again while it goes unacknowledged (see SendFirstMessage).
    int SendData(unsigned short identifier, int count, const char* data, int ackTimeoutMs);
    int GetData(int wanted, char* buffer, int* got);
    int EmptyInputBuffer();

    // 0 once the thread runs; 631 on a bus that was never initialised, 633
    // when the thread cannot be created (the bus then keeps reading on demand).
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

    // Body of the background receive thread; returns only when the bus is destroyed.
    void BackgroundInputThread();

private:
    // Instruction 0x41 with the bytes; instruction 0x92 reading count bytes.
    int LoadTransmitData(int count, const char* data);
    int ReadReceiveData(int count, char* data);
    // The first message of a stream with its acknowledgement.
    int SendFirstMessage(unsigned short identifier, int count, const char* data, int ackTimeoutMs);
    // Ends the transfer begun by SelectInterface; the first error of the two.
    int EndTransfer(int result);
    void AppendInput(const char* data, int count);

    bool backgroundInputEnabled = false;
    bool paused = false;
    Analog104* card = nullptr;
    int interfaceNumber = -1;
    int initialised = 0;
    std::deque<char> inputBuffer;
    // Until the bus is initialised they point at a pair of its own.
    std::mutex* rxBufMutex;
    std::mutex* portMutex;
    std::mutex unassignedRxBufMutex;
    std::mutex unassignedPortMutex;
    bool stopping = false;  // under the port lock: the thread must end
    bool threadStarted = false;
    pthread_t inputThread;
};

// Thread entry: runs BackgroundInputThread on the bus given as argument.
void* startRxThread(void* bus);

}  // namespace VN_Lib

#endif
