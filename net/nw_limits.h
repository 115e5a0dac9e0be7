#pragma once

#include <cstddef>
#include <cstdint>

// Every size and time bound of the network layer lives here, so a reader can
// see at a glance how much memory and waiting a peer can make us spend.
namespace vantora {

// Longest line a line read accepts before the line action applies.
inline constexpr int kNwDefaultMaxLineLength = 16384;
// Bytes asked for per receive call, and the chunk size when a stream is sent.
inline constexpr int kNwDefaultRecvBufferSize = 32768;
inline constexpr int kNwDefaultSendBufferSize = 32768;

// Time-out values with a meaning of their own (milliseconds otherwise).
inline constexpr int kNwTimeoutDefault = -1;   // use the connection's ReadTimeout
inline constexpr int kNwTimeoutInfinite = -2;  // wait without limit

// A status line plus header lines of one answer may not exceed this in total;
// each line is bounded by MaxLineLength, but their number is not.
inline constexpr std::size_t kNwMaxHeaderBlockBytes = 1024 * 1024;

// An answer body collected as text (the post with a text response) is held
// in memory; beyond this it is refused instead of exhausting the process.
inline constexpr std::int64_t kNwMaxTextResponseBytes = 64 * 1024 * 1024;

// Time limits of the HTTP client's side reads of a body it will throw away.
inline constexpr int kNwDiscardBodyReadTimeout = 4000;
inline constexpr int kNwErrorBodyReadTimeout = 2000;

// The close check before a request waits this long for pending bytes.
inline constexpr int kNwCloseProbeTimeout = 1;

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
// How long the server may take to answer a command, to connect back for a
// transfer, and to take the next piece of a file (milliseconds).
inline constexpr int kNwFtpReplyTimeout = 60000;
inline constexpr int kNwFtpAcceptTimeout = 30000;
inline constexpr int kNwFtpTransferStallTimeout = 60000;
// Queue length of the data channel's listening socket.
inline constexpr int kNwFtpListenBacklog = 15;

}  // namespace vantora
