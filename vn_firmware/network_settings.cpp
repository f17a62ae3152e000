#include "network_settings.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "backup_volume.h"
#include "net_names.h"
#include "shell.h"
#include "station_paths.h"
#include "sys_error.h"
#include "text_item.h"

namespace {

// The words of a change end up in the network script: refuse anything but a
// host name or an address before a file is touched. DHCP needs no name of the
// station, and a network without a router has no gateway, so those two may
// be empty.
bool IsDhcpRequest(const CommandMessage& command) {
    const std::string hostName = command.parameters[2];
    return hostName.empty() || VN_Lib::IsHostName(hostName);
}

bool IsFixedAddressRequest(const CommandMessage& command) {
    const std::string gateway = command.parameters[5];
    return VN_Lib::IsHostName(command.parameters[2]) && VN_Lib::IsIpv4Quad(command.parameters[3]) &&
           VN_Lib::IsIpv4Quad(command.parameters[4]) && (gateway.empty() || VN_Lib::IsIpv4Quad(gateway));
}

int Refused() {
    std::printf("Network settings refused\n");
    return VN_Lib::ERR_REFUSED_SETTING;
}

// The network script runs once the files are also on the backup volume.
void BackUpAndApply(std::initializer_list<const char*> backupCommands) {
    {
        VN_Lib::BackupVolumeMount volume(false);
        for (const char* command : backupCommands) volume.Run(command);
    }
    VN_Lib::RunShellCommand(". /vn/chnet");
}

int UseDhcp(CommandMessage& command) {
    WriteStringToFile(command.parameters[2], "/vn/DHCP_HOSTNAME");
    BackUpAndApply({"cp /vn/DHCP_HOSTNAME /hda2/vn"});
    return 0;
}

int UseFixedAddress(CommandMessage& command) {
    static const char* const files[] = {"/vn/HOSTNAME", "/vn/IPADDRESS", "/vn/NETMASK", "/vn/GATEWAY"};
    for (int i = 0; i < 4; ++i) {
        int result = WriteStringToFile(command.parameters[i + 2], files[i]);
        if (result != 0) return result;
    }
    BackUpAndApply({"cp /vn/HOSTNAME /hda2/vn", "cp /vn/IPADDRESS /hda2/vn", "cp /vn/NETMASK /hda2/vn",
                    "cp /vn/GATEWAY /hda2/vn", "cp /vn/PORT /hda2/vn", "rm /vn/DHCP_HOSTNAME",
                    "rm /hda2/vn/DHCP_HOSTNAME"});
    return 0;
}

// Reads one file into the response (and echoes it); the read's result.
int ReportFile(const char* path, VN_Lib::DataFrame& response) {
    std::string word;
    int result = ReadStringFromFile(&word, path);
    std::printf("%s\n", word.c_str());
    AddTextItem(response, word);
    return result;
}

int ReportSettings(VN_Lib::DataFrame& response) {
    std::string dhcpHostname;
    if (ReadStringFromFile(&dhcpHostname, "/vn/DHCP_HOSTNAME") == 0) {
        std::string yes = "yes";
        response.AddString(yes);
        std::printf("%s\n", dhcpHostname.c_str());
        AddTextItem(response, dhcpHostname);
    } else {
        std::string no = "no";
        response.AddString(no);
        ReportFile("/vn/HOSTNAME", response);
    }
    ReportFile("/vn/IPADDRESS", response);
    ReportFile("/vn/NETMASK", response);
    return ReportFile("/vn/GATEWAY", response);
}

}  // namespace

int ChangeNetworkSettings(CommandMessage& command, VN_Lib::DataFrame& response) {
    if (std::strcmp(command.parameters[1], "yes") == 0) {
        return IsDhcpRequest(command) ? UseDhcp(command) : Refused();
    }
    if (std::strcmp(command.parameters[1], "no") == 0) {
        return IsFixedAddressRequest(command) ? UseFixedAddress(command) : Refused();
    }
    return ReportSettings(response);
}

int WriteStringToFile(const std::string& text, const std::string& path) {
    FILE* file = std::fopen(VN_Lib::StationPath(path).c_str(), "w");
    if (file == nullptr) {
        std::printf("Can't open %s file\n", path.c_str());
        return VN_Lib::ERR_FILE_OPEN;
    }
    std::fprintf(file, "%s\n", text.c_str());
    std::fclose(file);
    VN_Lib::RunShellCommand("cat " + path);
    return 0;
}

int ReadStringFromFile(std::string* word, const std::string& path) {
    word->clear();
    FILE* file = std::fopen(VN_Lib::StationPath(path).c_str(), "r");
    if (file == nullptr) {
        std::printf("Can't open %s file\n", path.c_str());
        return VN_Lib::ERR_FILE_OPEN;
    }
    char buffer[256] = "";
    // Bounded: a network file is one word, but nothing stops a longer line.
    if (std::fscanf(file, "%255s", buffer) == 1) *word = buffer;
    std::fclose(file);
    return 0;
}
