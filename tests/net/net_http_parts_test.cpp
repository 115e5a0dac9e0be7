#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/nw_cookies.h"
#include "net/nw_exceptions.h"
#include "net/nw_header_list.h"
#include "net/nw_http_wire.h"
#include "net/nw_io_handler_scripted.h"
#include "net/nw_uri.h"

namespace vantora {
namespace {

TEST(NetHttpParts, StatusCodeOfAStatusLine) {
  struct Case {
    const char* line;
    int code;
  };
  for (const Case c : {Case{"HTTP/1.0 200 OK", 200}, Case{"HTTP/1.1   404   Not Found", 404},
                       Case{"HTTP/1.0 abc OK", -1}, Case{"HTTP/1.0", -1}, Case{"HTTP/1.0 ", -1},
                       Case{"HTTP/1.0 99999999999999999999 x", -1}, Case{"HTTP/1.0 2OO OK", -1}}) {
    EXPECT_EQ(ParseStatusCode(c.line), c.code) << c.line;
  }
}

TEST(NetHttpParts, ChunkSizeLines) {
  struct Case {
    const char* line;
    std::int64_t size;
  };
  for (const Case c : {Case{"1a junk", 26}, Case{"1A", 26}, Case{"0", 0}, Case{"zz", 0}, Case{"", 0},
                       Case{"10;name=value", 16}, Case{"7fffffffffffffff", 0x7fffffffffffffffLL}}) {
    EXPECT_EQ(ParseChunkSize(c.line), c.size) << c.line;
  }
  EXPECT_THROW(ParseChunkSize("8000000000000000"), ENwLimitExceeded);
  EXPECT_THROW(ParseChunkSize("fffffffffffffffffffffff"), ENwLimitExceeded);
}

TEST(NetHttpParts, AnswerHeadOverCannedBytes) {
  TNwIOHandlerScripted handler(
      "HTTP/1.1 200 OK\r\nContent-Length:  12 \r\nX-Fold: one\r\n\ttwo\r\nConnection: Keep-Alive\r\n"
      "Set-Cookie: a=1\r\nset-cookie: b=2\r\n\r\nrest",
      5);
  handler.MarkOpen();
  TNwTCPConnection connection;
  connection.SetIOHandler(&handler);
  TNwHTTPResponse response;
  ASSERT_TRUE(ReadResponseHead(connection, response));
  EXPECT_EQ(response.ResponseCode, 200);
  EXPECT_EQ(response.ContentLength, 12);
  EXPECT_EQ(response.Connection, "Keep-Alive");
  EXPECT_EQ(response.RawHeaders.Values("x-fold"), "one two");
  EXPECT_EQ(response.RawHeaders.AllValues("Set-Cookie"), (std::vector<std::string>{"a=1", "b=2"}));
  EXPECT_EQ(connection.ReadString(4), "rest");
}

TEST(NetHttpParts, ContentLengthIsALengthOrNone) {
  struct Case {
    const char* value;
    std::int64_t length;
  };
  for (const Case c : {Case{"5", 5}, Case{" 0 ", 0}, Case{"-5", -1}, Case{"five", -1}, Case{"", -1}}) {
    SCOPED_TRACE(c.value);
    TNwHTTPResponse response;
    response.RawHeaders.Add(std::string("Content-Length: ") + c.value);
    ParseResponseHeaders(response);
    EXPECT_EQ(response.ContentLength, c.length);
  }
}

TEST(NetHttpParts, AddressesSplitIntoTheirParts) {
  struct Case {
    const char* uri;
    const char* protocol;
    const char* user;
    const char* password;
    const char* host;
    const char* port;
    const char* path;
    const char* document;
    const char* params;
    const char* bookmark;
  };
  const std::vector<Case> cases = {
      {"http://10.1.2.3/clientupload.jsp?fname=img", "http", "", "", "10.1.2.3", "", "/", "clientupload.jsp",
       "?fname=img", ""},
      {"http://u:p@h:8080/a/b/c.jsp?x=1#frag", "http", "u", "p", "h", "8080", "/a/b/", "c.jsp", "?x=1", "frag"},
      {"http://:p@h/", "http", "", "", "h", "", "/", "", "", ""},
      {"http://h", "http", "", "", "h", "", "/", "", "", ""},
      {"http://h/a\\b\\c.jsp", "http", "", "", "h", "", "/a/b/", "c.jsp", "", ""},
      {"http://h/dir/x=1/y", "http", "", "", "h", "", "/dir/", "x", "=1/y", ""},
      {"http://h/doc#top", "http", "", "", "h", "", "/", "doc", "", "top"},
      {"/rel/doc.jsp?q", "", "", "", "", "", "/rel/", "doc.jsp", "?q", ""},
      {"doc.jsp", "", "", "", "", "", "", "doc.jsp", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uri);
    const TNwURI u(c.uri);
    EXPECT_EQ(u.Protocol, c.protocol);
    EXPECT_EQ(u.Username, c.user);
    EXPECT_EQ(u.Password, c.password);
    EXPECT_EQ(u.Host, c.host);
    EXPECT_EQ(u.Port, c.port);
    EXPECT_EQ(u.Path, c.path);
    EXPECT_EQ(u.Document, c.document);
    EXPECT_EQ(u.Params, c.params);
    EXPECT_EQ(u.Bookmark, c.bookmark);
  }
  // The second byte of a double-byte character is not a separator.
  const TNwURI gbk(std::string("http://h/\xD5\x5C.jsp"));
  EXPECT_EQ(gbk.Document, std::string("\xD5\x5C.jsp"));
  EXPECT_THROW(TNwURI("/x").GetFullURI(), ENwURIException);
  EXPECT_EQ(TNwURI("http://h:81/a/b?c").GetFullURI(), "http://h:81/a/b?c");
  EXPECT_EQ(NormalizeURIPath("/a/./b/../c/"), "/a/c/");
  EXPECT_EQ(NormalizeURIPath("/a/b/.."), "/a/");
  EXPECT_EQ(NormalizeURIPath("/../x"), "/x");
}

TEST(NetHttpParts, HeaderListValuesReplaceInPlaceAndFold) {
  TNwHeaderList list(20);
  list.Add("Host: a");
  list.Add("X-Multi: one");
  list.Add("  two");
  list.Add("Accept: b");
  list.SetValue("x-multi", "new");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"Host: a", "x-multi: new", "Accept: b"}));
  list.SetValue("HOST", "");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"x-multi: new", "Accept: b"}));
  list.SetValue("Long", "aaaa bbbb cccc dddd eeee");
  EXPECT_EQ(list.Lines().back(), " dddd eeee");
  EXPECT_EQ(list.Values("long"), "aaaa bbbb cccc dddd eeee");
  EXPECT_EQ(FoldHeaderLine("Name: " + std::string(30, 'x'), 10).size(), 2u);  // cut at the one space
}

