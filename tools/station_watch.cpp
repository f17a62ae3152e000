// Watches a simulated station from its ground truth (sim_truth.xml in the
// working directory, written by the unit program): every few seconds one line
// with the irradiance and, per module, where its load holds it (volts, amps,
// watts against the module's maximum power). Run it in a station folder:
// station_watch [seconds]

#include <tinyxml.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

double Real(const TiXmlElement* e, const char* name) {
    double value = 0.0;
    e->QueryDoubleAttribute(name, &value);
    return value;
}

std::string TruthLine() {
    TiXmlDocument document;
    if (!document.LoadFile("sim_truth.xml") || document.RootElement() == nullptr) return "no ground truth yet";
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

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    for (;;) {
        const time_t now = time(nullptr);
        char stamp[16];
        std::strftime(stamp, sizeof stamp, "%H:%M:%S", localtime(&now));
        std::printf("[truth %s] %s\n", stamp, TruthLine().c_str());
        std::fflush(stdout);
        sleep(static_cast<unsigned>(seconds > 0 ? seconds : 5));
    }
}
