#include "vn_sim/station_description.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iostream>

namespace VN_Sim {

namespace {

const char* const RootName = "SimStation";

// Strict: a port must be a whole decimal number in 1..65535 ("80x" is an error).
int ParsePort(const char* text, int* port) {
    if (text == nullptr || *text == '\0') return 1;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > 65535) return 1;
    *port = static_cast<int>(value);
    return 0;
}

int ReadPortAttribute(const TiXmlElement& element, const char* name, int* port, std::string* error) {
    const char* text = element.Attribute(name);
    if (text == nullptr) return 0;
    if (ParsePort(text, port) == 0) return 0;
    *error = std::string("Host attribute ") + name + " is not a port number (1..65535): \"" + text + "\"";
    return 1;
}

}  // namespace

const char* const StationDescription::FileName = "sim_station.xml";
const char* const StationDescription::DefaultDocumentRoot = "/vn/web_site";
const char* const StationDescription::DefaultNetworkInterface = "eth0";

StationDescription& StationDescription::Instance() {
    static StationDescription description;
    return description;
}

void StationDescription::ResetLocked() {
    settled = true;
    document.reset();
    unitPort = DefaultUnitPort;
    httpPort = DefaultHttpPort;
    modbusPort = DefaultModbusPort;
    documentRoot = DefaultDocumentRoot;
    networkInterface = DefaultNetworkInterface;
    serialDevices.clear();
}

void StationDescription::Reset() {
    std::lock_guard<std::mutex> lock(mutex);
    ResetLocked();
}

int StationDescription::Load(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    ResetLocked();
    auto loaded = std::make_unique<TiXmlDocument>(path);
    std::string error;
    if (!loaded->LoadFile()) {
        if (loaded->ErrorId() == TiXmlBase::TIXML_ERROR_OPENING_FILE && access(path.c_str(), F_OK) != 0) return 0;
        error = std::string(loaded->ErrorDesc()) + " at line " + std::to_string(loaded->ErrorRow());
    } else if (loaded->RootElement() == nullptr || loaded->RootElement()->ValueStr() != RootName) {
        error = std::string("the root element must be ") + RootName;
    } else {
        const TiXmlElement* root = loaded->RootElement();
        int result = 0;
        if (const TiXmlElement* host = root->FirstChildElement("Host")) result = ReadHost(*host, &error);
        if (result == 0)
            if (const TiXmlElement* serial = root->FirstChildElement("Serial")) result = ReadSerial(*serial, &error);
        if (result == 0) {
            document = std::move(loaded);
            return 0;
        }
    }
    std::cerr << path << ": " << error << std::endl;
    ResetLocked();
    return 1;
}

int StationDescription::ReadHost(const TiXmlElement& host, std::string* error) {
    if (ReadPortAttribute(host, "unit_port", &unitPort, error) != 0) return 1;
    if (ReadPortAttribute(host, "http_port", &httpPort, error) != 0) return 1;
    if (ReadPortAttribute(host, "modbus_port", &modbusPort, error) != 0) return 1;
    if (const char* root = host.Attribute("document_root")) {
        if (*root == '\0') {
            *error = "Host attribute document_root is empty";
            return 1;
        }
        documentRoot = root;
    }
    if (const char* name = host.Attribute("network_interface")) {
        if (*name == '\0') {
            *error = "Host attribute network_interface is empty";
            return 1;
        }
        networkInterface = name;
    }
    return 0;
}

int StationDescription::ReadSerial(const TiXmlElement& serial, std::string* error) {
    const char* names[] = {"com1", "com2"};
    for (int port = 1; port <= 2; ++port) {
        const char* path = serial.Attribute(names[port - 1]);
        if (path == nullptr) continue;
        if (*path == '\0') {
            *error = std::string("Serial attribute ") + names[port - 1] + " is empty";
            return 1;
        }
        serialDevices[port] = path;
    }
    return 0;
}

void StationDescription::LoadOnFirstUse() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (settled) return;
    }
    Load(FileName);
}

bool StationDescription::Described() const {
    std::lock_guard<std::mutex> lock(mutex);
    return document != nullptr;
}

const TiXmlElement* StationDescription::Root() const {
    std::lock_guard<std::mutex> lock(mutex);
    return document ? document->RootElement() : nullptr;
}

int StationDescription::UnitPort() const {
    std::lock_guard<std::mutex> lock(mutex);
    return unitPort;
}

int StationDescription::HttpPort() const {
    std::lock_guard<std::mutex> lock(mutex);
    return httpPort;
}

int StationDescription::ModbusPort() const {
    std::lock_guard<std::mutex> lock(mutex);
    return modbusPort;
}

std::string StationDescription::DocumentRoot() const {
    std::lock_guard<std::mutex> lock(mutex);
    return documentRoot;
}

void StationDescription::SetUnitPort(int port) {
    std::lock_guard<std::mutex> lock(mutex);
    settled = true;
    unitPort = port;
}

void StationDescription::SetHttpPort(int port) {
    std::lock_guard<std::mutex> lock(mutex);
    settled = true;
    httpPort = port;
}

void StationDescription::SetModbusPort(int port) {
    std::lock_guard<std::mutex> lock(mutex);
    settled = true;
    modbusPort = port;
}

void StationDescription::SetDocumentRoot(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    settled = true;
    documentRoot = path;
}

std::string StationDescription::NetworkInterface() const {
    std::lock_guard<std::mutex> lock(mutex);
    return networkInterface;
}

void StationDescription::SetNetworkInterface(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex);
    networkInterface = name;
}

std::string StationDescription::SerialDevice(int port) const {
    std::lock_guard<std::mutex> lock(mutex);
    auto found = serialDevices.find(port);
    return found == serialDevices.end() ? std::string() : found->second;
}

void StationDescription::SetSerialDevice(int port, const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    settled = true;
    if (path.empty())
        serialDevices.erase(port);
    else
        serialDevices[port] = path;
}

}  // namespace VN_Sim
