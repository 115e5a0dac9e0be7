#pragma once

#include <stdexcept>
#include <string>

// The error classes of the network layer. Every one of them derives from
// ENwException, so a caller that only wants "the transfer failed" catches that.
namespace vantora {

class ENwException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Socket-level failure: message "Socket Error # <code>" CR LF <text of code>.
class ENwSocketError : public ENwException {
 public:
  explicit ENwSocketError(int code);
  int LastError() const { return code_; }

 private:
  int code_;
};

// Failure to load or start the socket library (kept for the message rules;
// the POSIX socket layer needs no loading).
class ENwWS2StubError : public ENwException {
 public:
  ENwWS2StubError(int code, const std::string& title);
  int Win32Error() const { return code_; }
  const std::string& Title() const { return title_; }

 private:
  int code_;
  std::string title_;
};

#define VANTORA_NW_SIMPLE_ERROR(Name)      \
  class Name : public ENwException {       \
   public:                                 \
    using ENwException::ENwException;      \
  }

VANTORA_NW_SIMPLE_ERROR(ENwStackInitializationFailed);
VANTORA_NW_SIMPLE_ERROR(ENwAlreadyConnected);
VANTORA_NW_SIMPLE_ERROR(ENwInvalidSocket);
VANTORA_NW_SIMPLE_ERROR(ENwCouldNotBindSocket);
VANTORA_NW_SIMPLE_ERROR(ENwConnectTimeout);
VANTORA_NW_SIMPLE_ERROR(ENwConnectException);
VANTORA_NW_SIMPLE_ERROR(ENwConnClosedGracefully);
VANTORA_NW_SIMPLE_ERROR(ENwNotConnected);
VANTORA_NW_SIMPLE_ERROR(ENwReadTimeout);
VANTORA_NW_SIMPLE_ERROR(ENwReadLnMaxLineLengthExceeded);
VANTORA_NW_SIMPLE_ERROR(ENwNoDataToRead);
VANTORA_NW_SIMPLE_ERROR(ENwUnknownProtocol);
VANTORA_NW_SIMPLE_ERROR(ENwIOHandlerPropInvalid);
VANTORA_NW_SIMPLE_ERROR(ENwURIException);
VANTORA_NW_SIMPLE_ERROR(ENwInvalidObjectType);
// A value holding CR or LF was about to be written into protocol text.
VANTORA_NW_SIMPLE_ERROR(ENwLineBreakNotAllowed);
// A peer sent more than a named limit allows (header block, sizes, bodies).
VANTORA_NW_SIMPLE_ERROR(ENwLimitExceeded);

#undef VANTORA_NW_SIMPLE_ERROR

// A numbered reply whose code was not among those expected.
class ENwProtocolReplyError : public ENwException {
 public:
  ENwProtocolReplyError(int code, const std::string& message)
      : ENwException(message), code_(code) {}
  int ReplyErrorCode() const { return code_; }

 private:
  int code_;
};

// An HTTP answer that is not a success: message = status line, code = status
// code, error message = the answer's body as read.
class ENwHTTPProtocolException : public ENwProtocolReplyError {
 public:
  ENwHTTPProtocolException(int code, const std::string& status_line, std::string body)
      : ENwProtocolReplyError(code, status_line), body_(std::move(body)) {}
  int ErrorCode() const { return ReplyErrorCode(); }
  const std::string& ErrorMessage() const { return body_; }

 private:
  std::string body_;
};

// Raises the socket error for a Windows Sockets code.
[[noreturn]] void RaiseSocketError(int code);

}  // namespace vantora
