#ifndef VN_CONTROLLER_CONSOLE_INTERFACE_H
#define VN_CONTROLLER_CONSOLE_INTERFACE_H

#include <array>
#include <iosfwd>
#include <string>

#include "acquisition/data_system.h"
#include "schedule/data_sampler.h"

namespace VN_Sample {

// The operator's text menus on the station console: network set-up,
// learning the hardware, the system description, password resets and an
// unlisted service menu. Runs on its own detached thread; keyboard reads hold
// no lock, every action on shared state holds systemMutex. When its input
// ends (no terminal: a service, a test harness, </dev/null) the menus return
// and the thread ends; so does a request to stop the controller.
class interface {
public:
    // The selection that opens the service menu; the main menu does not list it.
    static constexpr int HiddenMenuSelection = 729;

    // On standard input and output.
    interface(DataSampler& sampler, DataSystem& system);
    interface(DataSampler& sampler, DataSystem& system, std::istream& input, std::ostream& output);
    interface(const interface&) = delete;
    interface& operator=(const interface&) = delete;

    // Ignores SIGPIPE and runs Start on a detached thread.
    void StartThread();
    // The main menu again and again until the console ends.
    void Start();
    // The main menu once and the chosen action.
    void MainMenu();

    void NetworkSetup();
    void LearnSystem();
    void ShowSysConfig();
    void ResetPasswords();
    void HiddenMenu();

    // Sampler's network settings <-> the temporary copy. Saving hands the
    // copy to the sampler, which checks every value before it keeps or
    // applies any; 0 and the settings marked for saving, or the sampler's
    // refusal (the live settings unchanged, the operator told).
    void GetNetworkSettings();
    int SaveNetworkSettings();
    void ShowTemporaryNetworkSettings();
    void ShowSystemNetworkSettings();
    void SetIpAddress();
    void SetSubnetMask();
    void SetGatewayAddress();
    void SetDns1();
    void SetDns2();

    // Ask, and reset on "y", "Y" or "yes" only.
    void ResetWebPasswords();
    void ResetFtpPasswords();

    void StopController();
    void EnableMsgLog(bool on);
    void EnableErrMsgLog(bool on);
    void EnableDebugLog(bool on);

    // One line of at most 99 characters (the rest of a longer line is
    // dropped, not taken as the next answer), without its line end. A line
    // that is not a number as a whole reads as 0; so does an ended input.
    int GetIntegerInput();
    float GetFloatInput();
    double GetDoubleInput();
    std::string GetStringInput();

    // True once the input has ended or the controller was asked to stop.
    bool Ended() const { return inputEnded || stopRequested; }

    // The temporary network settings, written back only by SaveNetworkSettings.
    std::string dhcp_enabled, dhcp_hostname, hostname, ipaddress, netmask, gateway, dns1, dns2, macaddress;

private:
    void Write(const std::string& text);
    // The selection prompt, the answer and the blank lines after it.
    int Selection();
    // "Press enter to continue" and a line.
    void WaitForEnter();
    // The prompt and the answer into field, unless the input ended.
    void AskInto(const char* prompt, std::string* field);
    // The question's answer confirms; otherwise the cancel text and a wait.
    bool Confirmed(const char* question, const char* cancelled);
    // The version line that heads both menus.
    std::string VersionLine();
    // The nine values in the settings table's layout.
    void ShowNetworkSettings(const std::array<std::string, 9>& values);

    DataSampler& sampler;
    DataSystem& system;
    std::istream* in;
    std::ostream* out;
    bool inputEnded = false;
    bool stopRequested = false;
};

}  // namespace VN_Sample

#endif
