#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/nw_stream.h"

// A multipart/form-data request body produced on demand while it is read:
// part headers are generated when a part is reached and file bytes go from
// the file straight into the reader's buffer, so memory does not grow with
// the file. The size is known in advance for "Content-Length".
namespace vantora {

class TNwMultiPartFormDataStream;

// One part: a file part (a stream and a file name) or a text part.
class TNwFormDataField {
 public:
  const std::string& FieldName() const { return field_name_; }
  const std::string& FieldValue() const { return field_value_; }
  const std::string& FileName() const { return file_name_; }
  const std::string& ContentType() const { return content_type_; }
  TNwStream* FieldObject() const { return object_.get(); }
  // Header length, plus the file size at the time the part was added and
  // the CR LF that ends its content, for a file part.
  std::int64_t PartSize() const { return part_size_; }
  // The generated part header for `boundary`.
  std::string FormatHeader(const std::string& boundary) const;

 private:
  friend class TNwMultiPartFormDataStream;
  std::string field_name_;
  std::string field_value_;
  std::string file_name_;
  std::string content_type_;
  std::unique_ptr<TNwStream> object_;
  std::int64_t part_size_ = 0;
};

using TNwFormDataFields = std::vector<std::unique_ptr<TNwFormDataField>>;

class TNwMultiPartFormDataStream : public TNwStream {
 public:
  // Fixes the boundary from the local time.
  TNwMultiPartFormDataStream();

  // Opens `file_name` for reading and adds a file part. The field name, file
  // name and content type go into the part header unchanged (quotes and
  // backslashes included); one holding CR or LF is refused with
  // ENwLineBreakNotAllowed before anything is added. A file that cannot be
  // opened raises EFileOpenError and leaves an empty part behind.
  TNwFormDataField& AppendFilePart(const std::string& field_name, const std::string& file_name,
                                   const std::string& content_type);
  // Gives a file part the file name its header carries, the file it reads
  // staying the one it opened; the part size follows. Before the body is
  // read. A name holding CR or LF is refused as AppendFilePart refuses it.
  void SetFileName(TNwFormDataField& part, const std::string& file_name);
  // Adds a plain text part.
  TNwFormDataField& AddFormField(const std::string& field_name, const std::string& value);

  const std::string& Boundary() const { return boundary_; }
  // "multipart/form-data; boundary=" followed by the boundary.
  const std::string& MultipartContentType() const { return content_type_; }
  const TNwFormDataFields& Fields() const { return fields_; }

  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Always raises "Unsupported operation.".
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Only rewinding moves: offset 0 from the start restarts the body; other
  // seeks report the position, or the total size from the end.
  std::int64_t Seek(std::int64_t offset, TNwSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;

  // For tests: a stream with a boundary of the caller's choosing.
  explicit TNwMultiPartFormDataStream(std::string boundary);

 private:
  std::string ClosingDelimiter() const { return "\r\n--" + boundary_ + "--\r\n"; }
  std::int64_t TotalSize() const;

  std::string boundary_;
  std::string content_type_;
  TNwFormDataFields fields_;
  std::int64_t position_ = 0;
  std::size_t current_part_ = 0;
  bool started_ = false;
  std::string pending_;
  std::size_t pending_offset_ = 0;
  TNwStream* current_input_ = nullptr;
};

// "--------" and the local time as month, day, two-digit year, hour, minute,
// second (two digits each) and milliseconds (three digits).
std::string MakeMultipartBoundary();

}  // namespace vantora
