#pragma once

#include <cstddef>
#include <cstdint>

#include "net/nw_time_limit.h"

// Every size and time bound of the network layer lives here, so a reader can
// see at a glance how much memory and waiting a peer can make us spend.
namespace vantora {

// Longest line a line read accepts before the line action applies.
inline constexpr int kNwDefaultMaxLineLength = 16384;
// Bytes asked for per receive call, and the chunk size when a stream is sent.
inline constexpr int kNwDefaultRecvBufferSize = 32768;
inline constexpr int kNwDefaultSendBufferSize = 32768;

// How long any wait of a connection with a wait hook goes on before the hook
// is called again (see TNwTCPConnection::WaitHook).
inline constexpr TNwTimeLimit kNwWaitHookInterval = TNwTimeLimit::Milliseconds(50);

// The status lines and header lines of one exchange's answer, interim (100)
// blocks included, may not exceed this in total. The line reader is handed
// what is left of it as its limit, whatever MaxLineLength says.
inline constexpr std::size_t kNwMaxHeaderBlockBytes = 1024 * 1024;

// Interim (100) answers accepted before the real one; a server that sends
// more is not going to answer.
inline constexpr int kNwMaxInterimAnswers = 16;

// The cookie store: at most this many cookies (the oldest goes first), each
// with name and value of at most kNwMaxCookieBytes together.
inline constexpr std::size_t kNwMaxCookies = 50;
inline constexpr std::size_t kNwMaxCookieBytes = 4096;

// An answer body collected as text (the post with a text response) is held
// in memory; beyond this it is refused instead of exhausting the process.
inline constexpr std::int64_t kNwMaxTextResponseBytes = 64 * 1024 * 1024;

// Time limits of the HTTP client's side reads of a body it will throw away
// (a redirect's, an accepted refusal's) or keep only as an error's text. Each
// bounds the whole read, not each receive; the exchange's deadline may end
// it sooner. A discarded body is read at most up to its byte limit.
inline constexpr TNwTimeLimit kNwDiscardBodyTimeLimit = TNwTimeLimit::Milliseconds(4000);
inline constexpr TNwTimeLimit kNwErrorBodyTimeLimit = TNwTimeLimit::Milliseconds(2000);
inline constexpr std::int64_t kNwMaxDiscardBodyBytes = 16 * 1024 * 1024;

// The close check before a request waits this long for pending bytes.
inline constexpr TNwTimeLimit kNwCloseProbeTimeLimit = TNwTimeLimit::Milliseconds(1);

// Request header lines longer than this are folded onto continuation lines.
inline constexpr std::size_t kNwRawHeaderFoldLength = 1024;
inline constexpr std::size_t kNwDefaultHeaderFoldLength = 78;

// Default limits of the HTTP client.
inline constexpr int kNwDefaultRedirectMaximum = 15;
inline constexpr int kNwDefaultAuthRetries = 3;

// The FTP client's bounds. A reply's lines are bounded by MaxLineLength, but
// not their number, so the whole reply is capped as well.
inline constexpr std::size_t kNwFtpMaxReplyBytes = 1024 * 1024;
inline constexpr std::size_t kNwFtpMaxReplyLines = 4096;
// How long the server may take to answer a command (the command and its
// whole reply), to connect back for a transfer, and to make room for more of
// a file on the data connection.
inline constexpr TNwTimeLimit kNwFtpReplyTimeLimit = TNwTimeLimit::Milliseconds(60000);
inline constexpr TNwTimeLimit kNwFtpAcceptTimeLimit = TNwTimeLimit::Milliseconds(30000);
inline constexpr TNwTimeLimit kNwFtpTransferStallTimeLimit = TNwTimeLimit::Milliseconds(60000);
// The name lookup and the TCP connect of the control connection together: a
// server behind a firewall that drops packets fails within it.
inline constexpr TNwTimeLimit kNwFtpConnectTimeLimit = TNwTimeLimit::Milliseconds(15000);
// Bounds on whole operations, over the per-wait limits above, so that a
// server that answers, but slowly (a trickle of reply lines, a transfer that
// creeps), cannot stretch them: the connect with greeting and login, and one
// store (commands, the connection back, the file, the final reply). The
// login gets no less than one reply may take, so a server that greets late
// (a reverse lookup against a dead resolver) is still logged in.
inline constexpr TNwTimeLimit kNwFtpLoginTimeLimit = kNwFtpReplyTimeLimit;
inline constexpr TNwTimeLimit kNwFtpStoreTimeLimit = TNwTimeLimit::Milliseconds(90000);
// A login and one store together, for a caller that bounds the two as one
// step: a server that answers, but slowly, holds it two minutes at most.
inline constexpr TNwTimeLimit kNwFtpLoginAndStoreTimeLimit = TNwTimeLimit::Milliseconds(120000);
// After a 426 or 450 (the server gave the transfer up), how long a second
// reply that some servers send after it may take to begin.
inline constexpr TNwTimeLimit kNwFtpFollowUpReplyTimeLimit = TNwTimeLimit::Milliseconds(1000);
// The single-photo upload: a server that drops packets fails within the
// connect bound (the name lookup included, as for the FTP client), and the
// whole exchange, connect to the last byte of the answer, within the other.
inline constexpr TNwTimeLimit kNwUploadConnectTimeLimit = TNwTimeLimit::Milliseconds(15000);
inline constexpr TNwTimeLimit kNwUploadExchangeTimeLimit = TNwTimeLimit::Milliseconds(60000);
// Queue length of the data channel's listening socket.
inline constexpr int kNwFtpListenBacklog = 15;

}  // namespace vantora
