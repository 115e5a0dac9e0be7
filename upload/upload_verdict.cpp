#include "upload/upload_verdict.h"

#include "net/nw_exceptions.h"
#include "net/nw_socket_errors.h"

namespace vantora {

namespace {

UploadVerdict OfSocketCode(int code) {
  if (code == kWsaEConnRefused) return {UploadVerdictKind::Refused};
  if (code == kWsaETimedOut) return {UploadVerdictKind::NoAnswer};
  return {UploadVerdictKind::Other};
}

}  // namespace

UploadVerdict VerdictOfUpload(const std::exception_ptr& failure) {
  if (!failure) return {UploadVerdictKind::Success};
  try {
    std::rethrow_exception(failure);
  } catch (const ENwHTTPProtocolException& e) {
    return {UploadVerdictKind::ServerError, e.ErrorCode()};
  } catch (const ENwSocketError& e) {
    return OfSocketCode(e.LastError());
  } catch (const ENwConnectException& e) {
    // A bounded connect carries the socket error only in its message.
    for (int code : {kWsaEConnRefused, kWsaETimedOut}) {
      if (e.what() == SocketErrorMessage(code)) return OfSocketCode(code);
    }
  } catch (const ENwConnectTimeout&) {
    return {UploadVerdictKind::NoAnswer};
  } catch (const ENwReadTimeout&) {
    return {UploadVerdictKind::NoAnswer};
  } catch (...) {
  }
  return {UploadVerdictKind::Other};
}

}  // namespace vantora
