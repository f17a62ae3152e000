// The running simulated station driven only over HTTP, as an operator would:
// the first administrator, the station's documents against its ground truth,
// a manual curve, a calibration, settings that survive a restart.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "station_fixture.h"
#include "station_truth.h"
#include "test_support.h"
#include "web_client.h"

using VN_Test::HttpReply_T;
using VN_Test::Truth_T;

namespace {

const char* const Operator = "operator";
const char* const Password = "sun-2026-pw";

// A real attribute of the first element named `name` whose "id" is id
// (anywhere in the document); NaN when there is none.
double Value(const std::string& xml, const char* name, int id, const char* attribute) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    std::function<const TiXmlElement*(const TiXmlElement*)> find = [&](const TiXmlElement* element) -> const TiXmlElement* {
        for (; element != nullptr; element = element->NextSiblingElement()) {
            int elementId = -1;
            if (element->ValueStr() == name && element->QueryIntAttribute("id", &elementId) == TIXML_SUCCESS &&
                elementId == id)
                return element;
            if (const TiXmlElement* inner = find(element->FirstChildElement())) return inner;
        }
        return nullptr;
    };
    const TiXmlElement* element = find(document.RootElement());
    const char* text = element != nullptr ? element->Attribute(attribute) : nullptr;
    return text != nullptr ? std::strtod(text, nullptr) : std::nan("");
}

bool Near(double value, double expected, double fraction) { return std::fabs(value - expected) <= fraction * std::fabs(expected); }

// A figure of the curve of a module in an "IV_Curves" document, with the
// number of its points; NaN when the module has no curve there.
double CurveFigure(const std::string& xml, int moduleId, const char* figure, size_t* points = nullptr) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    const TiXmlElement* root = document.RootElement();
    for (const TiXmlElement* curve = root != nullptr ? root->FirstChildElement("Curve") : nullptr; curve != nullptr;
         curve = curve->NextSiblingElement("Curve")) {
        const TiXmlElement* module = curve->FirstChildElement("ModuleID");
        if (module == nullptr || module->GetText() == nullptr || std::atoi(module->GetText()) != moduleId) continue;
        if (points != nullptr) {
            *points = 0;
            const TiXmlElement* list = curve->FirstChildElement("Points");
            for (const TiXmlElement* point = list != nullptr ? list->FirstChildElement("Point") : nullptr;
                 point != nullptr; point = point->NextSiblingElement("Point"))
                ++*points;
        }
        const TiXmlElement* value = curve->FirstChildElement(figure);
        return value != nullptr && value->GetText() != nullptr ? std::strtod(value->GetText(), nullptr) : std::nan("");
    }
    return std::nan("");
}

class Operator_T {
public:
    explicit Operator_T(int port_) : port(port_) {}
    HttpReply_T Get(const std::string& uri) const { return VN_Test::Get(port, uri, Operator, Password); }
    HttpReply_T Post(const std::string& uri, const std::string& body, long timeoutMs = 30000) const {
        VN_Test::HttpRequest_T request;
        request.uri = uri;
        request.user = Operator;
        request.password = Password;
        request.post = true;
        request.body = body;
        request.timeoutMs = timeoutMs;
        return VN_Test::Http(port, request);
    }

private:
    const int port;
};

