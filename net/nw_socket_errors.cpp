#include "net/nw_socket_errors.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

#include "net/nw_exceptions.h"

namespace vantora {

namespace {

struct CodeText {
  int code;
  const char* text;
};

constexpr CodeText kTexts[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
    {11001, "Host not found."},
};

}  // namespace

std::string WinsockErrorText(int code) {
  for (const auto& entry : kTexts) {
    if (entry.code == code) return entry.text;
  }
  return {};
}

std::string SocketErrorMessage(int code) {
  return "Socket Error # " + std::to_string(code) + "\r\n" + WinsockErrorText(code);
}

int WinsockCodeFromErrno(int err) {
  switch (err) {
    case EINTR: return kWsaEInterrupted;
    case EBADF: return kWsaEBadFile;
    case EACCES:
    case EPERM: return kWsaEAccess;
    case EFAULT: return kWsaEFault;
    case EINVAL: return kWsaEInvalid;
    case EMFILE:
    case ENFILE: return kWsaETooManyFiles;
    case EWOULDBLOCK: return kWsaEWouldBlock;
    case EINPROGRESS: return kWsaEInProgress;
    case EALREADY: return kWsaEAlready;
    case ENOTSOCK: return kWsaENotSocket;
    case EDESTADDRREQ: return kWsaEDestAddrRequired;
    case EMSGSIZE: return kWsaEMsgSize;
    case EPROTOTYPE: return kWsaEProtoType;
    case ENOPROTOOPT: return kWsaENoProtoOpt;
    case EPROTONOSUPPORT: return kWsaEProtoNoSupport;
    case ESOCKTNOSUPPORT: return kWsaESocketNoSupport;
    case EOPNOTSUPP: return kWsaEOpNotSupp;
    case EPFNOSUPPORT: return kWsaEPfNoSupport;
    case EAFNOSUPPORT: return kWsaEAfNoSupport;
    case EADDRINUSE: return kWsaEAddrInUse;
    case EADDRNOTAVAIL: return kWsaEAddrNotAvail;
    case ENETDOWN: return kWsaENetDown;
    case ENETUNREACH: return kWsaENetUnreach;
    case ENETRESET: return kWsaENetReset;
    case ECONNABORTED: return kWsaEConnAborted;
    // A send to a peer that has gone away: Windows reports the reset.
    case EPIPE:
    case ECONNRESET: return kWsaEConnReset;
    case ENOBUFS:
    case ENOMEM: return kWsaENoBufs;
    case EISCONN: return kWsaEIsConn;
    case ENOTCONN: return kWsaENotConn;
    case ESHUTDOWN: return kWsaEShutdown;
    case ETOOMANYREFS: return kWsaETooManyRefs;
    case ETIMEDOUT: return kWsaETimedOut;
    case ECONNREFUSED: return kWsaEConnRefused;
    case ELOOP: return kWsaELoop;
    case ENAMETOOLONG: return kWsaENameTooLong;
    case EHOSTDOWN: return kWsaEHostDown;
    case EHOSTUNREACH: return kWsaEHostUnreach;
    case ENOTEMPTY: return kWsaENotEmpty;
    default: return err;
  }
}

int WinsockCodeFromLookup(int gai_error, int err) {
  switch (gai_error) {
    case EAI_NONAME:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return kWsaHostNotFound;
    case EAI_AGAIN: return kWsaTryAgain;
    case EAI_FAIL: return kWsaNoRecovery;
    case EAI_MEMORY: return kWsaENoBufs;
    case EAI_SYSTEM: return WinsockCodeFromErrno(err);
    default: return kWsaNoRecovery;
  }
}

ENwSocketError::ENwSocketError(int code) : ENwException(SocketErrorMessage(code)), code_(code) {}

void RaiseSocketError(int code) { throw ENwSocketError(code); }

namespace {
std::string StubMessage(int code, const std::string& title) {
  if (code == 0) return title;
  return title + ": " + std::strerror(code);
}
}  // namespace

ENwWS2StubError::ENwWS2StubError(int code, const std::string& title)
    : ENwException(StubMessage(code, title)), code_(code), title_(title) {}

}  // namespace vantora
