#include "upload/pending_text.h"

#include <ctime>

namespace vantora {

std::string VerdictText(const UploadVerdict& verdict) {
  switch (verdict.kind) {
    case UploadVerdictKind::Success: return "上传成功";
    case UploadVerdictKind::Refused: return "服务器拒绝连接";
    case UploadVerdictKind::NoAnswer: return "服务器无应答";
    case UploadVerdictKind::ServerError: return "服务器错误 (" + std::to_string(verdict.status) + ")";
    case UploadVerdictKind::Other: break;
  }
  return "上传失败";
}

std::string RecordTimeText(std::optional<RecordTime> time) {
  if (!time) return {};
  const std::time_t seconds = static_cast<std::time_t>(*time / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

namespace {

std::string CsvField(std::string field) {
  if (!field.empty() && std::string("=+-@").find(field.front()) != std::string::npos) field.insert(0, "'");
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string PendingListCsv(const std::vector<PendingListRow>& rows) {
  std::string csv = "身份证号,保存时间,上传时间,结果\r\n";
  for (const PendingListRow& row : rows) {
    csv += CsvField(row.number) + "," + CsvField(RecordTimeText(row.savedAt)) + "," +
           CsvField(RecordTimeText(row.uploadedAt)) + "," + CsvField(row.verdict) + "\r\n";
  }
  return csv;
}

}  // namespace vantora
