// What an upload carries: the file to upload, one part of a session upload and a part as Box
// reports it back. Sizes and offsets are 64-bit: files may exceed 4 GiB.
#pragma once

#include "BoxRecords.h"
#include "ComPtr.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Box_20 {

using ByteBuffer = std::vector<BYTE>;
using SharedByteBuffer = std::shared_ptr<ByteBuffer>;

// One file to upload, owned by the caller of the upload for its length.
struct UploadFileRecord {
    // The file's name in Box, also the file name of the multipart part.
    CStdStr<wchar_t> Name;
    CStdStr<wchar_t> LocalPath;
    // The Box file that receives a new version; empty for a new file.
    CStdStr<wchar_t> FileId;
    CStdStr<wchar_t> ParentFolderId;
    uint64_t Size = 0;
    bool NewVersion = false;
    // The Outlook item's map; failed calls record their sync issue on it.
    TalvernCommon::com_ptr<ILSPropertyMap> PropertyMap;
    // MIME type of the file's extension; may be empty.
    CStdStr<wchar_t> ContentType;
    CStdStr<wchar_t> EnterpriseId;
    CStdStr<wchar_t> EmailTemplateName;
    CStdStr<wchar_t> FingerprintTemplateName;
    // Written by BuildMultipartUploadBody.
    CStdStr<wchar_t> MultipartPrefix;
    CStdStr<wchar_t> MultipartSuffix;
    // Empty unless the file is a mail file.
    std::shared_ptr<EMailCustomPropsRec> EmailProps;
    // The whole file for a standard upload; empty for a session upload.
    SharedByteBuffer Content;
};

// One part of a session upload; its bytes stay in the local file.
struct ChunkDataType {
    int64_t Offset = 0;
    // Offset of the part's last byte.
    int64_t Last = 0;
    int64_t Size = 0;
    // The whole file's size.
    int64_t Total = 0;
};

// A part as the part reply reports it; the commit lists them.
struct UploadPartRecord {
    CStdStr<wchar_t> PartId;
    int64_t Offset = 0;
    int64_t Size = 0;
};

} // namespace Box_20
