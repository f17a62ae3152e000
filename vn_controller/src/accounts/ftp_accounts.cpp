#include "accounts/ftp_accounts.h"

namespace VN_Sample {

void ResetFtpPasswords() {}

}  // namespace VN_Sample
