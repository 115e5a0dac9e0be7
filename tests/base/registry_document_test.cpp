#include <gtest/gtest.h>

#include <string>

#include "base/registry_document.h"

namespace vantora {
namespace {

using namespace std::string_literals;

std::string Sz(const std::string& text) { return text + '\0'; }

RegistryDocument Parse(const std::string& text) { return RegistryDocument::Parse(text, "/tmp/test.reg"); }

// UTF-16LE with a byte-order mark, as regedit's "Version 5.00" export writes.
std::string Utf16File(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(SettingsFileParse, ReadsEveryValueFormOfARegedit4File) {
  RegistryDocument doc = Parse(
      "REGEDIT4\r\n"
      "\r\n"
      "; exported by hand\r\n"
      "[HKEY_CURRENT_USER\\software\\Info]\r\n"
      "\"fip\"=\"10.0.0.1\"\r\n"
      "\"quote\"=\"a\\\"b\\\\c\"\r\n"
      "@=\"default\"\r\n"
      "\"fport\"=dword:00000015\r\n"
      "\"bin\"=hex:01,ff,\\\r\n"
      "  00\r\n"
      "\"PhotoPath\"=hex(2):25,54,4d,50,25,00\r\n"
      "\"empty\"=hex:\r\n"
      "\"odd\"=hex(20000):aa\r\n"
      "\"chinese\"=\"\xE5\xBC\xA0\"\r\n");
  ASSERT_EQ(doc.Keys().size(), 1u);
  const RegKey& key = doc.Keys()[0];
  EXPECT_EQ(key.path, "HKEY_CURRENT_USER\\software\\Info");
  std::vector<RegValue> expected = {
      {"fip", kRegSz, Sz("10.0.0.1")},
      {"quote", kRegSz, Sz("a\"b\\c")},
      {"", kRegSz, Sz("default")},
      {"fport", kRegDword, std::string("\x15\0\0\0", 4)},
      {"bin", kRegBinary, std::string("\x01\xff\x00", 3)},
      {"PhotoPath", kRegExpandSz, Sz("%TMP%")},
      {"empty", kRegBinary, ""},
      {"odd", 0x20000, "\xaa"},
      {"chinese", kRegSz, Sz("\xE5\xBC\xA0")},
  };
  EXPECT_EQ(key.values, expected);
}

TEST(SettingsFileParse, ConvertsVersion5Utf16FilesToUtf8) {
  // hex(2) data of this format is UTF-16LE too: "C:\" then the terminator.
  RegistryDocument doc = Parse(Utf16File(
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_CURRENT_USER\\Software\\Info]\r\n"
      u"\"fuser\"=\"\u5f20\u4e09\"\r\n"
      u"\"PhotoPath\"=hex(2):43,00,3a,00,5c,00,00,00\r\n"
      u"\"raw\"=hex:43,00\r\n"));
  ASSERT_EQ(doc.Keys().size(), 1u);
  const RegKey& key = doc.Keys()[0];
  ASSERT_EQ(key.values.size(), 3u);
  EXPECT_EQ(key.values[0].data, Sz("\xE5\xBC\xA0\xE4\xB8\x89"));
  EXPECT_EQ(key.values[1], (RegValue{"PhotoPath", kRegExpandSz, Sz("C:\\")}));
  EXPECT_EQ(key.values[2].data, std::string("C\0", 2));  // binary stays as it is
}

TEST(SettingsFileParse, MergesNamesCaseInsensitivelyAndAppliesRemovals) {
  RegistryDocument doc = Parse(
      "REGEDIT4\n"
      "[HKEY_CURRENT_USER\\software\\Info]\n"
      "\"FIP\"=\"old\"\n"
      "\"gone\"=\"x\"\n"
      "[hkey_current_user\\SOFTWARE\\info]\n"
      "\"fip\"=\"new\"\n"
      "\"GONE\"=-\n"
      "[HKEY_CURRENT_USER\\software\\Other]\n"
      "[HKEY_CURRENT_USER\\software\\Other\\Deeper]\n"
      "\"v\"=\"1\"\n"
      "[-HKEY_CURRENT_USER\\software\\other]\n");
  ASSERT_EQ(doc.Keys().size(), 1u);
  ASSERT_EQ(doc.Keys()[0].values.size(), 1u);
  EXPECT_EQ(doc.Keys()[0].values[0], (RegValue{"FIP", kRegSz, Sz("new")}));
  EXPECT_TRUE(doc.KeyExists("HKEY_CURRENT_USER\\SOFTWARE\\INFO"));
  EXPECT_FALSE(doc.KeyExists("HKEY_CURRENT_USER\\software\\Other\\Deeper"));
}

TEST(SettingsFileParse, EmptyInputIsAnEmptyRegistry) {
  for (std::string text : {"", "\n\n  \n", "\xEF\xBB\xBF", "\xFF\xFE", "REGEDIT4\n"}) {
    EXPECT_TRUE(Parse(text).Keys().empty()) << text;
  }
}

TEST(SettingsFileParse, KeysAlwaysThereAndImpliedParentsExist) {
  RegistryDocument doc = Parse("REGEDIT4\n[HKEY_CURRENT_USER\\a\\b\\c]\n");
  EXPECT_TRUE(doc.KeyExists("HKEY_CURRENT_USER\\Software"));
  EXPECT_TRUE(doc.KeyExists("HKEY_CURRENT_USER"));
  EXPECT_TRUE(doc.KeyExists("hkey_current_user\\A\\b"));
  EXPECT_FALSE(doc.KeyExists("HKEY_CURRENT_USER\\a\\b\\c\\d"));
  EXPECT_FALSE(doc.KeyExists("HKEY_CURRENT_USER\\a\\bc"));
  EXPECT_FALSE(doc.KeyExists("HKEY_CURRENT_USER\\software\\Info"));
}

struct BadFile {
  std::string text;
  int line;
  std::string why;
};

TEST(SettingsFileParse, RejectsDamagedFilesNamingFileAndLine) {
  const BadFile cases[] = {
      {"garbage\n", 1, "first line"},
      {"\x00R\x00" "E\x00"s, 1, "first line"},
      {"REGEDIT4\n\"fip\"=\"x\"\n", 2, "must follow a key"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x\n", 2, "]"},
      {"REGEDIT4\n[]\n", 2, "empty"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\nfip=1\n", 3, "value line"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\"=\"unterminated\n", 3, "closing quote"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\"=\"a\" tail\n", 3, "after the closing quote"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\"=dword:123456789\n", 3, "dword"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\"=dword:\n", 3, "dword"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\"=hex:0g\n", 3, "hexadecimal byte"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\"=hex:01,,02\n", 3, "hexadecimal byte"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\"=hex(zz):01\n", 3, "type number"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\"=hex:01,\\\n", 3, "end of the file"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\"=str:1\n", 3, "unknown"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\x]\n\"fip\" \"x\"\n", 3, "\"=\""},
      {"\xFE\xFF\x00R"s, 1, "big-endian"},
      {"\xFF\xFER\x00\n\x00\x00\xD8"s, 2, "UTF-16"},  // lone surrogate on line 2
  };
  for (const BadFile& c : cases) {
    try {
      Parse(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ESettingsFileError& e) {
      std::string message = e.what();
      EXPECT_NE(message.find("/tmp/test.reg"), std::string::npos) << message;
      EXPECT_NE(message.find("line " + std::to_string(c.line) + ":"), std::string::npos) << message;
      EXPECT_NE(message.find(c.why), std::string::npos) << message;
    }
  }
}

TEST(SettingsFileParse, Version5HexTextOfOddLengthIsAnError) {
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\x]\r\n\"a\"=hex(2):41\r\n";
  EXPECT_THROW(Parse(Utf16File(text)), ESettingsFileError);
}

TEST(SettingsFileWrite, WritesTheFormRegeditWrites) {
  RegistryDocument doc = Parse(
      "REGEDIT4\n[HKEY_CURRENT_USER\\software\\Info]\n\"fip\"=\"1.2.3.4\"\n\"fport\"=dword:00000015\n"
      "@=\"d\"\n\"x\"=hex(2):41,00\n");
  EXPECT_EQ(doc.Serialise(),
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\Info]\n\"fip\"=\"1.2.3.4\"\n"
            "\"fport\"=dword:00000015\n@=\"d\"\n\"x\"=hex(2):41,00\n\n");
}

