#include "vn_sim/link/datagram_folder_link.h"

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

// Distinguishes the links of one process in the same folder.
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

DatagramFolderLink::DatagramFolderLink(const std::string& linkFolder, const std::string& linkLabel,
                                       size_t maxLength, DatagramHandler datagramHandler)
    : folder(AbsolutePath(linkFolder)), label(linkLabel), maxDatagram(maxLength), handler(std::move(datagramHandler)) {
    socketPath = folder + "/" + std::to_string(getpid()) + "-" + std::to_string(nextLinkNumber++) + SocketSuffix;
    if (Open() != 0) {
        std::fprintf(stderr, "%s: cannot open %s (%s); nothing travels to other processes\n", label.c_str(),
                     socketPath.c_str(), std::strerror(errno));
        return;
    }
    receiver = std::thread(&DatagramFolderLink::ReceiveLoop, this);
}

DatagramFolderLink::~DatagramFolderLink() {
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

int DatagramFolderLink::Open() {
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

int DatagramFolderLink::Send(const uint8_t* data, size_t length) {
    if (socketFd < 0) return 0;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) return 0;
    const std::string ownName = socketPath.substr(folder.size() + 1);
    int reached = 0;
    while (struct dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name == ownName || !EndsWith(name, SocketSuffix)) continue;
        std::string peerPath = folder + "/" + name;
        struct sockaddr_un address;
        if (MakeAddress(peerPath, &address) != 0) continue;
        ssize_t sent = sendto(socketFd, data, length, MSG_DONTWAIT, reinterpret_cast<struct sockaddr*>(&address),
                              sizeof(address));
        if (sent >= 0) {
            ++reached;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // Alive but not reading: like a node that missed the datagram.
            ++reached;
            ++droppedDatagrams;
        } else if (errno == ECONNREFUSED) {
            unlink(peerPath.c_str());
        }
    }
    closedir(directory);
    return reached;
}

void DatagramFolderLink::ReceiveLoop() {
    VN_Lib::UseCLocale();
    // One byte more than the longest datagram, so that a longer one shows as such.
    std::vector<uint8_t> buffer(maxDatagram + 1);
    struct pollfd watched[2] = {{socketFd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    for (;;) {
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "%s: poll failed (%s); receiving stops\n", label.c_str(), std::strerror(errno));
            return;
        }
        if (watched[1].revents != 0) return;
        if ((watched[0].revents & POLLIN) == 0) continue;
        // MSG_TRUNC: the datagram's real length, so an oversized one is seen as such.
        ssize_t length = recv(socketFd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (length < 0) continue;
        if (static_cast<size_t>(length) > maxDatagram || !handler(buffer.data(), static_cast<size_t>(length))) {
            ++rejectedDatagrams;
            std::fprintf(stderr, "%s: rejected a datagram of %zd bytes on %s\n", label.c_str(), length,
                         socketPath.c_str());
        }
    }
}

}  // namespace VN_Sim
