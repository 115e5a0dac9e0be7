#pragma once

#include <optional>
#include <string>
#include <vector>

#include "record/upload_record.h"

// The texts the re-send dialog shows for the record's entries, and the list
// as a CSV file for the site's records.
namespace vantora {

// "上传成功", "服务器拒绝连接", "服务器无应答", "服务器错误 (500)", "上传失败".
std::string VerdictText(const UploadVerdict& verdict);

// Local time, "2026-12-09 14:05:33"; empty text for no time.
std::string RecordTimeText(std::optional<RecordTime> time);

// One line of the list as it stands in the dialog.
struct PendingListRow {
  std::string number;
  std::optional<RecordTime> savedAt;
  std::optional<RecordTime> uploadedAt;  // when this list sent it successfully
  std::string verdict;                   // as shown
};

// Header "身份证号,保存时间,上传时间,结果", then one line per row, CR LF
// line ends, fields quoted where they hold a comma, quote or line break. A
// field that a spreadsheet would take for a formula (=, +, -, @ first) gets
// a leading apostrophe, so a number taken from the clipboard cannot run as one.
std::string PendingListCsv(const std::vector<PendingListRow>& rows);

}  // namespace vantora
