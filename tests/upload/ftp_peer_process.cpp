#include "tests/upload/ftp_peer_process.h"

#include <vector>

namespace vantora::testing {

FtpPeerProcess::FtpPeerProcess(int port, const std::string& home, const std::string& user,
                               const std::string& password)
    : peer_({VANTORA_FTP_PEER_SCRIPT, "--port", std::to_string(port), "--root", home, "--user", user, "--password",
             password},
            "the FTP server") {}

FtpPeerProcess::~FtpPeerProcess() = default;

}  // namespace vantora::testing
