#include "upload/photo_upload.h"

#include <build_config.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "net/nw_http.h"

namespace vantora {

namespace {
constexpr char kUploadPattern[] = "http://%s/clientupload.jsp?fname=%s";
constexpr char kUploadKind[] = "img";
}  // namespace

std::shared_ptr<TNwHTTP> MakeUploadClient() {
  auto http = std::make_shared<TNwHTTP>();
  http->MaxLineAction = TNwMaxLineAction::maException;
  http->ReadTimeout = kUploadTimeLimit;
  http->ConnectTimeout = kUploadConnectTimeLimit;
  http->AllowCookies = true;
  http->HTTPOptions = hoForceEncodeParams;
  http->HandleRedirects = false;
  TNwHTTPRequest& request = http->Request();
  request.ContentLength = -1;
  request.ContentType = "text/html";
  request.Accept = "text/html, */*";
  request.BasicAuthentication = false;
  request.UserAgent = "Mozilla/3.0 (compatible; Vantora)";
  return http;
}

std::string UploadAddress() {
  char address[128];
  std::snprintf(address, sizeof address, kUploadPattern, VANTORA_UPLOAD_SERVER, kUploadKind);
  return address;
}

std::string UploadFileName(const std::string& photoFileName) {
  std::string name = "Z:" + std::filesystem::absolute(photoFileName).lexically_normal().string();
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

void PostPhoto(TNwHTTP& http, const std::string& photoFileName) {
  TNwMultiPartFormDataStream body;  // closes the photo file however the post ends
  body.SetFileName(body.AppendFilePart("file1", photoFileName, ""), UploadFileName(photoFileName));
  body.SetPosition(0);
  http.Request().ContentType = body.MultipartContentType();
  http.PostMultipart(UploadAddress(), body);  // the answer's text is not looked at
}

}  // namespace vantora
