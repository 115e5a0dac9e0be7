#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>
#include <string>

#include "net/nw_exceptions.h"
#include "net/nw_multipart.h"
#include "tests/net/test_files.h"

namespace vantora {
namespace {

using testing::FileBytes;
using testing::TestDataPath;

const std::string kBoundary = "--------120826012525123";

std::string ReadAll(TNwStream& s, std::int64_t chunk) {
  std::string out;
  std::string buf(static_cast<std::size_t>(chunk), '\0');
  for (;;) {
    const std::int64_t n = s.Read(buf.data(), chunk);
    if (n == 0) break;
    out.append(buf.data(), static_cast<std::size_t>(n));
  }
  return out;
}

std::string ExpectedBody(const std::string& path, const std::string& file_bytes, const std::string& type) {
  return "--" + kBoundary + "\r\n" + "Content-Disposition: form-data; name=\"file1\"; filename=\"" + path +
         "\"\r\n" + "Content-Type: " + type + "\r\n\r\n" + file_bytes + "\r\n" + "\r\n--" + kBoundary + "--\r\n";
}

TEST(NetMultipart, BodyIsHeaderFileCrLfAndClosingWhateverTheReadSize) {
  for (const char* name : {"empty.jpg", "red-228x303.jpg", "photo-640x480.jpg"}) {
    const std::string path = TestDataPath(name);
    // The name in the header may differ from the file read (the upload sends a Windows form).
    for (const std::string& sent : {path, "Z:\\data\\" + std::string(name)}) {
      const std::string expected = ExpectedBody(sent, FileBytes(path), "");
      for (std::int64_t chunk : {1, 7, 4096, 32768, 1 << 20}) {
        SCOPED_TRACE(sent + " in reads of " + std::to_string(chunk));
        TNwMultiPartFormDataStream body(kBoundary);
        TNwFormDataField& part = body.AppendFilePart("file1", path, "");
        if (sent != path) body.SetFileName(part, sent);
        body.Seek(0, TNwSeekOrigin::soBeginning);
        EXPECT_EQ(body.Size(), static_cast<std::int64_t>(expected.size()));
        EXPECT_EQ(ReadAll(body, chunk), expected);
        // Reading after the end yields nothing; a rewind starts over.
        char c;
        EXPECT_EQ(body.Read(&c, 1), 0);
        body.Seek(0, TNwSeekOrigin::soBeginning);
        EXPECT_EQ(ReadAll(body, chunk), expected);
      }
    }
  }
}

TEST(NetMultipart, SizeFormulaAndPartsInOrder) {
  const std::string path = TestDataPath("red-228x303.jpg");
  TNwMultiPartFormDataStream body(kBoundary);
  body.AddFormField("id", "123456789012345");
  const auto& part = body.AppendFilePart("file1", path, "image/jpeg");
  const std::string header = "----------120826012525123\r\n"
                             "Content-Disposition: form-data; name=\"file1\"; filename=\"" + path + "\"\r\n"
                             "Content-Type: image/jpeg\r\n"
                             "\r\n";
  const auto file_size = static_cast<std::int64_t>(FileBytes(path).size());
  // 114 bytes of header around the path, the file, and its closing CR LF.
  EXPECT_EQ(part.PartSize(), 114 + static_cast<std::int64_t>(path.size()) + file_size + 2);
  const std::string text_part = "----------120826012525123\r\n"
                                "Content-Disposition: form-data; name=\"id\"\r\n"
                                "\r\n"
                                "123456789012345\r\n";
  const std::string all = ReadAll(body, 100);
  EXPECT_EQ(all, text_part + header + FileBytes(path) + "\r\n\r\n----------120826012525123--\r\n");
  EXPECT_EQ(body.Size(), static_cast<std::int64_t>(all.size()));
}

TEST(NetMultipart, SeekOnlyRewinds) {
  const std::string path = TestDataPath("red-228x303.jpg");
  TNwMultiPartFormDataStream body(kBoundary);
  body.AppendFilePart("file1", path, "");
  const std::string expected = ExpectedBody(path, FileBytes(path), "");
  std::string first(10, '\0');
  ASSERT_EQ(body.Read(first.data(), 10), 10);
  EXPECT_EQ(body.Seek(3, TNwSeekOrigin::soBeginning), 10);
  EXPECT_EQ(body.Seek(-5, TNwSeekOrigin::soCurrent), 10);
  EXPECT_EQ(body.Seek(0, TNwSeekOrigin::soEnd), static_cast<std::int64_t>(expected.size()));
  EXPECT_EQ(body.Position(), 10);
  // The read continues where it was.
  EXPECT_EQ(first + ReadAll(body, 333), expected);
}

// A quote in the photo folder's name would end the file name early in the
// header; it goes as %22, as browsers write it, and every other byte as it is.
TEST(NetMultipart, QuotesInANameAreEscapedAndLineBreaksRefused) {
  const auto top = std::filesystem::temp_directory_path() / ("vantora-net-" + std::to_string(::getpid()));
  const auto dir = top / "photos \"2014\"";
  std::filesystem::create_directories(dir);
  const std::string odd = (dir / "a \\name.jpg").string();
  std::ofstream(odd, std::ios::binary) << "JPEG";
  {
    TNwMultiPartFormDataStream body(kBoundary);
    body.AppendFilePart("file1", odd, "");
    body.AddFormField("a\"b", "v");
    EXPECT_EQ(ReadAll(body, 64), "----------120826012525123\r\n"
                                 "Content-Disposition: form-data; name=\"file1\"; filename=\"" +
                                     top.string() + "/photos %222014%22/a \\name.jpg\"\r\n"
                                 "Content-Type: \r\n\r\nJPEG\r\n"
                                 "----------120826012525123\r\n"
                                 "Content-Disposition: form-data; name=\"a%22b\"\r\n\r\nv\r\n"
                                 "\r\n----------120826012525123--\r\n");
  }
  struct Case {
    std::string field, file, type;
  };
  for (const Case& c : {Case{"fi\r\nle1", odd, ""}, Case{"file1", odd + "\n", ""},
                        Case{"file1", odd, "image/jpeg\r\nX-Injected: 1"}}) {
    TNwMultiPartFormDataStream body(kBoundary);
    EXPECT_THROW(body.AppendFilePart(c.field, c.file, c.type), ENwLineBreakNotAllowed);
    EXPECT_TRUE(body.Fields().empty());
  }
  std::filesystem::remove_all(top);
}

TEST(NetMultipart, FilesThatCannotBeOpenedAndWrites) {
  TNwMultiPartFormDataStream body;
  EXPECT_THROW(body.AppendFilePart("file1", "/no/such/photo.jpg", ""), EFileOpenError);
  EXPECT_EQ(body.Fields().size(), 1u);  // the empty part stays; the caller drops the body
  TNwMultiPartFormDataStream folder;
  EXPECT_THROW(folder.AppendFilePart("file1", std::filesystem::temp_directory_path().string(), ""),
               EFileOpenError);
  try {
    body.Write("x", 1);
    FAIL() << "no error";
  } catch (const ENwException& e) {
    EXPECT_STREQ(e.what(), "Unsupported operation.");
  }
}

TEST(NetMultipart, BoundaryIsEightHyphensAndFifteenDigits) {
  TNwMultiPartFormDataStream body;
  EXPECT_TRUE(std::regex_match(body.Boundary(), std::regex("-{8}[0-9]{15}"))) << body.Boundary();
  EXPECT_EQ(body.MultipartContentType(), "multipart/form-data; boundary=" + body.Boundary());
  // A body without parts is its closing delimiter, as its size says.
  EXPECT_EQ(ReadAll(body, 5), "\r\n--" + body.Boundary() + "--\r\n");
  EXPECT_EQ(body.Size(), static_cast<std::int64_t>(body.Boundary().size() + 8));
}

}  // namespace
}  // namespace vantora
