#include "vn_sim/can/can_socket_link.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "c_locale.h"

namespace VN_Sim {

namespace {

// Distinguishes the links of one process on the same bus.
std::atomic<int> nextLinkNumber{0};

const char SocketSuffix[] = ".sock";

// Creates every missing folder on the path; 0 when the folder exists afterwards.
int MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0777);
    }
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return 1;
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? 0 : 1;
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[4096];
    if (getcwd(cwd, sizeof(cwd)) == nullptr) return path;
    return std::string(cwd) + "/" + path;
}

// 0 and the address, or 1 when the path does not fit a socket address.
int MakeAddress(const std::string& path, struct sockaddr_un* address) {
    std::memset(address, 0, sizeof(*address));
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof(address->sun_path)) return 1;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return 0;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

CanSocketLink::CanSocketLink(const std::string& linkFolder, FrameHandler frameHandler)
    : folder(AbsolutePath(linkFolder)), handler(std::move(frameHandler)) {
    socketPath = folder + "/" + std::to_string(getpid()) + "-" + std::to_string(nextLinkNumber++) + SocketSuffix;
    if (Open() != 0) {
        std::fprintf(stderr, "can link: cannot open %s (%s); frames stay in this process\n", socketPath.c_str(),
                     std::strerror(errno));
        return;
    }
    receiver = std::thread(&CanSocketLink::ReceiveLoop, this);
}

CanSocketLink::~CanSocketLink() {
    if (receiver.joinable()) {
        char stop = 1;
        while (write(wakePipe[1], &stop, 1) < 0 && errno == EINTR) {
        }
        receiver.join();
    }
    if (socketFd >= 0) {
        close(socketFd);
        unlink(socketPath.c_str());
    }
    for (int fd : wakePipe) {
        if (fd >= 0) close(fd);
    }
}

int CanSocketLink::Open() {
    struct sockaddr_un address;
    if (MakeFolders(folder) != 0) return 1;
    if (MakeAddress(socketPath, &address) != 0) {
        errno = ENAMETOOLONG;
        return 1;
    }
    if (pipe2(wakePipe, O_CLOEXEC) != 0) return 1;
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 1;
    // A file of this name can only be left over from a dead process whose
    // id has been reused.
    unlink(socketPath.c_str());
    if (bind(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof(address)) != 0) {
        int error = errno;
        close(fd);
        errno = error;
        return 1;
    }
    socketFd = fd;
    return 0;
}

int CanSocketLink::Send(const CanFrame_T& frame) {
    if (socketFd < 0) return 0;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) return 0;
    const std::vector<uint8_t> datagram = EncodeCanDatagram(frame);
    const std::string ownName = socketPath.substr(folder.size() + 1);
    int reached = 0;
    while (struct dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name == ownName || !EndsWith(name, SocketSuffix)) continue;
        std::string peerPath = folder + "/" + name;
        struct sockaddr_un address;
        if (MakeAddress(peerPath, &address) != 0) continue;
        ssize_t sent = sendto(socketFd, datagram.data(), datagram.size(), MSG_DONTWAIT,
                              reinterpret_cast<struct sockaddr*>(&address), sizeof(address));
        if (sent >= 0) {
            ++reached;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // Alive but not reading: like a node that missed the frame.
            ++reached;
            ++droppedFrames;
        } else if (errno == ECONNREFUSED) {
            unlink(peerPath.c_str());
        }
    }
    closedir(directory);
    return reached;
}

void CanSocketLink::ReceiveLoop() {
    VN_Lib::UseCLocale();
    struct pollfd watched[2] = {{socketFd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "can link: poll failed (%s); receiving stops\n", std::strerror(errno));
            return;
        }
        if (watched[1].revents != 0) return;
        if ((watched[0].revents & POLLIN) == 0) continue;
        uint8_t buffer[64];
        // MSG_TRUNC: the datagram's real length, so an oversized one is seen as such.
        ssize_t length = recv(socketFd, buffer, sizeof(buffer), MSG_DONTWAIT | MSG_TRUNC);
        if (length < 0) continue;
        CanFrame_T frame;
        if (static_cast<size_t>(length) > sizeof(buffer) ||
            DecodeCanDatagram(buffer, static_cast<size_t>(length), &frame) != 0) {
            ++rejectedDatagrams;
            std::fprintf(stderr, "can link: rejected a datagram of %zd bytes on %s\n", length, socketPath.c_str());
            continue;
        }
        handler(frame);
    }
}

}  // namespace VN_Sim
