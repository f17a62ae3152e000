// Watches a simulated station: every few seconds one line of its ground truth
// (sim_truth.xml, written by the unit program: the irradiance and, per module,
// where its load holds it against the module's maximum power), and what the
// controller has stored: the newest line of the newest data file in data/vnd/
// and the number of curve files in data/curves/. Run it in a station folder:
// station_watch [seconds] [unit folder ...]
// Each further unit folder (a remote unit's, whose program writes its own
// truth there) adds a truth line of its own, named by the folder.

#include <tinyxml.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double Real(const TiXmlElement* e, const char* name) {
    double value = 0.0;
    e->QueryDoubleAttribute(name, &value);
    return value;
}

std::string TruthLine(const std::string& folder) {
    TiXmlDocument document;
    if (!document.LoadFile(folder + "/sim_truth.xml") || document.RootElement() == nullptr) {
        return "no ground truth yet";
    }
    const TiXmlElement* root = document.RootElement();
    char text[160];
    std::string line;
    if (const TiXmlElement* environment = root->FirstChildElement("Environment")) {
        std::snprintf(text, sizeof text, "%.0f W/m2 %.1f C |", Real(environment, "irradiance"),
                      Real(environment, "ambient"));
        line += text;
    }
    for (const TiXmlElement* m = root->FirstChildElement("Module"); m != nullptr; m = m->NextSiblingElement("Module")) {
        int id = 0;
        m->QueryIntAttribute("id", &id);
        std::snprintf(text, sizeof text, " M%d %.2fV %.2fA %.1f/%.1fW |", id, Real(m, "voltage"), Real(m, "current"),
                      Real(m, "power"), Real(m, "pmax"));
        line += text;
    }
    return line;
}

// The newest file in a folder with the given extension; "" when there is none.
std::string NewestFile(const std::filesystem::path& folder, const std::string& extension) {
    std::error_code error;
    std::filesystem::path newest;
    std::filesystem::file_time_type newestTime;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() != extension) continue;
        const auto written = entry.last_write_time(error);
        if (newest.empty() || written > newestTime) {
            newest = entry.path();
            newestTime = written;
        }
    }
    return newest.string();
}

std::string StoredLine() {
    const std::string dataFile = NewestFile("data/vnd", ".vnd");
    if (dataFile.empty()) return "no data file yet";
    std::ifstream in(dataFile);
    std::string line, last;
    while (std::getline(in, line)) last = line;
    std::error_code error;
    int curves = 0;
    for (const auto& entry : std::filesystem::directory_iterator("data/curves", error)) {
        if (entry.path().extension() == ".xml") ++curves;
    }
    return dataFile + ": " + last + " | " + std::to_string(curves) + " curve files in data/curves";
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    for (;;) {
        const time_t now = time(nullptr);
        char stamp[16];
        std::strftime(stamp, sizeof stamp, "%H:%M:%S", localtime(&now));
        std::printf("[truth %s] %s\n", stamp, TruthLine(".").c_str());
        for (int i = 2; i < argc; ++i) {
            const std::string name = std::filesystem::path(argv[i]).filename().string();
            std::printf("[truth %s %s] %s\n", stamp, name.c_str(), TruthLine(argv[i]).c_str());
        }
        std::printf("[stored] %s\n", StoredLine().c_str());
        std::fflush(stdout);
        sleep(static_cast<unsigned>(seconds > 0 ? seconds : 5));
    }
}