TEST(NetHttpParts, CookieStoreChoosesByHostPathAndExpiry) {
  TNwCookieManager jar;
  const std::time_t now = 1'800'000'000;
  jar.AddServerCookie("a=1; Path=/", "station.example", now);
  jar.AddServerCookie("b=2; Path=/upload", "station.example", now);
  jar.AddServerCookie("c=3; Domain=other.example", "station.example", now);  // not this host's
  jar.AddServerCookie("d=; Path=/", "station.example", now);                 // empty value
  jar.AddServerCookie("e=5; Secure", "station.example", now);
  jar.AddServerCookie("f=6; Max-Age=10", "station.example", now);
  jar.AddServerCookie("g=7; Expires=Thu, 01 Jan 2015 00:00:00 GMT", "station.example", now);
  EXPECT_EQ(jar.CookieHeader("station.example", "/upload/x.jsp", now), "b=2; a=1; f=6");
  EXPECT_EQ(jar.CookieHeader("station.example", "/other", now + 11), "a=1");
  jar.AddServerCookie("a=9; Path=/", "station.example", now);  // replaces
  EXPECT_EQ(jar.CookieHeader("station.example", "/", now), "a=9");
  EXPECT_EQ(ParseCookieDate("Wed, 09-Jun-21 10:18:14 GMT"), 1623233894);
}

TEST(NetHttpParts, CookieStoreRefusesWhatCannotGoBackAndStaysBounded) {
  TNwCookieManager jar;
  const std::time_t now = 1'800'000'000;
  for (const std::string& bad : {std::string("cr=a\rb"), std::string("lf=a\nb"), std::string("nul=a") + '\0' + "b",
                                std::string("del=a\x7f"), std::string("c\x01tl=1"), std::string("p=1; Path=/a\rb"),
                                "big=" + std::string(kNwMaxCookieBytes, 'v')}) {
    jar.AddServerCookie(bad, "station.example", now);
  }
  EXPECT_TRUE(jar.Cookies().empty());
  // Bytes above 0x7f are not control bytes: a GBK value is kept.
  jar.AddServerCookie("name=\xD5\xC5", "station.example", now);
  EXPECT_EQ(jar.CookieHeader("station.example", "/", now), "name=\xD5\xC5");

  // A flood of cookies keeps only the newest ones, up to the cap.
  for (int i = 0; i < 1000; ++i) jar.AddServerCookie("c" + std::to_string(i) + "=1", "station.example", now);
  ASSERT_EQ(jar.Cookies().size(), kNwMaxCookies);
  EXPECT_EQ(jar.Cookies().front().Name, "c950");
  EXPECT_EQ(jar.Cookies().back().Name, "c999");
}

}  // namespace
}  // namespace vantora
