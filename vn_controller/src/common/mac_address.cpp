#include "common/mac_address.h"

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "common/controller_logs.h"
#include "host_settings.h"

namespace VN_Sample {

namespace {

const size_t MacLength = 6;

// Closes the query socket on every way out.
class SocketHandle {
public:
    explicit SocketHandle(int descriptor) : fd(descriptor) {}
    ~SocketHandle() {
        if (fd >= 0) close(fd);
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    int Get() const { return fd; }

private:
    int fd;
};

}  // namespace

int GetSvrMacAddress(const char* interface, unsigned char* mac) {
    SocketHandle socketHandle(socket(AF_INET, SOCK_DGRAM, 0));
    if (socketHandle.Get() < 0) {
        ErrMsgLog.Writef("File %s: line %d: Socket failed\n", __FILE__, __LINE__);
        return -1;
    }
    // A name that does not fit ifr_name, or that no interface has, is not looked up further.
    if (interface == nullptr || std::strlen(interface) >= IFNAMSIZ || if_nametoindex(interface) == 0) return -1;
    struct ifreq request;
    std::memset(&request, 0, sizeof(request));
    std::strncpy(request.ifr_name, interface, IFNAMSIZ - 1);
    if (ioctl(socketHandle.Get(), SIOCGIFHWADDR, &request) != 0) {
        ErrMsgLog.Writef("File %s: line %d: Ioctl failed\n", __FILE__, __LINE__);
        return -1;
    }
    std::memcpy(mac, request.ifr_hwaddr.sa_data, MacLength);
    return 0;
}

void GetSvrMacAddressString(std::string& text) {
    unsigned char mac[MacLength] = {0};
    if (GetSvrMacAddress(VN_Lib::NetworkInterface().c_str(), mac) != 0) {
        text = "unknown";
        return;
    }
    char buffer[18];
    std::snprintf(buffer, sizeof(buffer), "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    text = buffer;
}

}  // namespace VN_Sample
