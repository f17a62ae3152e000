#ifndef VN_SIM_STATION_DESCRIPTION_H
#define VN_SIM_STATION_DESCRIPTION_H

#include <tinyxml.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace VN_Sim {

// What the simulated station is made of, read from "sim_station.xml" in the
// working directory (format: docs/sim_station.md). This class keeps the host
// settings and serial devices; the device models read their own sections from
// the loaded document (Root()) when InitPlatform installs them.
class StationDescription {
public:
    static const char* const FileName;
    static const int DefaultUnitPort = 3010;
    static const int DefaultHttpPort = 80;
    static const int DefaultModbusPort = 1502;
    static const char* const DefaultDocumentRoot;
    static const char* const DefaultNetworkInterface;

    static StationDescription& Instance();

    // Back to the defaults, then reads the file. An absent file leaves the
    // defaults (0); a malformed one prints why on stderr and returns 1.
    int Load(const std::string& path);
    // Back to the defaults, with no document loaded.
    void Reset();
    // Loads FileName of the working directory unless a Load, Reset or setter
    // came first: programs may ask for a host setting before InitPlatform
    // (objects built at program load).
    void LoadOnFirstUse();
    // Whether a station description file was read.
    bool Described() const;

    // The loaded document's root element, or nullptr when no file was read.
    // Valid until the next Load or Reset; read it from the thread that loads.
    const TiXmlElement* Root() const;

    int UnitPort() const;
    int HttpPort() const;
    int ModbusPort() const;
    std::string DocumentRoot() const;
    void SetUnitPort(int port);
    void SetHttpPort(int port);
    void SetModbusPort(int port);
    void SetDocumentRoot(const std::string& path);
    // The interface whose hardware address the controller reports.
    std::string NetworkInterface() const;
    void SetNetworkInterface(const std::string& name);

    // The device standing in for serial port 1 ("/dev/ttyS0") or 2
    // ("/dev/ttyS1"); "" when none is configured.
    std::string SerialDevice(int port) const;
    void SetSerialDevice(int port, const std::string& path);

private:
    StationDescription() = default;
    void ResetLocked();
    // 0, or 1 with *error set.
    int ReadHost(const TiXmlElement& host, std::string* error);
    int ReadSerial(const TiXmlElement& serial, std::string* error);

    mutable std::mutex mutex;
    // Set by Load, Reset and the setters: the settings are what was chosen.
    bool settled = false;
    std::unique_ptr<TiXmlDocument> document;
    int unitPort = DefaultUnitPort;
    int httpPort = DefaultHttpPort;
    int modbusPort = DefaultModbusPort;
    std::string documentRoot = DefaultDocumentRoot;
    std::string networkInterface = DefaultNetworkInterface;
    std::map<int, std::string> serialDevices;  // keyed by serial port number
};

}  // namespace VN_Sim

#endif