// Whatever a value holds, the file written must read back to the same
// bytes: an ID taken from the clipboard may carry line breaks or zero bytes.
TEST(SettingsFileWrite, EveryValueReadsBackAsWritten) {
  RegistryDocument doc;
  RegKey& key = doc.AddKey("HKEY_CURRENT_USER\\software\\Info");
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
  key.values = {
      {"plain", kRegSz, Sz("123456789012345678")},
      {"line break", kRegSz, Sz("12\r\n34")},
      {"inner zero", kRegSz, std::string("ab\0cd\0", 6)},
      {"no terminator", kRegSz, "abc"},
      {"empty data", kRegSz, ""},
      {"empty text", kRegSz, Sz("")},
      {"quote\"and\\slash", kRegSz, Sz("q\"s\\")},
      {"", kRegExpandSz, Sz("%HOME%/x")},
      {"dword", kRegDword, std::string("\x01\x02\x03\x04", 4)},
      {"short dword", kRegDword, "\x01"},
      {"all bytes", kRegBinary, everyByte},
      {"custom", 0xffffffff, "z"},
      {"utf8", kRegSz, Sz("\xE8\xAF\xB7\xE9\x80\x89")},
  };
  doc.AddKey("HKEY_CURRENT_USER\\software\\Empty");
  std::string written = doc.Serialise();
  EXPECT_EQ(Parse(written), doc);
  for (std::size_t start = 0; start < written.size();) {
    std::size_t end = written.find('\n', start);
    EXPECT_LE(end - start, 80u) << "line too long";
    start = end + 1;
  }
}

}  // namespace
}  // namespace vantora
