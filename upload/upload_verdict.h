#pragma once

#include <exception>

#include "record/upload_record.h"

namespace vantora {

// How a single-photo upload ended, for the upload record: no failure is
// success; otherwise the kind of failure the network layer raised.
UploadVerdict VerdictOfUpload(const std::exception_ptr& failure);

}  // namespace vantora
