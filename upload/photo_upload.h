#pragma once

#include <memory>
#include <string>

#include "net/nw_limits.h"

namespace vantora {

class TNwHTTP;

// How long one upload may take, from connecting to the last byte of the
// answer, and the connect alone. The operator waits for the whole upload,
// so a server that accepts and then never reads or never answers, or
// trickles, or that never answers the connect, must not hold the station
// for good (an unbounded connect waits about two minutes on Linux).
inline constexpr TNwTimeLimit kUploadTimeLimit = kNwUploadExchangeTimeLimit;
inline constexpr TNwTimeLimit kUploadConnectTimeLimit = kNwUploadConnectTimeLimit;

// The upload client of the main window (`NwHTTP1`) with its fixed settings.
std::shared_ptr<TNwHTTP> MakeUploadClient();

// "http://" + the fixed upload server + "/clientupload.jsp?fname=img".
std::string UploadAddress();

// Posts the photo file as the single multipart field "file1", its file name
// being the full path. Raises on every failure: the file cannot be opened,
// the server cannot be reached, or the answer is not a plain 2xx.
void PostPhoto(TNwHTTP& http, const std::string& photoFileName);

}  // namespace vantora
