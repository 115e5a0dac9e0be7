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

// The file name the upload sends for the photo: "Z:" and its absolute path
// with every "/" as "\" (the name Wine gives it). The sites' upload pages
// were written for stations on Windows and take what follows the last
// backslash as the file's own name, the identity number.
std::string UploadFileName(const std::string& photoFileName);

// What "上传" sends, for any photo: the file as the single multipart field
// "file1", named by UploadFileName, read from its real path. Raises on every
// failure: the file cannot be opened, the server cannot be reached, or the
// answer is not a plain 2xx.
void PostPhoto(TNwHTTP& http, const std::string& photoFileName);

}  // namespace vantora
