#include <mutex>

#include "accounts/ftp_accounts.h"
#include "accounts/password_files.h"
#include "common/controller_mutexes.h"
#include "console/interface.h"

namespace VN_Sample {

void interface::ResetPasswords() {
    GetNetworkSettings();
    while (!Ended()) {
        Write("\n1) Reset Web Access Passwords\n"
              "2) Reset FTP Passwords\n"
              "3) Exit\n");
        switch (Selection()) {
            case 1: ResetWebPasswords(); break;
            case 2: ResetFtpPasswords(); break;
            case 3: return;
            default: break;
        }
    }
}

void interface::ResetWebPasswords() {
    const bool confirmed = Confirmed(
        "This action resets ALL users names and passwords for\n"
        "the Vantrel web interface.\n\n"
        "Resetting passwords removes all access protection.\n"
        "Be sure to create new passwords immediately.\n"
        "\n\nReset Web Passowrds (y, n) ?>  ",
        "Reset Web Passwords CANCELED\n");
    if (!confirmed) return;
    std::lock_guard<std::mutex> lock(systemMutex);
    Write("Resetting web passwords\n");
    VN_Sample::ResetWebPasswords();
}

void interface::ResetFtpPasswords() {
    const bool confirmed = Confirmed(
        "This action resets the FTP passwords to the default values of:\n\n"
        "username: \"data_admin\"    password: \"ax_kqv5817\"\n"
        "username: \"data_user\"     password: \"ux_qv5817\"\n\n"
        "\n\nReset FTP Passowrds (y, n) ?>  ",
        "Reset FTP Passwords CANCELED\n");
    if (!confirmed) return;
    std::lock_guard<std::mutex> lock(systemMutex);
    Write("Resetting FTP passwords\n");
    VN_Sample::ResetFtpPasswords();
}

}  // namespace VN_Sample
