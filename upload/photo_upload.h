#pragma once

#include <memory>
#include <string>

#include "net/nw_time_limit.h"

namespace vantora {

class TNwHTTP;

// How long one upload may take, from connecting to the last byte of the
// answer. The station's GUI thread is blocked for the whole upload, so a
// server that accepts and then never reads or never answers, or trickles,
// must not freeze the station for good.
inline constexpr TNwTimeLimit kUploadTimeLimit = TNwTimeLimit::Milliseconds(60'000);

// The upload client of the main window (`NwHTTP1`) with its fixed settings.
std::shared_ptr<TNwHTTP> MakeUploadClient();

// "http://" + the fixed upload server + "/clientupload.jsp?fname=img".
std::string UploadAddress();

// Posts the photo file as the single multipart field "file1", its file name
// being the full path. Raises on every failure: the file cannot be opened,
// the server cannot be reached, or the answer is not a plain 2xx.
void PostPhoto(TNwHTTP& http, const std::string& photoFileName);

}  // namespace vantora
