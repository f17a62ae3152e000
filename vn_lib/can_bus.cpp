#include "can_bus.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <thread>

#include "analog104.h"
#include "c_locale.h"
#include "sys_error.h"
#include "timers.h"

namespace VN_Lib {

namespace {

const int ErrNoCard = 604;
const int ErrBadInterface = 631;
const int ErrTooLong = 632;
const int ErrNoThread = 633;
const int ErrNotSent = ERR_TIMEOUT;

const int InterfaceCount = 4;
const int MaxMessageBytes = 8;
const unsigned SendTimeoutUs = 1000;
const int PollIntervalMs = 2;
// Unacknowledged for this long, the first message of a stream is sent again.
// Far beyond a receive thread's poll, so a copy the peer has merely not read
// yet is seldom doubled (a doubled first message only restarts a command
// link frame at its opening bracket).
const int FirstAckWaitMs = 100;

// Chip instructions.
const unsigned char InstrReset = 0xC0;
const unsigned char InstrWrite = 0x02;
const unsigned char InstrRead = 0x03;
const unsigned char InstrBitModify = 0x05;
const unsigned char InstrReadStatus = 0xA0;
const unsigned char InstrLoadTxb0Data = 0x41;
const unsigned char InstrRequestToSend = 0x80;
const unsigned char InstrReadRxb0Data = 0x92;

// Chip registers.
const unsigned char BFPCTRL = 0x0C;
const unsigned char TXRTSCTRL = 0x0D;
const unsigned char CANCTRL = 0x0F;
const unsigned char RXM0SIDH = 0x20;
const unsigned char RXM0SIDL = 0x21;
const unsigned char RXM1SIDH = 0x24;
const unsigned char RXM1SIDL = 0x25;
const unsigned char CNF3 = 0x28;
const unsigned char CNF2 = 0x29;
const unsigned char CNF1 = 0x2A;
const unsigned char CANINTF = 0x2C;
const unsigned char TXB0CTRL = 0x30;
const unsigned char TXB0SIDH = 0x31;
const unsigned char TXB0SIDL = 0x32;
const unsigned char TXB0DLC = 0x35;
const unsigned char TXB1CTRL = 0x40;
const unsigned char TXB2CTRL = 0x50;
const unsigned char RXB0CTRL = 0x60;
const unsigned char RXB0SIDH = 0x61;
const unsigned char RXB0SIDL = 0x62;
const unsigned char RXB0DLC = 0x65;
const unsigned char RXB1CTRL = 0x70;
const unsigned char FilterSidl[] = {0x01, 0x05, 0x09, 0x11, 0x15, 0x19};

const unsigned char StatusRx0Full = 0x01;
const unsigned char StatusTx0Pending = 0x04;
const unsigned char TxRequestBit = 0x08;

std::mutex m_CanPortMutex0, m_CanPortMutex1, m_CanPortMutex2, m_CanPortMutex3;
std::mutex m_InputBufMutex0, m_InputBufMutex1, m_InputBufMutex2, m_InputBufMutex3;
std::mutex* const PortMutexes[InterfaceCount] = {&m_CanPortMutex0, &m_CanPortMutex1, &m_CanPortMutex2,
                                                 &m_CanPortMutex3};
std::mutex* const InputBufMutexes[InterfaceCount] = {&m_InputBufMutex0, &m_InputBufMutex1, &m_InputBufMutex2,
                                                     &m_InputBufMutex3};
// Shared by all buses, whose port locks differ: hence the _any variant.
std::condition_variable_any pauseCondition;

// The card library's process-wide SPI lock, held for a scope.
class SpiLock {
public:
    SpiLock() { Analog104::LockSpiMutex(); }
    ~SpiLock() { Analog104::UnlockSpiMutex(); }
    SpiLock(const SpiLock&) = delete;
    SpiLock& operator=(const SpiLock&) = delete;
};

}  // namespace

CanBus::CanBus() : rxBufMutex(&unassignedRxBufMutex), portMutex(&unassignedPortMutex) {}

// A receive thread left running would go on using this object.
CanBus::~CanBus() {
    if (!threadStarted) return;
    {
        std::lock_guard<std::mutex> port(*portMutex);
        stopping = true;
    }
    pauseCondition.notify_all();
    pthread_join(inputThread, nullptr);
}

int CanBus::Initialize(Analog104* cardToUse, int number) {
    initialised = 0;
    if (cardToUse == nullptr) return ErrNoCard;
    if (static_cast<unsigned>(number) >= static_cast<unsigned>(InterfaceCount)) return ErrBadInterface;
    card = cardToUse;
    interfaceNumber = number;
    rxBufMutex = InputBufMutexes[number];
    portMutex = PortMutexes[number];
    int result = Reset();
    initialised = result == 0 ? 1 : 0;
    return result;
}

int CanBus::Reset() {
    int result = ResetInterface();
    if (result != 0) return result;
    ShortTimer().MilliSecondDelay(1);

    // 8 quanta per bit of 2 oscillator periods each; buffer 0 takes every
    // standard frame, buffer 1 is filtered and never read.
    const unsigned char setup[][2] = {
        {CNF1, 0x00},     {CNF2, 0x98},     {CNF3, 0x01},     {RXB0CTRL, 0x20}, {RXB1CTRL, 0x20},
        {BFPCTRL, 0x0C},  {TXB0CTRL, 0x03}, {TXB1CTRL, 0x02}, {TXB2CTRL, 0x00}, {TXRTSCTRL, 0x00},
        {RXM0SIDH, 0x00}, {RXM0SIDL, 0x00}, {RXM1SIDH, 0xFF}, {RXM1SIDL, 0xE0},
    };
    for (const auto& write : setup) WriteInterfaceRegister(write[0], write[1]);
    for (int filter = 0; filter < 6; ++filter) {
        const bool acceptsNone = filter >= 2;
        WriteInterfaceRegister(FilterSidl[filter], acceptsNone ? 0xAA : 0x00);
        WriteInterfaceRegister(FilterSidl[filter], acceptsNone ? 0xA0 : 0x00);
    }
    WriteInterfaceRegister(CANCTRL, 0x00);
    return 0;
}

int CanBus::SendStandardMessage(unsigned short identifier, int count, const char* data, bool waitForAck,
                                int ackTimeoutMs) {
    if (count > MaxMessageBytes || count < 0) return ErrTooLong;
    int result = WriteInterfaceRegister(TXB0SIDH, static_cast<unsigned char>(identifier >> 8));
    if (result == 0) result = WriteInterfaceRegister(TXB0SIDL, static_cast<unsigned char>(identifier & 0xE0));
    if (result == 0) result = WriteInterfaceRegister(TXB0DLC, static_cast<unsigned char>(count & 0x0F));
    if (result == 0 && count > 0) result = LoadTransmitData(count, data);
    if (result == 0) result = RTS_InterfaceRegister(false, false, true);
    if (result != 0) return result;

    ShortTimer timer;
    unsigned char status = 0;
    for (;;) {
        const bool late = timer.ReadTimerMicroSeconds() > SendTimeoutUs;
        result = ReadInterfaceStatus(&status);
        if (result != 0) return result;
        if (!(status & StatusTx0Pending)) break;
        if (late) {
            // Withdraw the request: the next message must not be loaded into a
            // buffer the chip is still trying to send.
            BitModifyInterface(TXB0CTRL, TxRequestBit, 0x00);
            return ErrNotSent;
        }
    }
    return waitForAck ? GetAckMessage(ackTimeoutMs) : 0;
}

int CanBus::SendStandardMessage(unsigned short identifier, int count, const char* data) {
    return SendStandardMessage(identifier, count, data, false, 0);
}

int CanBus::SendThreadSafeStandardMessage(unsigned short identifier, int count, const char* data) {
    std::lock_guard<std::mutex> port(*portMutex);
    SpiLock spi;
    return SendStandardMessage(identifier, count, data);
}

int CanBus::SendAckMessage() { return SendStandardMessage(AckIdentifier, 0, nullptr); }

int CanBus::GetStandardMessage(unsigned short* identifier, int* count, char* data) {
    *identifier = 0;
    *count = 0;
    unsigned char status = 0;
    int result = ReadInterfaceStatus(&status);
    if (result != 0 || !(status & StatusRx0Full)) return result;

    unsigned char sidh = 0, sidl = 0, dlc = 0;
    result = ReadInterfaceRegister(RXB0SIDH, &sidh);
    if (result == 0) result = ReadInterfaceRegister(RXB0SIDL, &sidl);
    if (result == 0) result = ReadInterfaceRegister(RXB0DLC, &dlc);
    if (result != 0) return result;
    *identifier = static_cast<unsigned short>((sidh << 8) | (sidl & 0xE0));
    *count = std::min(dlc & 0x0F, MaxMessageBytes);

    // Reading the data frees the receive buffer; an empty message has to be freed explicitly.
    result = *count > 0 ? ReadReceiveData(*count, data) : ClearInputMessage();
    if (result != 0) return result;
    return *identifier == AckIdentifier ? 0 : SendAckMessage();
}

int CanBus::GetAckMessage(int timeoutMs) {
    unsigned short identifier = 0;
    int count = 0;
    char data[MaxMessageBytes];
    LongTimer timer;
    while (timer.ReadTimerMilliSeconds() <= timeoutMs) {
        // Data messages met here are acknowledged by GetStandardMessage and dropped.
        int result = GetStandardMessage(&identifier, &count, data);
        if (identifier == AckIdentifier) return result;
    }
    int result = GetStandardMessage(&identifier, &count, data);
    return result == 0 && identifier == AckIdentifier ? 0 : ErrNotSent;
}

int CanBus::SendData(unsigned short identifier, int count, const char* data, int ackTimeoutMs) {
    if (count < 0) return ErrTooLong;
    if (count == 0) return 0;
    std::lock_guard<std::mutex> port(*portMutex);
    SpiLock spi;
    int sent = std::min(count, MaxMessageBytes);
    int result = SendFirstMessage(identifier, sent, data, ackTimeoutMs);
    while (result == 0 && sent < count) {
        const int part = std::min(count - sent, MaxMessageBytes);
        result = SendStandardMessage(identifier, part, data + sent, true, ackTimeoutMs);
        sent += part;
    }
    return result;
}

// The peer may not yet have taken the acknowledgement that ended its own
// last stream from its one receive buffer; the chip then drops our first
// message and no acknowledgement ever comes. Later messages cannot meet
// that: each follows the peer's acknowledgement of the one before.
int CanBus::SendFirstMessage(unsigned short identifier, int count, const char* data, int ackTimeoutMs) {
    LongTimer timer;
    for (;;) {
        const int left = ackTimeoutMs - timer.ReadTimerMilliSeconds();
        int result = SendStandardMessage(identifier, count, data);
        if (result != 0) return result;
        if (left <= FirstAckWaitMs) return GetAckMessage(left);
        result = GetAckMessage(FirstAckWaitMs);
        if (result != ErrNotSent) return result;
    }
}

int CanBus::GetData(int wanted, char* buffer, int* got) {
    *got = 0;
    std::lock_guard<std::mutex> rx(*rxBufMutex);
    if (!backgroundInputEnabled) {
        unsigned short identifier = 0;
        int count = 0;
        char data[MaxMessageBytes];
        int result = GetStandardMessage(&identifier, &count, data);
        if (result != 0) return result;
        inputBuffer.insert(inputBuffer.end(), data, data + count);
    }
    const int moved = std::max(0, std::min(wanted, static_cast<int>(inputBuffer.size())));
    std::copy(inputBuffer.begin(), inputBuffer.begin() + moved, buffer);
    inputBuffer.erase(inputBuffer.begin(), inputBuffer.begin() + moved);
    *got = moved;
    return 0;
}

int CanBus::EmptyInputBuffer() {
    std::lock_guard<std::mutex> rx(*rxBufMutex);
    std::lock_guard<std::mutex> port(*portMutex);
    SpiLock spi;
    int result = ClearInputMessage();
    inputBuffer.clear();
    return result;
}

int CanBus::EnableBackgroundInput() {
    if (!IsInitialized()) return ErrBadInterface;
    if (backgroundInputEnabled) return 0;
    int result = StartInputThread();
    if (result != 0) return result;
    std::lock_guard<std::mutex> rx(*rxBufMutex);
    backgroundInputEnabled = true;
    return 0;
}

int CanBus::PauseBackgroundInput(bool pause) {
    {
        std::lock_guard<std::mutex> port(*portMutex);
        paused = pause;
    }
    pauseCondition.notify_all();
    return 0;
}

int CanBus::StartInputThread() {
    // A peer that vanishes must not end the program.
    signal(SIGPIPE, SIG_IGN);
    if (threadStarted) return 0;
    if (pthread_create(&inputThread, nullptr, startRxThread, this) != 0) return ErrNoThread;
    threadStarted = true;
    return 0;
}

void* startRxThread(void* bus) {
    static_cast<CanBus*>(bus)->BackgroundInputThread();
    return nullptr;
}

void CanBus::BackgroundInputThread() {
    UseCLocale();
    std::unique_lock<std::mutex> port(*portMutex);
    for (;;) {
        pauseCondition.wait(port, [this] { return !paused || stopping; });
        if (stopping) return;
        unsigned short identifier = 0;
        int count = 0;
        char data[MaxMessageBytes];
        int result;
        {
            SpiLock spi;
            result = GetStandardMessage(&identifier, &count, data);
        }
        port.unlock();
        if (result != 0) {
            std::printf("CAN Bus input error %i\n", result);
        } else if (count > 0) {
            AppendInput(data, count);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(PollIntervalMs));
        port.lock();
    }
}

void CanBus::AppendInput(const char* data, int count) {
    std::lock_guard<std::mutex> rx(*rxBufMutex);
    inputBuffer.insert(inputBuffer.end(), data, data + count);
}

void CanBus::LockPortMutex() { portMutex->lock(); }
void CanBus::UnlockPortMutex() { portMutex->unlock(); }
void CanBus::LockRxBufMutex() { rxBufMutex->lock(); }
void CanBus::UnlockRxBufMutex() { rxBufMutex->unlock(); }

int CanBus::SelectInterface() {
    if (card == nullptr) return ErrBadInterface;
    switch (interfaceNumber) {
        case 0: return card->SPI_Select0();
        case 1: return card->SPI_Select1();
        case 2: return card->SPI_Select4();
        case 3: return card->SPI_Select5();
        default: return ErrBadInterface;
    }
}

int CanBus::DeSelectInterface() {
    if (card == nullptr) return ErrBadInterface;
    return card->SPI_DeSelect();
}

int CanBus::EndTransfer(int result) {
    int deselect = DeSelectInterface();
    return result != 0 ? result : deselect;
}

int CanBus::WriteInterfaceRegister(unsigned char address, unsigned char value) {
    int result = SelectInterface();
    if (result != 0) return result;
    result = card->SPI_Write(InstrWrite);
    if (result == 0) result = card->SPI_Write(address);
    if (result == 0) result = card->SPI_Write(value);
    return EndTransfer(result);
}

// Reads shift the next byte in while returning the last one: one read to
// start, then one per byte wanted.
int CanBus::ReadInterfaceRegister(unsigned char address, unsigned char* value) {
    int result = SelectInterface();
    if (result != 0) return result;
    result = card->SPI_Write(InstrRead);
    if (result == 0) result = card->SPI_Write(address);
    if (result == 0) {
        card->SPI_Read_NoWait();
        *value = card->SPI_Read_Wait();
    }
    return EndTransfer(result);
}

int CanBus::ReadInterfaceStatus(unsigned char* status) {
    int result = SelectInterface();
    if (result != 0) return result;
    result = card->SPI_Write(InstrReadStatus);
    if (result == 0) {
        card->SPI_Read_NoWait();
        *status = card->SPI_Read_Wait();
    }
    return EndTransfer(result);
}

int CanBus::BitModifyInterface(unsigned char address, unsigned char mask, unsigned char value) {
    int result = SelectInterface();
    if (result != 0) return result;
    result = card->SPI_Write(InstrBitModify);
    if (result == 0) result = card->SPI_Write(address);
    if (result == 0) result = card->SPI_Write(mask);
    if (result == 0) result = card->SPI_Write(value);
    return EndTransfer(result);
}

int CanBus::RTS_InterfaceRegister(bool buffer2, bool buffer1, bool buffer0) {
    int result = SelectInterface();
    if (result != 0) return result;
    const unsigned char instruction =
        static_cast<unsigned char>(InstrRequestToSend | (buffer2 ? 0x04 : 0) | (buffer1 ? 0x02 : 0) | (buffer0 ? 0x01 : 0));
    return EndTransfer(card->SPI_Write(instruction));
}

int CanBus::ResetInterface() {
    int result = SelectInterface();
    if (result != 0) return result;
    return EndTransfer(card->SPI_Write(InstrReset));
}

int CanBus::ClearInputMessage() { return BitModifyInterface(CANINTF, StatusRx0Full, 0x00); }

int CanBus::LoadTransmitData(int count, const char* data) {
    int result = SelectInterface();
    if (result != 0) return result;
    result = card->SPI_Write(InstrLoadTxb0Data);
    for (int i = 0; i < count && result == 0; ++i) result = card->SPI_Write(static_cast<unsigned char>(data[i]));
    return EndTransfer(result);
}

int CanBus::ReadReceiveData(int count, char* data) {
    int result = SelectInterface();
    if (result != 0) return result;
    result = card->SPI_Write(InstrReadRxb0Data);
    if (result == 0) {
        card->SPI_Read_NoWait();
        for (int i = 0; i < count; ++i) data[i] = static_cast<char>(card->SPI_Read_Wait());
    }
    return EndTransfer(result);
}

}  // namespace VN_Lib
