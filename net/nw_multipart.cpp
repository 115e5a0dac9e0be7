#include "net/nw_multipart.h"

#include <sys/time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "net/nw_exceptions.h"
#include "net/nw_text.h"

namespace vantora {

namespace {

constexpr char kPartValues[] = "a multipart field name, file name or content type";

// A name goes between double quotes in the part's header; a quote inside it
// would end it early (a photo folder may be called anything). Browsers
// write it as %22, and so do we; every other byte goes as it is, since
// servers may read the whole path.
std::string QuotedName(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') {
      quoted += "%22";
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

}  // namespace

std::string MakeMultipartBoundary() {
  timeval now{};
  gettimeofday(&now, nullptr);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  char text[128];
  std::snprintf(text, sizeof text, "--------%02d%02d%02d%02d%02d%02d%03d", local.tm_mon + 1, local.tm_mday,
                local.tm_year % 100, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(now.tv_usec / 1000));
  return text;
}

std::string TNwFormDataField::FormatHeader(const std::string& boundary) const {
  std::string h = "--" + boundary + "\r\n";
  if (object_ && !file_name_.empty()) {
    h += "Content-Disposition: form-data; name=" + QuotedName(field_name_) + "; filename=" + QuotedName(file_name_) + "\r\n";
    h += "Content-Type: " + content_type_ + "\r\n\r\n";
  } else {
    h += "Content-Disposition: form-data; name=" + QuotedName(field_name_) + "\r\n\r\n" + field_value_ + "\r\n";
  }
  return h;
}

TNwMultiPartFormDataStream::TNwMultiPartFormDataStream()
    : TNwMultiPartFormDataStream(MakeMultipartBoundary()) {}

TNwMultiPartFormDataStream::TNwMultiPartFormDataStream(std::string boundary)
    : boundary_(std::move(boundary)), content_type_("multipart/form-data; boundary=" + boundary_) {}

TNwFormDataField& TNwMultiPartFormDataStream::AppendFilePart(const std::string& field_name,
                                                             const std::string& file_name,
                                                             const std::string& content_type) {
  RefuseLineBreaks(field_name, kPartValues);
  RefuseLineBreaks(file_name, kPartValues);
  RefuseLineBreaks(content_type, kPartValues);
  fields_.push_back(std::make_unique<TNwFormDataField>());
  TNwFormDataField& part = *fields_.back();
  part.field_name_ = field_name;
  part.part_size_ = static_cast<std::int64_t>(part.FormatHeader(boundary_).size());
  auto file = std::make_unique<TNwFileStream>(file_name);
  part.file_name_ = file_name;
  part.content_type_ = content_type;
  const std::int64_t file_size = file->Size();
  part.object_ = std::move(file);
  part.part_size_ = static_cast<std::int64_t>(part.FormatHeader(boundary_).size()) + file_size + 2;
  return part;
}

void TNwMultiPartFormDataStream::SetFileName(TNwFormDataField& part, const std::string& file_name) {
  RefuseLineBreaks(file_name, kPartValues);
  const std::int64_t content = part.part_size_ - static_cast<std::int64_t>(part.FormatHeader(boundary_).size());
  part.file_name_ = file_name;
  part.part_size_ = static_cast<std::int64_t>(part.FormatHeader(boundary_).size()) + content;
}

TNwFormDataField& TNwMultiPartFormDataStream::AddFormField(const std::string& field_name,
                                                           const std::string& value) {
  RefuseLineBreaks(field_name, kPartValues);
  fields_.push_back(std::make_unique<TNwFormDataField>());
  TNwFormDataField& part = *fields_.back();
  part.field_name_ = field_name;
  part.field_value_ = value;
  part.part_size_ = static_cast<std::int64_t>(part.FormatHeader(boundary_).size());
  return part;
}

std::int64_t TNwMultiPartFormDataStream::TotalSize() const {
  std::int64_t total = static_cast<std::int64_t>(ClosingDelimiter().size());
  for (const auto& part : fields_) total += part->PartSize();
  return total;
}

std::int64_t TNwMultiPartFormDataStream::Read(void* buffer, std::int64_t count) {
  auto* out = static_cast<char*>(buffer);
  const std::size_t parts = fields_.size();
  if (!started_) {
    started_ = true;
    current_part_ = 0;
    pending_.clear();
    pending_offset_ = 0;
    current_input_ = nullptr;
    // A body without parts is the closing delimiter alone, as its size says.
    if (parts == 0) {
      pending_ = ClosingDelimiter();
      current_part_ = 1;
    }
  }
  std::int64_t delivered = 0;
  auto pending_left = [&] { return pending_.size() - pending_offset_; };
  while (delivered < count && (current_part_ < parts || pending_left() > 0)) {
    if (pending_left() == 0 && current_input_ == nullptr) {
      const TNwFormDataField& part = *fields_[current_part_];
      pending_ = part.FormatHeader(boundary_);
      pending_offset_ = 0;
      if (part.FieldObject()) {
        current_input_ = part.FieldObject();
        current_input_->Seek(0, TNwSeekOrigin::soBeginning);
      } else {
        ++current_part_;
      }
    }
    if (pending_left() > 0) {
      const auto n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(pending_left()), count - delivered));
      std::memcpy(out + delivered, pending_.data() + pending_offset_, n);
      pending_offset_ += n;
      if (pending_left() == 0) {
        pending_.clear();
        pending_offset_ = 0;
      }
      delivered += static_cast<std::int64_t>(n);
      position_ += static_cast<std::int64_t>(n);
    }
    if (current_input_ != nullptr && delivered < count) {
      const std::int64_t asked = count - delivered;
      const std::int64_t got = current_input_->Read(out + delivered, asked);
      if (got < asked) {
        current_input_->Seek(0, TNwSeekOrigin::soBeginning);
        current_input_ = nullptr;
        ++current_part_;
        pending_ = "\r\n";
        pending_offset_ = 0;
      }
      delivered += got;
      position_ += got;
    }
    if (current_part_ == parts) {
      pending_ += ClosingDelimiter();
      ++current_part_;
    }
  }
  return delivered;
}

std::int64_t TNwMultiPartFormDataStream::Write(const void*, std::int64_t) {
  throw ENwException("Unsupported operation.");
}

std::int64_t TNwMultiPartFormDataStream::Seek(std::int64_t offset, TNwSeekOrigin origin) {
  switch (origin) {
    case TNwSeekOrigin::soBeginning:
      if (offset == 0) {
        started_ = false;
        position_ = 0;
        current_input_ = nullptr;
        return 0;
      }
      return position_;
    case TNwSeekOrigin::soCurrent:
      return position_;
    case TNwSeekOrigin::soEnd:
      return TotalSize();
  }
  return position_;
}

void TNwMultiPartFormDataStream::SetSize(std::int64_t) { throw ENwException("Unsupported operation."); }

}  // namespace vantora
