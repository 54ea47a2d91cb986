// An upload body read from the local file while it is sent: the bytes before, a range of the file,
// the bytes after. Handed to the request as a stream, so that no part and no whole file is ever
// held in memory; the request reads it again from its start when it sends it again.
#pragma once

#include "BoxLocalUploadFile.h"
#include "ComDef.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Box_20 {

// A VT_UNKNOWN VARIANT holding the body's IStream. The stream keeps the file open while it lives;
// a read the file cannot serve (it was cut short meanwhile) fails the send.
_variant_t MakeUploadBodyStream(std::shared_ptr<LocalUploadFile> file, uint64_t offset, uint64_t size,
                                std::string prefix = {}, std::string suffix = {});

} // namespace Box_20