TEST(WebStationEndToEnd, AnOperatorRunsTheStationOverTheWeb) {
    VN_Test::StationCopy station;
    auto controller = std::make_unique<VN_Test::ChildProcess>(VN_CONTROLLER_PATH, station.Path());
    const int port = station.HttpPort();
    const Operator_T web(port);

    // First start: open until the administrator is created, then closed.
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return VN_Test::Get(port, "/user/status.xml").status == 200; }, 60000))
        << controller->Output();
    EXPECT_EQ(VN_Test::Post(port, "/admin/save_username",
                            std::string("<Users><Username type=\"web_admin\" current_username=\"unknown\" "
                                        "new_username=\"") + Operator + "\" password=\"" + Password + "\"/></Users>")
                  .status,
              200);
    EXPECT_EQ(VN_Test::Get(port, "/user/status.xml").status, 401);
    EXPECT_EQ(web.Get("/user/status.xml").status, 200);

    // The sample document follows the truth: every module held near its
    // maximum power point, its volts and amps within the wiring tolerances.
    const std::string truthFile = station.File("sim_truth.xml");
    Truth_T truth;
    std::string sample;
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] {
            sample = web.Get("/user/sample.xml").body;
            if (!VN_Test::ReadTruth(truthFile, &truth) || !VN_Test::AllFourTracking(truth)) return false;
            for (int id = 1; id <= 4; ++id) {
                const VN_Test::TruthModule_T& m = truth.modules[id];
                if (!Near(Value(sample, "Module", id, "volts"), m.voltage, 0.015) ||
                    !Near(Value(sample, "Module", id, "amps"), m.current, 0.015) ||
                    !Near(Value(sample, "Module", id, "power"), m.pmax, 0.03))
                    return false;
            }
            return true;
        },
        120000))
        << sample;
    EXPECT_TRUE(Near(Value(sample, "Aux", 1, "value"), truth.irradiance, 0.02)) << sample;
    const std::string status = web.Get("/user/status.xml").body;
    EXPECT_NE(status.find("<Date_Time"), std::string::npos) << status;

    // The sample period, changed on the web, is kept in the settings file.
    std::string schedule = web.Get("/admin/sample_settings.xml").body;
    const size_t at = schedule.find("sample_period=\"1\"");
    ASSERT_NE(at, std::string::npos) << schedule;
    schedule.replace(at, 17, "sample_period=\"2\"");
    EXPECT_NE(web.Post("/admin/set_sample_settings", schedule).body.find("sample_period=\"2\""), std::string::npos);
    EXPECT_TRUE(VN_Test::WaitUntil(
        [&] { return VN_Test::ReadFile(station.File("settings.xml")).find("sample_period=\"2\"") != std::string::npos; },
        30000));

    // A manual curve of module 2, answered when taken, and read back with its points.
    const std::string ask = "<Curves points=\"yes\"><Id id=\"2\"/></Curves>";
    const HttpReply_T taken = web.Post("/admin/take_curves", ask, 60000);
    ASSERT_EQ(taken.status, 200) << taken.body;
    const std::string last = web.Post("/user/last_curves.xml", ask).body;
    ASSERT_TRUE(VN_Test::ReadTruth(truthFile, &truth));
    size_t points = 0;
    const double peak = CurveFigure(last, 2, "PeakPower", &points);
    EXPECT_TRUE(Near(peak, truth.modules[2].pmax, 0.02)) << peak << " W, maximum " << truth.modules[2].pmax;
    EXPECT_EQ(peak, CurveFigure(taken.body, 2, "PeakPower")) << taken.body.substr(0, 600);
    EXPECT_GT(points, 100u);

    // A module voltage calibrated against the truth it is held at. The
    // sweep just taken ends at open circuit and the tracker dithers, so the
    // truth is taken once module 2 is tracking again and a check (adjust off)
    // has read it within the wiring tolerances; the calibration follows.
    auto calibrate = [&](double actual, bool adjust, TiXmlDocument* record) {
        const std::string reply = web.Post("/admin/calibrate", "<Cal type=\"module_voltage\" id=\"2\" actual=\"" +
                                                                   std::to_string(actual) + "\" adjust=\"" +
                                                                   (adjust ? "1" : "0") + "\"/>")
                                      .body;
        record->Parse(reply.c_str());
        return reply;
    };
    auto attribute = [](const TiXmlDocument& record, const char* name) {
        double value = std::nan("");
        if (record.RootElement() != nullptr) record.RootElement()->QueryDoubleAttribute(name, &value);
        return value;
    };
    TiXmlDocument record;
    std::string calibrated;
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] {
            if (!VN_Test::ReadTruth(truthFile, &truth) || !VN_Test::AllFourTracking(truth)) return false;
            calibrated = calibrate(truth.modules[2].voltage, false, &record);
            return Near(attribute(record, "before_value"), truth.modules[2].voltage, 0.015);
        },
        60000))
        << calibrated;
    EXPECT_EQ(attribute(record, "after_constant"), attribute(record, "before_constant")) << calibrated;
    calibrated = calibrate(truth.modules[2].voltage, true, &record);
    ASSERT_NE(record.RootElement(), nullptr) << calibrated;
    EXPECT_TRUE(Near(attribute(record, "after_value"), truth.modules[2].voltage, 0.01)) << calibrated;
    // The new constant corrects a wiring tolerance, not a different voltage.
    EXPECT_TRUE(Near(attribute(record, "after_constant"), attribute(record, "before_constant"), 0.03)) << calibrated;
    EXPECT_EQ(record.RootElement()->Attribute("error"), nullptr) << calibrated;

    // Network settings posted on the web survive a restart of the controller,
    // as do the account and the sample period.
    std::string network = web.Get("/admin/network_settings.xml").body;
    const size_t host = network.find("hostname=\"vantrel\"");
    ASSERT_NE(host, std::string::npos) << network;
    network.replace(host, 18, "hostname=\"webtest\"");
    web.Post("/admin/set_network_settings", network);
    ASSERT_TRUE(VN_Test::WaitUntil(
        [&] { return VN_Test::ReadFile(station.File("settings.xml")).find("hostname=\"webtest\"") != std::string::npos; },
        30000));
    controller.reset();
    controller = std::make_unique<VN_Test::ChildProcess>(VN_CONTROLLER_PATH, station.Path());
    // The server answers from program load; the settings are loaded once the
    // sampler's record is shown.
    ASSERT_TRUE(VN_Test::WaitUntil([&] { return !web.Get("/user/sample.xml").body.empty(); }, 60000))
        << controller->Output();
    const std::string restartedNetwork = web.Get("/admin/network_settings.xml").body;
    EXPECT_NE(restartedNetwork.find("hostname=\"webtest\""), std::string::npos) << restartedNetwork;
    const std::string restartedSchedule = web.Get("/admin/sample_settings.xml").body;
    EXPECT_NE(restartedSchedule.find("sample_period=\"2\""), std::string::npos)
        << restartedSchedule << VN_Test::ReadFile(station.File("settings.xml")) << controller->Output();
    EXPECT_EQ(VN_Test::Get(port, "/user/status.xml").status, 401);
}

}  // namespace
